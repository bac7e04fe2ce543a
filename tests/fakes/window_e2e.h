#pragma once
// The real transfer windows with the Qt serial port and host, against the
// tidewell-sim program in a private workspace: settings as start-up fills
// them, the operator's messages collected instead of shown, the spreadsheet
// side and the file dialog faked, and the operator's clicks.
#include "app/globals.h"
#include "backends/qt/qt_host.h"
#include "ui/services.h"

#include "fake_views.h"
#include "qt_app.h"
#include "sim_process.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace tz::fake {

class NoFileDialog : public FileDialog {
  public:
    std::string open(const std::string&) override { return {}; }
    std::string chooseDocument(const std::string&, const std::string&) override { return {}; }
};

class WindowEndToEnd : public ::testing::Test {
  protected:
    explicit WindowEndToEnd(const std::string& workspacePrefix) : ws(workspacePrefix) {}

    void SetUp() override {
        if (!*kSimPath) GTEST_SKIP() << "built without the simulator";
        ensureApplication("tz_e2e_tests");
        globals.CommSettings = "9600,N,8,1";
        globals.ParamName[1] = "Flow";
        globals.ParamName[2] = "Level";
        globals.PortNo = 1;
        globals.SaveFormat = 0;
        std::filesystem::create_directories(ws.root() / "program");
        globals.ProgramFolder = ws.file("program");
        globals.EnvFilePath = ws.file("Twenv.dat");
        host.setMessageBoxHook([this](const std::string& text, const std::string& title) {
            messages.push_back(text);
            titles.push_back(title);
        });
        services.makeSheetLink = [] { return std::make_unique<FakeSheetLink>(); };
        services.makeShell = [] { return std::make_unique<FakeShell>(); };
        services.makeFileDialog = [](QWidget*) { return std::make_unique<NoFileDialog>(); };
        services.openHelp = [](const std::string&) {};
    }

    void TearDown() override {
        for (const auto& w : opened_)
            if (w) w->close(); // runs the closing step; the window deletes itself
        QCoreApplication::processEvents();
    }

    template <class Window> Window& open() {
        auto* w = new Window(services, QPoint(0, 0));
        w->show();
        opened_.emplace_back(w);
        return *w;
    }

    template <class W> static W* child(QWidget* in, const char* name) {
        W* w = in->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    // "Start Transfer!" shows and "Stop Xfer" hides.
    static bool idle(QWidget* window) {
        return !child<QPushButton>(window, "SSCommand3")->isHidden() &&
               child<QPushButton>(window, "SSCommand6")->isHidden();
    }

    // Runs the event loop until `done` or the time limit.
    static bool runUntil(const std::function<bool()>& done, int limitMs) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < limitMs)
            QTest::qWait(20);
        return done();
    }

    // On-line: types the document and the interval digits, and clicks
    // "Start Transfer!".
    static void startPolling(QWidget* window, const std::string& document, const QString& digits) {
        child<QLineEdit>(window, "Text3")->setText(QString::fromStdString(document));
        auto* interval = child<QLineEdit>(window, "txtTime");
        interval->setFocus();
        interval->selectAll();
        QTest::keyClicks(interval, digits);
        QTest::mouseClick(child<QPushButton>(window, "SSCommand3"), Qt::LeftButton);
    }

    // Logger: ticks the sets, types the document and clicks "Start
    // Transfer!", which returns when the transfer has ended.
    static void download(QWidget* window, std::initializer_list<int> sets,
                         const std::string& document) {
        for (int n : sets)
            child<QCheckBox>(window, ("SSCheck1_" + std::to_string(n)).c_str())->setChecked(true);
        child<QLineEdit>(window, "Text3")->setText(QString::fromStdString(document));
        QTest::mouseClick(child<QPushButton>(window, "SSCommand3"), Qt::LeftButton);
    }

    static void stopXfer(QWidget* window) {
        QTest::mouseClick(child<QPushButton>(window, "SSCommand6"), Qt::LeftButton);
    }

    Workspace ws;
    Globals globals;
    QtHost host;
    UiServices services = qtServices(globals, host);
    std::vector<std::string> messages, titles;

  private:
    std::vector<QPointer<QWidget>> opened_;
};

} // namespace tz::fake
