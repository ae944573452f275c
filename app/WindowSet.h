#pragma once

#include "forms/TForm1.h"
#include "forms/TForm111.h"
#include "forms/TForm2.h"
#include "portmap/MappingKeeper.h"
#include "registration/Session.h"

#include <QDir>

// The three windows, created in this order, each completely (its creation
// handler included) before the next, the session they share and the mapping
// keeper the port mapping window shows.
class WindowSet
{
public:
    // `mappingFolder` holds the port mappings' files.
    WindowSet(const Platform& platform, AppShell& shell, const QString& mappingFolder = QDir::currentPath());

    Session session; // first: the windows and the keeper hold it
    MappingKeeper mappingKeeper;
    TForm1 Form1;
    TForm2 Form2;
    TForm111 Form111;

    // What the start of the message loop does: the primary window, created
    // minimised, runs the minimise handler in force, so the program starts as
    // a notification-area icon (or minimised in the task bar without one).
    void start();

private:
    AppShell& m_shell;
};
