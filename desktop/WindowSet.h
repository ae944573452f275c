#pragma once

#include "forms/DesktopNotices.h"
#include "forms/TForm1.h"
#include "forms/TForm111.h"
#include "forms/TForm2.h"

class EngineActions;
class EngineModel;

// The three windows that show the engine, created in this order, each
// completely (its creation handler included) before the next.
class WindowSet
{
public:
    WindowSet(const Platform& platform, AppShell& shell, EngineModel& model, EngineActions& actions);

    TForm1 Form1;
    TForm2 Form2;
    TForm111 Form111;
    DesktopNotices notices;

    // What the start of the message loop does: the program starts as a
    // notification-area icon, or without one with its primary window shown.
    // `showPrimary`: a first run, with no login saved yet, shows the window.
    void start(bool showPrimary = false);
    // Shows the primary window, raised, from wherever it was.
    void raisePrimary();

private:
    AppShell& m_shell;
};
