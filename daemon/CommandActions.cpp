#include "daemon/CommandActions.h"

#include "daemon/Autostart.h"
#include "daemon/RouterMappings.h"
#include "daemon/SaveLogin.h"
#include "daemon/StatusFile.h"
#include "platform/Console.h"

#include <QCoreApplication>

std::optional<int> runCommandAction(const CommandLine& commandLine, int& argc, char** argv)
{
    switch (commandLine.action) {
    case CommandLine::Action::Help:
        printLine(usageText(commandLine.program));
        return 0;
    case CommandLine::Action::Version:
        printLine(versionText(commandLine.program));
        return 0;
    case CommandLine::Action::UsageError:
        printErrorLine(commandLine.error + u'\n' + usageText(commandLine.program));
        return 2;
    case CommandLine::Action::Autostart:
        return setAutostart(commandLine.autostartOn);
    case CommandLine::Action::SaveLogin: {
        const QCoreApplication application(argc, argv);
        return saveLogin(commandLine.domain);
    }
    case CommandLine::Action::Status: {
        const QCoreApplication application(argc, argv);
        return printStatus(commandLine.statusJson);
    }
    case CommandLine::Action::RouterMappings: {
        const QCoreApplication application(argc, argv);
        return printRouterMappings();
    }
    case CommandLine::Action::DeleteMappings: {
        const QCoreApplication application(argc, argv);
        return deleteStoredMappings();
    }
    case CommandLine::Action::Run:
        break;
    }
    return std::nullopt;
}
