// Libraries loaded at run time come from the system folder only, never from
// the program's folder or the current one, where a planted copy would run
// inside Dorvane.
#pragma once
#include <windows.h>

// Makes the system folder the only place the loader searches for the
// libraries loaded after this (delay-loaded ones included), where the system
// can be told so (Windows 8, and 7 with its update); call first thing.
void LimitLibrarySearchToSystem();

// Loads a library of the system folder by its file name; null when it is not there.
HMODULE LoadSystemLibrary(const char* name);
