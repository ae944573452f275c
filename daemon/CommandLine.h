#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. Without options the program starts as it
// always has.
struct CommandLine
{
    enum class Action
    {
        Run,
        Help,
        Version,
        Autostart,
        SaveLogin,
        Status,
        RouterMappings,
        UsageError,
    };
    Action action = Action::Run;
    bool headless = false;
    // Started by the desktop program, which gives the login: none need be saved.
    bool forDesktop = false;
    bool autostartOn = false;
    QString domain; // of --save-login
    QString error;  // of a usage error
};

// `arguments` includes the program name first, as argv does.
CommandLine parseCommandLine(const QStringList& arguments);
CommandLine parseCommandLine(int argc, char** argv);

QString usageText();
QString versionText();
