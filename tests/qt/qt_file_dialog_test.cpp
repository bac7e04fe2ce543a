#include "backends/qt/qt_file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QWidget>

#include "qt_rig.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tz {
namespace {

TEST(FileFilter, EntriesBecomeQtsFormAndMissingPartsStillListFiles) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"EXE File(*.exe)|*.exe", "EXE File(*.exe) (*.exe)"},
        {"Microsoft Excel(*.x*)|*.x*", "Microsoft Excel(*.x*) (*.x*)"},
        {"CSV(*.csv)|*.CSV", "CSV(*.csv) (*.CSV)"},
        // Full-width parentheses in the description are text like any other.
        {"CSV\xEF\xBC\x88*.csv\xEF\xBC\x89|*.CSV", "CSV\xEF\xBC\x88*.csv\xEF\xBC\x89 (*.CSV)"},
        // Several entries and patterns are separated the Qt way.
        {"Books|*.xls;*.xlsx|All files|*.*", "Books (*.xls *.xlsx);;All files (*.*)"},
        {"Text|*.txt|", "Text (*.txt)"},
        {"Anything", "Anything (*)"},
        {"Anything|", "Anything (*)"},
        {"|*.csv", "*.csv"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qtFileFilter(c.in).toStdString(), c.out) << c.in;
}

TEST(QtFileDialogRuns, ReturnsTheChosenPathOrEmptyOnCancel) {
    const test::TempDir dir("tz-dialog");
    const std::filesystem::path file = dir.path() / "Tidewell.csv";
    std::ofstream(file) << "TIME,DV\r\n";

    QWidget owner;
    QtFileDialog dialog(&owner);
    QString filter;
    // Picks `path`, or cancels when it is empty.
    const auto answer = [&](const QString& path) {
        return qt_test::answerNextDialog<QFileDialog>([&filter, path](QFileDialog& d) {
            filter = d.selectedNameFilter();
            if (path.isEmpty()) {
                d.reject();
            } else {
                d.selectFile(path);
                static_cast<QDialog&>(d).accept(); // public in QDialog
            }
        });
    };
    auto poll = answer(QString::fromStdString(file.string()));
    EXPECT_EQ(dialog.open("CSV(*.csv)|*.CSV"),
              QDir::toNativeSeparators(QString::fromStdString(file.string())).toStdString());
    EXPECT_EQ(filter.toStdString(), "CSV(*.csv) (*.CSV)") << "no dialog was shown";

    filter.clear();
    poll = answer(QString());
    EXPECT_EQ(dialog.open("CSV(*.csv)|*.CSV"), "");
    EXPECT_EQ(filter.toStdString(), "CSV(*.csv) (*.CSV)") << "no dialog was shown";
}

TEST(QtFileDialogRuns, TheDocumentChoiceTakesANewNameAndStartsBesideTheDocumentShown) {
    const test::TempDir dir("tz-dialog");
    const std::filesystem::path shown = dir.path() / "Tidewell.csv";
    std::ofstream(shown) << "TIME,DV\r\n";
    const std::filesystem::path fresh = dir.path() / "Zählerstände #2.csv";

    QWidget owner;
    QtFileDialog dialog(&owner);
    QString filter, folder;
    bool saveMode = false, asksOverwrite = true;
    auto poll = qt_test::answerNextDialog<QFileDialog>([&](QFileDialog& d) {
        filter = d.selectedNameFilter();
        folder = d.directory().absolutePath();
        saveMode = d.acceptMode() == QFileDialog::AcceptSave;
        asksOverwrite = !d.testOption(QFileDialog::DontConfirmOverwrite);
        d.selectFile(QString::fromStdString(fresh.string()));
        static_cast<QDialog&>(d).accept();
    });
    EXPECT_EQ(dialog.chooseDocument("CSV(*.csv)|*.CSV", shown.string()), fresh.string());
    EXPECT_EQ(filter.toStdString(), "CSV(*.csv) (*.CSV)");
    EXPECT_EQ(folder.toStdString(), dir.path().string());
    EXPECT_TRUE(saveMode);
    EXPECT_FALSE(asksOverwrite) << "the document's rows are kept as a copy, not lost";
    EXPECT_FALSE(std::filesystem::exists(fresh)) << "choosing writes nothing";
}

} // namespace
} // namespace tz
