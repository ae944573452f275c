#pragma once

#include "portmap/MappingKeeper.h"
#include "registration/ClientState.h"
#include "registration/LoginEngine.h"

#include <QDir>

// Everything that works without a window: the state the program shares, the
// logins and their checks, and the port mappings. The windows show it; a run
// without a screen is this alone.
class Engine
{
public:
    // `mappingFolder` holds the port mappings' files.
    Engine(const Platform& platform, const QString& caption, const QString& mappingFolder = QDir::currentPath());
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    ClientState state; // first: everything else holds it
    LoginEngine logins;
    MappingKeeper mappingKeeper;
};
