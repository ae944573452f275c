// kelvaned: the engine without a screen, for the systemd user unit. It runs
// as kelvane --headless does and takes kelvane's options but --autostart.

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
