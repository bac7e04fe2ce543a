// tz-drive: the program as an operator uses it, clicked through by a
// script instead of a hand. It starts up exactly like the program (the
// settings beside the executable, the platform's own backends), then works
// the real windows through their controls: the mode window, then a transfer
// window. Only the message box is replaced: each message is printed as
//   MESSAGE<TAB>title<TAB>text
// and counts as clicked. At the end it prints the document's lines (ROWS)
// and, after an on-line run, the polls and numbers the trend holds (TREND) and where its picture
// went (PICTURE path width height). The same source builds
// for Linux and for Windows, so one scenario gives the two programs' documents of the same data.
//
//   tz-drive online  CSV|XLS DOCUMENT POLLS [PICTURE]
//                                             polls every 2 s until the
//                                             document holds POLLS rows, then
//                                             Stop Xfer; saves the data
//                                             monitor as PNG in PICTURE
//   tz-drive logger  CSV|XLS DOCUMENT SET...  downloads the ticked sets
//   tz-drive plug    DOCUMENT                 on-line into a CSV document
//                                             until a message comes
//
// Exits 0 when the scenario ran to its end, 2 on a bad command line, 3 when
// a control was not found, 4 on a time limit; a start-up that failed exits 1.
#include "app/globals.h"
#include "app/startup.h"
#include "backends/qt/application.h"
#include "backends/qt/qt_host.h"
#include "ui/mode_window.h"
#include "ui/services.h"
#include "ui/trend_chart.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QThread>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(int code, const std::string& why) {
    std::printf("FAILED\t%s\n", why.c_str());
    std::fflush(stdout);
    std::exit(code);
}

// The visible top-level window that holds a control of this name.
QWidget* windowWith(const char* control) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->findChild<QWidget*>(control)) return w;
    return nullptr;
}

template <class W> W* control(QWidget* window, const std::string& name) {
    W* c = window ? window->findChild<W*>(QString::fromStdString(name)) : nullptr;
    if (!c) fail(3, "no control " + name);
    return c;
}

bool runUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return done();
}

// Keys as the operator types them, one press and release each.
void typeKeys(QWidget* target, const QString& keys) {
    target->setFocus();
    for (QChar ch : keys) {
        const int key = ch.isDigit() ? Qt::Key_0 + ch.digitValue() : ch.unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }
}

int documentRows(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    int rows = 0;
    std::string line;
    while (std::getline(in, line))
        ++rows;
    return rows;
}

struct Script {
    std::string mode, format, document, picture;
    int polls = 0;
    std::vector<std::string> sets;
};

Script parse(const QStringList& args) {
    Script s;
    if (args.size() < 2) fail(2, "no scenario");
    s.mode = args[1].toStdString();
    int at = 2;
    if (s.mode == "plug") {
        s.format = "CSV";
    } else if (s.mode == "online" || s.mode == "logger") {
        if (args.size() < 4) fail(2, "usage: " + s.mode + " CSV|XLS DOCUMENT ...");
        s.format = args[at++].toStdString();
    } else {
        fail(2, "unknown scenario " + s.mode);
    }
    if (args.size() <= at) fail(2, "no document");
    s.document = args[at++].toStdString();
    if (s.mode == "online") {
        if (args.size() <= at) fail(2, "no poll count");
        s.polls = args[at++].toInt();
        if (at < args.size()) s.picture = args[at].toStdString();
    }
    if (s.mode == "logger")
        for (; at < args.size(); ++at)
            s.sets.push_back(args[at].toStdString());
    return s;
}

} // namespace

int main(int argc, char** argv) {
    tz::Globals globals;
    tz::QtHost host;
    QApplication app(argc, argv);
    tz::nameApplication();
    const Script script = parse(app.arguments());
    int messages = 0;
    host.setMessageBoxHook([&](const std::string& text, const std::string& title) {
        ++messages;
        std::printf("MESSAGE\t%s\t%s\n", title.c_str(), text.c_str());
        std::fflush(stdout);
    });

    globals.ProgramFolder =
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
    if (!tz::startUp(globals, host)) return 1;
    std::printf("STARTED\t%s\t%s\n", globals.CommSettings.c_str(), globals.ParamName[1].c_str());
    std::fflush(stdout);

    tz::UiServices services = tz::qtServices(globals, host);
    // What F1 opens when the folder has no classic help file.
    std::printf("MANUAL\t%s\n", services.manualFile.c_str());
    std::fflush(stdout);
    tz::ModeWindow::showNew(services);
    QWidget* mode = windowWith("SSOption1_0");
    control<QAbstractButton>(mode, script.mode == "logger" ? "SSOption1_0" : "SSOption1_1")
        ->click();
    control<QAbstractButton>(mode, script.format == "XLS" ? "SSOption1_3" : "SSOption1_2")->click();
    control<QAbstractButton>(mode, "SSCommand1")->click();
    if (!runUntil([] { return windowWith("SSCommand3") && !windowWith("SSOption1_0"); }, 5000))
        fail(3, "no transfer window after OK");

    QWidget* transfer = windowWith("SSCommand3");
    auto* start = control<QAbstractButton>(transfer, "SSCommand3");
    auto* stop = control<QAbstractButton>(transfer, "SSCommand6");
    auto idle = [&] { return !start->isHidden() && stop->isHidden(); };
    control<QLineEdit>(transfer, "Text3")->setText(QString::fromStdString(script.document));

    int status = 0;
    if (script.mode == "logger") {
        for (const std::string& n : script.sets)
            control<QCheckBox>(transfer, "SSCheck1_" + n)->setChecked(true);
        // The download runs inside the click.
        start->click();
        if (!runUntil(idle, 120000)) status = 4;
    } else {
        auto* interval = control<QLineEdit>(transfer, "txtTime");
        interval->selectAll();
        typeKeys(interval, "000002");
        start->click();
        if (script.mode == "online") {
            // The header and POLLS rows; then Stop Xfer as the operator would.
            const int want = script.polls + 1;
            if (!runUntil([&] { return documentRows(script.document) >= want || idle(); },
                          script.polls * 2000 + 30000))
                status = 4;
            if (!idle()) stop->click();
        } else if (!runUntil([&] { return messages > 0; }, 30000)) {
            status = 4;
            if (!idle()) stop->click();
        }
        runUntil(idle, 5000);
    }
    std::printf("ROWS\t%d\n", documentRows(script.document));
    // What the data monitor's trend holds: its polls and the numbers among them.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* trend = w->findChild<tz::TrendChart*>("Trend"))
            std::printf("TREND\t%zu\t%zu\n", trend->trend().stats().polls,
                        trend->trend().stats().values);
    // The monitor as the operator sees it after Stop Xfer. grab() paints
    // through Qt's own backing store, so it needs no screen of the system's.
    if (!script.picture.empty()) {
        // The chart lays out the last poll at the next turn of the event
        // loop, which Stop Xfer's click has not given it yet.
        runUntil([] { return false; }, 300);
        QWidget* monitor = windowWith("Trend");
        if (!monitor) fail(3, "no data monitor to picture");
        const QImage picture = monitor->grab().toImage();
        bool drawn = false;
        for (int y = 0; y < picture.height() && !drawn; y += 3)
            for (int x = 0; x < picture.width() && !drawn; x += 3)
                drawn = picture.pixel(x, y) != picture.pixel(0, 0);
        if (!drawn || !picture.save(QString::fromStdString(script.picture), "PNG"))
            fail(1, "the monitor's picture is blank or could not be saved");
        std::printf("PICTURE\t%s\t%d\t%d\n", script.picture.c_str(), picture.width(),
                    picture.height());
    }
    std::printf("%s\n", status == 0 ? "DONE" : "TIMEOUT");
    std::fflush(stdout);
    // Exit, as the operator ends the program: Twenv.dat is written back.
    control<QAbstractButton>(transfer, "SSCommand5")->click();
    runUntil([] { return !windowWith("SSCommand3"); }, 5000);
    return status;
}
