// The main window's dialog procedure and the seams tests replace.
#pragma once
#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Every help call goes through this pointer; it is WinHelpA unless a test
// records the calls instead.
using WinHelpFn = BOOL(WINAPI*)(HWND, LPCSTR, UINT, ULONG_PTR);
extern WinHelpFn winHelpHook;

// The text of the About box.
extern const char* const aboutText;
