#pragma once
// Shared ground of the window tests: one offscreen QApplication, the
// windows' services wired to fakes (virtual-clock host, fake serial port
// and timer, a scripted file dialog, a recording help viewer) and a
// temporary program folder for Twenv.dat.
#include "app/globals.h"
#include "fake_host.h"
#include "fake_serial.h"
#include "platform/failure.h"
#include "scratch.h"
#include "sheet/unavailable_sheet.h"
#include "ui/logger_window.h"
#include "ui/mode_window.h"
#include "ui/monitor_window.h"
#include "ui/online_window.h"
#include "ui/services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tz::uitest {

// The dialog answers from a script and records every filter it was given.
struct DialogScript {
    std::vector<std::string> filters;
    std::vector<std::string> startedAt; // the document shown, for a document choice
    std::deque<std::string> answers;    // "" is a cancel; an empty script cancels too
};

class ScriptedFileDialog : public FileDialog {
  public:
    explicit ScriptedFileDialog(DialogScript& script) : script_(script) {}
    std::string open(const std::string& filter) override {
        script_.filters.push_back(filter);
        if (script_.answers.empty()) return {};
        std::string answer = script_.answers.front();
        script_.answers.pop_front();
        return answer;
    }

    std::string chooseDocument(const std::string& filter, const std::string& current) override {
        script_.startedAt.push_back(current);
        return open(filter);
    }

  private:
    DialogScript& script_;
};

using test::readFile;

template <class W> W* findTopLevel(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible() && qobject_cast<W*>(w))
            return qobject_cast<W*>(w);
    return nullptr;
}

template <class W> W* child(QWidget* window, const char* name) {
    W* w = window->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << "no control " << name << " in " << window->objectName().toStdString();
    return w;
}

inline void click(QWidget* window, const char* name) {
    QTest::mouseClick(child<QAbstractButton>(window, name), Qt::LeftButton);
}

// Shown as the operator sees it: a control inside a hidden frame is hidden.
inline bool shown(QWidget* window, const char* name) {
    return child<QWidget>(window, name)->isVisible();
}

// On-line data and Excel, as every fresh mode window shows them whatever
// was chosen before.
inline void expectFirstSelections(QWidget* modeWindow) {
    for (const char* name : {"SSOption1_1", "SSOption1_3"})
        EXPECT_TRUE(child<QRadioButton>(modeWindow, name)->isChecked()) << name;
    for (const char* name : {"SSOption1_0", "SSOption1_2"})
        EXPECT_FALSE(child<QRadioButton>(modeWindow, name)->isChecked()) << name;
}

// Run the deletions that closed windows asked for.
inline void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class UiTest : public ::testing::Test {
  protected:
    UiTest() {
        QApplication::setQuitOnLastWindowClosed(false);
        folder = QDir::toNativeSeparators(dir.path()).toStdString();
        globals.ProgramFolder = folder;
        globals.EnvFilePath = folder + "/Twenv.dat";
        globals.HelpFile = folder + "/Tidewell_Z.hlp";
        globals.CommSettings = "9600,N,8,1";
        globals.ParamName[1] = "Flow";
        globals.ParamName[2] = "Total";
        globals.ParamName[3] = "-Reverse";
        globals.ApplicationPath = "C:\\MSOFFICE\\EXCEL\\EXCEL.EXE";
        globals.ApplicationDocument = "C:\\Tidewell\\Tidewell.xls";
        globals.PortNo = 1;
        globals.SaveFormat = 1;
    }

    ~UiTest() override {
        std::vector<QPointer<QWidget>> windows;
        // Only the windows themselves: a combo box's popup is a top-level
        // widget too, but its combo owns it, and deleting it here left the
        // combo pointing at freed memory.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!w->parentWidget()) windows.emplace_back(w);
        for (QPointer<QWidget>& w : windows)
            delete w.data();
        flushDeletes();
    }

    UiServices& services() { return services_; }

    OnlineWindow* openOnline(int saveFormat = 1) {
        globals.SaveFormat = saveFormat;
        auto* w = new OnlineWindow(services_, QPoint(40, 30));
        w->show();
        return w;
    }
    LoggerWindow* openLogger(int saveFormat = 1) {
        globals.SaveFormat = saveFormat;
        auto* w = new LoggerWindow(services_, QPoint(40, 30));
        w->show();
        return w;
    }
    // "Tide02" is the on-line window, "Tide03" the logger window.
    TransferFrame* openTransfer(const std::string& name, int saveFormat = 1) {
        if (name == "Tide02") return openOnline(saveFormat);
        return openLogger(saveFormat);
    }

    QTemporaryDir dir;
    std::string folder;
    Globals globals;
    fake::FakeHost host;
    DialogScript dialog;
    std::vector<std::string> helpShown;
    bool helpMissing = false;
    std::vector<fake::FakeSerial*> serials; // owned by their windows
    std::vector<fake::FakeTimer*> timers;   // owned by their windows

  private:
    UiServices services_{
        globals,
        host,
        [this] {
            auto s = std::make_unique<fake::FakeSerial>(host);
            serials.push_back(s.get());
            return s;
        },
        [this] {
            auto t = std::make_unique<fake::FakeTimer>(host);
            timers.push_back(t.get());
            return t;
        },
        [] { return std::make_unique<UnavailableSheetLink>(); },
        [] { return std::make_unique<UnavailableShell>(); },
        [this](QWidget*) { return std::make_unique<ScriptedFileDialog>(dialog); },
        [this](const std::string& path) {
            if (helpMissing) throw Failure(FailureCode::FileNotFound, "missing");
            helpShown.push_back(path);
        },
        {},
        {},
    };
};

} // namespace tz::uitest
