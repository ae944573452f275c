#pragma once

#include "engine/Engine.h"
#include "desktop/WindowSet.h"

// The engine and the windows that show it, as the program makes them.
struct ProgramWindows
{
    ProgramWindows(const Platform& platform, AppShell& shell)
        : all(platform, shell.title), windows(platform, shell, all.loginsView, all.keeperView)
    {
    }

    void start() { windows.start(); }

    Engine all;
    WindowSet windows;
    LoginEngine& engine = all.logins;
    ClientState& state = all.state;
    TForm1& Form1 = windows.Form1;
    TForm111& Form111 = windows.Form111;
};
