#pragma once

#include "daemon/CommandLine.h"

#include <optional>

// Runs what the command line asks for short of a run of the engine (help,
// version, autostart, saving a login, the status, the router's mappings);
// their exit status, or nothing when the engine is to run.
std::optional<int> runCommandAction(const CommandLine& commandLine, int& argc, char** argv);
