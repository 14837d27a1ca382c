// Process start-up and the message loop.
#pragma once
#include <windows.h>

// Sets appInstance, programDir and appTitle, creates the main window with the
// command-line text, shows it and runs the message loop. Returns the exit code.
int RunDorvane(HINSTANCE instance, const char* commandLine, int showCommand);

// Sets appInstance, programDir and appTitle (start-up steps 1 to 4).
void InitProcessValues(HINSTANCE instance);
