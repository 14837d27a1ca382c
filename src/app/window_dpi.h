// The DPI a window is shown at, on every Windows from 7 on.
#pragma once
#include <windows.h>

// GetDpiForWindow where the system has it (Windows 10 1607 and later, loaded
// at run time so Dorvane.exe imports nothing new); otherwise the screen's
// LOGPIXELSX.
unsigned WindowDpi(HWND window);
