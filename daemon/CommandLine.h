#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. Without options the program starts as it
// always has.
struct CommandLine
{
    // The executable: its texts name it, and only the desktop program has a
    // desktop to start at.
    enum class Program
    {
        Desktop, // kelvane
        Service, // kelvaned
    };
    enum class Action
    {
        Run,
        Help,
        Version,
        Autostart,
        SaveLogin,
        Status,
        RouterMappings,
        DeleteMappings,
        UsageError,
    };
    Program program = Program::Desktop;
    Action action = Action::Run;
    bool headless = false;
    // Started by the desktop program, which gives the login: none need be saved.
    bool forDesktop = false;
    bool autostartOn = false;
    bool statusJson = false; // --status --json
    QString domain; // of --save-login
    QString error;  // of a usage error
};

// `arguments` includes the executable first, as argv does; its file name
// tells the programs apart.
CommandLine parseCommandLine(const QStringList& arguments);
// The executable is the running file, whatever link or name started it.
CommandLine parseCommandLine(int argc, char** argv);

QString programName(CommandLine::Program program);
QString usageText(CommandLine::Program program);
QString versionText(CommandLine::Program program);
