#include "backends/qt/qt_file_dialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTimer>
#include <QWidget>

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

// Answers the next file dialog that opens: picks `path`, or cancels when
// it is empty. It looks every few milliseconds, since building the dialog
// takes a while on a busy machine, and rejects any file dialog after five
// seconds so that nothing can block the test program.
void answerNextDialog(const QString& path, bool* seen, QString* filter) {
    auto* poll = new QTimer;
    auto* waited = new QElapsedTimer;
    waited->start();
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            *seen = true;
            *filter = dialog->selectedNameFilter();
            if (path.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(path);
                static_cast<QDialog*>(dialog)->accept(); // public in QDialog
            }
        } else if (waited->elapsed() < 5000) {
            return;
        } else {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(w)) d->reject();
        }
        poll->stop();
        poll->deleteLater();
        delete waited;
    });
    poll->start(10);
}

TEST(QtFileDialogRuns, ReturnsTheChosenPathOrEmptyOnCancel) {
    const test::TempDir dir("tz-dialog");
    const std::filesystem::path file = dir.path() / "Tidewell.csv";
    std::ofstream(file) << "TIME,DV\r\n";

    QWidget owner;
    QtFileDialog dialog(&owner);
    bool seen = false;
    QString filter;
    answerNextDialog(QString::fromStdString(file.string()), &seen, &filter);
    EXPECT_EQ(dialog.open("CSV(*.csv)|*.CSV"),
              QDir::toNativeSeparators(QString::fromStdString(file.string())).toStdString());
    EXPECT_TRUE(seen);
    EXPECT_EQ(filter.toStdString(), "CSV(*.csv) (*.CSV)");

    seen = false;
    answerNextDialog(QString(), &seen, &filter);
    EXPECT_EQ(dialog.open("CSV(*.csv)|*.CSV"), "");
    EXPECT_TRUE(seen);
}

} // namespace
} // namespace tz
