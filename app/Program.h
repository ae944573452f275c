#pragma once

// Runs the windows until the program ends; its exit status. `headless`: no
// window is shown and the event log goes to standard output.
int runProgram(int& argc, char** argv, bool headless);
