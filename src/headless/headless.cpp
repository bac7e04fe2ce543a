#include "headless/headless.h"

#include "app/command_line.h"
#include "app/console_text.h"
#include "app/globals.h"
#include "app/settings_folder.h"
#include "app/startup.h"
#include "backends/qt/application.h"
#include "backends/qt/qt_host.h"
#include "backends/qt/qt_serial_control.h"
#include "backends/qt/qt_timer.h"
#include "headless/console_views.h"
#include "headless/stop_signals.h"
#include "logger/logger_transfer.h"
#include "online/command_table.h"
#include "online/csv_sink.h"
#include "publish/broker_password.h"
#include "publish/broker_sink.h"
#ifdef TZ_HAVE_MQTT
#include "backends/mosquitto/mosquitto_client.h"
#endif
#include "online/interval_entry.h"
#include "online/online_transfer.h"
#include "sheet/document_link.h"
#include "sheet/unavailable_sheet.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <strings.h>

namespace tz {

namespace {

constexpr int kDone = 0, kFailed = 1, kBadArguments = kBadArgumentsStatus;
// A logger run that a signal ended before its last set: the document holds
// only part of the download, which a service must not take for success.
constexpr int kLoggerStoppedEarly = 3;

void say(const std::string& line) {
    writeConsoleLine(stderr, line);
}

// The position of the parameter `name` in the on-line list: the exact
// name first, else the one name that matches without regard to case.
int parameterIndex(const std::vector<std::string>& names, const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(i);
    int found = -1;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].size() == name.size() && !strcasecmp(names[i].c_str(), name.c_str())) {
            if (found >= 0) return -1;
            found = static_cast<int>(i);
        }
    return found;
}

TimeForm timeFormOf(const HeadlessRequest& request) {
    switch (request.timeForm) {
    case HeadlessRequest::TimeForm::IsoSeconds:
        return TimeForm::IsoSeconds;
    case HeadlessRequest::TimeForm::IsoMilliseconds:
        return TimeForm::IsoMillis;
    case HeadlessRequest::TimeForm::LongTime:
        break;
    }
    return TimeForm::SystemLong;
}

struct Run {
    Run(Globals& g, QtHost& h, const HeadlessRequest& r) : globals(g), host(h), request(r) {
        port.setDevicePath(request.devicePath);
    }

    Globals& globals;
    QtHost& host;
    const HeadlessRequest& request;
    QtSerialControl port;
    // An unattended run writes CSV only; the spreadsheet side is never asked.
    UnavailableShell shell;
    UnavailableSheetLink link;
    StopFlag stop;
    DocumentLink sheet{host, shell, link, stop};
    bool stopRequested = false;

    std::string portName() const {
        return request.devicePath.empty() ? "COM" + std::to_string(request.port)
                                          : request.devicePath;
    }
    int online(QCoreApplication& app);
    int logger(QCoreApplication& app);
};

int Run::online(QCoreApplication& app) {
    const CommandTable table = buildCommandTable(globals.ParamName);
    const std::vector<std::string>& names = table.names;
    const int index = parameterIndex(names, request.parameter);
    if (index < 0) {
        std::string list;
        for (const std::string& n : names)
            list += "\n  " + n;
        say("tidewell-z: no parameter \"" + request.parameter +
            "\" in Twell.ini; the list is:" + list);
        return kBadArguments;
    }
    const IntervalVerdict verdict = judgeInterval(request.intervalDigits);
    if (verdict.kind != IntervalVerdict::Kind::Accepted) {
        say(verdict.message());
        return kBadArguments;
    }

    ConsoleOnlineView view(stderr, index);
    view.quiet = request.quiet;
    QtTimer timer;
    OnlineTransfer transfer(host, port, view, timer, stop);
    int status = kDone;
    bool ending = false;
    // The end waits for a poll that is still unwinding from its wait for
    // the reply: it owns the port and the file until then.
    auto finish = [&](int code) {
        if (ending) return;
        ending = true;
        status = code;
        auto* poll = new QTimer(&app);
        QObject::connect(poll, &QTimer::timeout, &app, [&, poll] {
            if (transfer.running()) return;
            poll->stop();
            app.exit(status);
        });
        poll->start(10);
    };
    auto stop = [&] {
        stopRequested = true;
        if (transfer.running()) transfer.stopXfer();
        finish(kDone);
    };
    view.onIdle = [&] { finish(stopRequested ? kDone : kFailed); };
    view.onRow = [&](long long rows) {
        if (request.count > 0 && rows >= request.count)
            QTimer::singleShot(0, &app, [&] {
                if (!stopRequested) stop();
            });
    };
    StopSignals stopSignals([&](int) { stop(); });

    OnlineRequest onlineRequest;
    onlineRequest.portNo = request.port;
    onlineRequest.lineSettings = globals.CommSettings;
    onlineRequest.toWorkbook = false;
    onlineRequest.commands = table.commands;
    onlineRequest.paramIndex = index;
    onlineRequest.paramText = names[static_cast<std::size_t>(index)];
    onlineRequest.intervalDigits = request.intervalDigits;
    onlineRequest.documentPath = request.csv;
    // Where the rows go; no monitor without windows.
    auto csv = std::make_shared<CsvDocumentSink>(request.csv);
    csv->onKept = [&view](const std::string& copy) { view.previousDocumentKept(copy); };
    onlineRequest.sinks.push_back(std::move(csv));
    // Unattended runs outlive a pulled plug or a silent meter unless told
    // to end at the first fault as the window does.
    onlineRequest.keepPolling = !request.stopOnFault;
    onlineRequest.timeForm = timeFormOf(request);
    onlineRequest.portName = portName();
    if (request.publish) {
        // After the document: a row leaves the machine once it is on the disk.
#ifdef TZ_HAVE_MQTT
        BrokerTarget target;
        target.url = *request.publish;
        std::string why;
        if (!brokerPassword(request.publishPasswordFile, target.password, why)) {
            say("tidewell-z: " + why);
            return kBadArguments;
        }
        onlineRequest.sinks.push_back(std::make_shared<BrokerSink>(
            host, std::make_unique<MosquittoClient>(), std::make_unique<QtTimer>(), target,
            [](const std::string& note) { say(note); }));
#else
        say("tidewell-z: this program was built without MQTT publishing (libmosquitto).");
        return kBadArguments;
#endif
    }
    transfer.start(onlineRequest);
    if (!transfer.running()) return kFailed; // the start's message has been shown
    if (!request.quiet)
        say("Polling " + names[static_cast<std::size_t>(index)] + " on " + portName() + " every " +
            request.intervalDigits.substr(0, 2) + ":" + request.intervalDigits.substr(2, 2) + ":" +
            request.intervalDigits.substr(4, 2) + " into " + request.csv +
            (request.publish ? " and " + brokerLocation(*request.publish) : std::string()));
    const int code = app.exec();
    const long long rows = view.dataRows();
    const long long without = transfer.rowsWithoutValue();
    say(withPreviousCopy(
        std::to_string(rows) + (rows == 1 ? " row" : " rows") +
            (without > 0 ? ", " + std::to_string(without) + " without a value" : "") + " \u2192 " +
            request.csv,
        view.previousCopy()));
    return code;
}

int Run::logger(QCoreApplication& app) {
    ConsoleLoggerView view(stderr);
    view.quiet = request.quiet;
    LoggerTransfer transfer(host, port, view, sheet, stop);
    LoggerRequest loggerRequest;
    loggerRequest.portNo = request.port;
    loggerRequest.lineSettings = globals.CommSettings;
    loggerRequest.toWorkbook = false;
    loggerRequest.ticked = request.sets;
    loggerRequest.documentPath = request.csv;
    loggerRequest.workFolder = settingsFolder(globals);
    StopSignals stopSignals([&](int) {
        stopRequested = true;
        if (transfer.running()) transfer.stopXfer();
    });
    int status = kDone;
    QTimer::singleShot(0, &app, [&] {
        // A signal before the first turn of the loop: nothing downloaded.
        if (stopRequested) {
            say("Stopped before the download began");
            status = kLoggerStoppedEarly;
            app.exit(status);
            return;
        }
        transfer.start(loggerRequest);
        // A signal after the last set changes nothing: the download is whole.
        const bool ended = !transfer.endReason().empty();
        status = !ended ? kDone : stopRequested ? kLoggerStoppedEarly : kFailed;
        app.exit(status);
    });
    app.exec();
    return status;
}

} // namespace

int runHeadless(int argc, char** argv, const HeadlessRequest& request) {
    Globals globals;
    QtHost host;
    QCoreApplication app(argc, argv);
    nameApplication();

    // Every message the transfers would show in a box goes to standard
    // error, with the box's title in front.
    host.setMessageBoxHook(
        [](const std::string& text, const std::string& title) { say(title + ": " + text); });
    placeSettings(globals, programSurroundings());
    if (!startUp(globals, host)) return kFailed;

    Run run(globals, host, request);
    return request.mode == HeadlessRequest::Mode::Online ? run.online(app) : run.logger(app);
}

} // namespace tz
