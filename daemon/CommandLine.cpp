#include "daemon/CommandLine.h"

#include "platform/ProgramFolder.h"

#include <QCommandLineParser>
#include <QFileInfo>

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, {});
    const QCommandLineOption headless(QStringLiteral("headless"), {});
    const QCommandLineOption forDesktop(QStringLiteral("for-desktop"), {});
    const QCommandLineOption autostart(QStringLiteral("autostart"), {}, QStringLiteral("on|off"));
    const QCommandLineOption saveLogin(QStringLiteral("save-login"), {}, QStringLiteral("domain"));
    const QCommandLineOption status(QStringLiteral("status"), {});
    const QCommandLineOption json(QStringLiteral("json"), {});
    const QCommandLineOption routerMappings(QStringLiteral("router-mappings"), {});
    const QCommandLineOption deleteMappings(QStringLiteral("delete-mappings"), {});
    parser.addOptions(
        {help, version, headless, forDesktop, autostart, saveLogin, status, json, routerMappings, deleteMappings});

    CommandLine result;
    if (!arguments.isEmpty() &&
        QFileInfo(arguments.first()).fileName() == programName(CommandLine::Program::Service))
        result.program = CommandLine::Program::Service;
    const auto usageError = [&result](const QString& why) {
        result.action = CommandLine::Action::UsageError;
        result.error = why;
        return result;
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    result.forDesktop = parser.isSet(forDesktop);
    result.headless = parser.isSet(headless) || result.forDesktop;
    if (parser.isSet(json) && !parser.isSet(status))
        return usageError(QStringLiteral("--json goes with --status"));
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
    } else if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
    } else if (parser.isSet(autostart)) {
        if (result.program == CommandLine::Program::Service)
            return usageError(
                QStringLiteral("kelvaned starts at login through its user unit: systemctl --user "
                               "enable --now kelvane (--autostart is kelvane's, for the desktop)"));
        const QString value = parser.value(autostart);
        if (value != QStringLiteral("on") && value != QStringLiteral("off"))
            return usageError(QStringLiteral("--autostart takes on or off, not '%1'").arg(value));
        result.action = CommandLine::Action::Autostart;
        result.autostartOn = value == QStringLiteral("on");
    } else if (parser.isSet(saveLogin)) {
        result.action = CommandLine::Action::SaveLogin;
        result.domain = parser.value(saveLogin);
    } else if (parser.isSet(status)) {
        result.action = CommandLine::Action::Status;
        result.statusJson = parser.isSet(json);
    } else if (parser.isSet(routerMappings)) {
        result.action = CommandLine::Action::RouterMappings;
    } else if (parser.isSet(deleteMappings)) {
        result.action = CommandLine::Action::DeleteMappings;
    }
    return result;
}

CommandLine parseCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const QString executable = programPath(); !executable.isEmpty() && !arguments.isEmpty())
        arguments.first() = executable;
    return parseCommandLine(arguments);
}

QString programName(CommandLine::Program program)
{
    return program == CommandLine::Program::Service ? QStringLiteral("kelvaned") : QStringLiteral("kelvane");
}

namespace {

const char* const commonOptions =
    "      --save-login DOMAIN  save DOMAIN and its password (read from standard\n"
    "                           input) for automatic login, and exit\n"
    "      --status             whether a copy runs, its logins, addresses and\n"
    "                           mappings; exit status 0 when it runs and each\n"
    "                           server's last login succeeded, 1 when one failed or\n"
    "                           went unanswered or none succeeded yet, 3 when none\n"
    "                           runs\n"
    "      --status --json      the same as one JSON object, with the engine's\n"
    "                           interface (example.kelvane.Engine2) under \"engine\"\n"
    "      --router-mappings    every port mapping the router holds, one a line,\n"
    "                           marking this machine's and the stored ones\n"
    "      --delete-mappings    delete the stored mappings from the router (the\n"
    "                           list is kept); the first step of removing it\n";

} // namespace

QString usageText(CommandLine::Program program)
{
    if (program == CommandLine::Program::Service)
        return QStringLiteral(
                   "Usage: kelvaned [option]\n"
                   "Dynamic DNS client with router port mapping, without a display. Without\n"
                   "options it logs in with the saved login (see --save-login) and keeps at it;\n"
                   "the event log goes to standard output (for the systemd user unit\n"
                   "kelvane.service).\n"
                   "\n"
                   "  -h, --help               show this text and exit\n"
                   "  -v, --version            show the version and exit\n"
                   "      --headless           the same as no option (kelvane's option, taken here\n"
                   "                           too)\n"
                   "      --for-desktop        for the desktop program kelvane that started it: no\n"
                   "                           saved login needed, the window gives it\n") +
               QLatin1String(commonOptions);
    return QStringLiteral("Usage: kelvane [option]\n"
                          "Dynamic DNS client with router port mapping. Without options it starts\n"
                          "in the notification area.\n"
                          "\n"
                          "  -h, --help               show this text and exit\n"
                          "  -v, --version            show the version and exit\n"
                          "      --headless           run without a display, as kelvaned does; the event\n"
                          "                           log goes to standard output\n"
                          "      --for-desktop        as --headless, for the desktop program that\n"
                          "                           started it: no saved login needed, the window\n"
                          "                           gives it\n"
                          "      --autostart on|off   start, or no longer start, at login\n") +
           QLatin1String(commonOptions);
}

QString versionText(CommandLine::Program program)
{
    return programName(program) + QStringLiteral(" 2.0");
}
