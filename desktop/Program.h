#pragma once

// Runs the windows until the program ends; its exit status.
int runProgram(int& argc, char** argv);
