#include "daemon/CommandActions.h"
#include "daemon/CommandLine.h"
#include "daemon/EngineRun.h"
#include "desktop/Program.h"
#include "ui/WebPaneStartup.h"

int main(int argc, char* argv[])
{
    const CommandLine commandLine = parseCommandLine(argc, argv);
    if (const auto status = runCommandAction(commandLine, argc, argv))
        return *status;
    if (commandLine.headless)
        return runService(argc, argv, commandLine.forDesktop);
    prepareWebPanes();
    return runProgram(argc, argv);
}
