#pragma once

#include "desktop/WindowSet.h"
#include "engine/Engine.h"
#include "fakes/ServedModel.h"

// The engine and the windows that show it, as the program makes them.
struct ProgramWindows
{
    ProgramWindows(const Platform& platform, AppShell& shell)
        : all(platform, shell.title), served(all, platform), windows(platform, shell, served.model, served.actions)
    {
    }

    void start() { windows.start(); }

    Engine all;
    ServedModel served;
    WindowSet windows;
    LoginEngine& engine = all.logins;
    ClientState& state = all.state;
    TForm1& Form1 = windows.Form1;
    TForm111& Form111 = windows.Form111;
};
