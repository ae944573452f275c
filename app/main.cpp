#include "app/CommandActions.h"
#include "app/CommandLine.h"
#include "app/EngineRun.h"
#include "app/Program.h"
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
