#include "ui/command_line.h"

#include "ui/platform_help.h"

#include <QCommandLineParser>

#include <cstdio>

namespace tz {

namespace {

constexpr int kUsageError = 2;
constexpr const char* kProgram = "tidewell-z";

// The options QGuiApplication takes for itself. They are parsed here only
// so that they are not refused as unknown; the application object made
// after the parse acts on them.
void acceptQtOptions(QCommandLineParser& parser) {
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "style",
                             "stylesheet", "session", "display", "geometry", "qwindowgeometry",
                             "qwindowtitle", "qwindowicon", "title", "name", "qmljsdebugger"}) {
        QCommandLineOption o(QString::fromLatin1(name), QString(), "value");
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption o(QString::fromLatin1(name));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments, const QString& version) {
    QCommandLineParser parser;
    // Qt's options are written with one dash (-platform offscreen).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QString("Data transfer for the TIDEWELL-Z flowmeter: on-line polling of one parameter and\n"
                "download of the logger data sets, into a CSV document or a spreadsheet workbook.\n"
                "\n") +
        platformHelp());
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption showVersion({"v", "version"}, "Show the version and exit.");
    parser.addOption(help);
    parser.addOption(showVersion);
    acceptQtOptions(parser);

    CommandLine result;
    const auto ending = [&](int code, QString text, bool toStderr) {
        result.exitNow = true;
        result.exitCode = code;
        result.output = std::move(text);
        result.toStderr = toStderr;
        return result;
    };
    const auto usage = [&] {
        // helpText() begins with "Usage: <argv[0]>"; the program's own name
        // reads better in a message than the path it was started by.
        QString text = parser.helpText();
        const QString first = "Usage: " + arguments.value(0);
        if (text.startsWith(first)) text.replace(0, first.size(), QString("Usage: ") + kProgram);
        return text;
    };

    if (!parser.parse(arguments))
        return ending(kUsageError, QString(kProgram) + ": " + parser.errorText() + "\n" + usage(),
                      true);
    if (parser.isSet(help)) return ending(0, usage(), false);
    if (parser.isSet(showVersion))
        return ending(0, QString(kProgram) + " " + version + "\n", false);
    if (!parser.positionalArguments().isEmpty())
        return ending(kUsageError,
                      QString(kProgram) + ": unexpected argument \"" +
                          parser.positionalArguments().first() + "\"\n" + usage(),
                      true);
    return result;
}

int printCommandLineOutput(const CommandLine& commandLine) {
    const QByteArray text = commandLine.output.toLocal8Bit();
    std::FILE* to = commandLine.toStderr ? stderr : stdout;
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), to);
    std::fflush(to);
    return commandLine.exitCode;
}

} // namespace tz
