// kelvaned: the engine without a screen, for the systemd user unit. It takes
// the options of kelvane; it always runs as kelvane --headless does.

#include "daemon/CommandActions.h"
#include "daemon/CommandLine.h"
#include "daemon/EngineRun.h"

int main(int argc, char* argv[])
{
    const CommandLine commandLine = parseCommandLine(argc, argv);
    if (const auto status = runCommandAction(commandLine, argc, argv))
        return *status;
    return runService(argc, argv, commandLine.forDesktop);
}
