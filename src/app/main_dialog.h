// The main window's dialog procedure and the seams tests replace.
#pragma once
#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The help calls and their seams (winHelpHook, htmlHelpHook).
#include "help/help.h"

// The text of the About box.
extern const char* const aboutText;
