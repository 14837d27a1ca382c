// The help calls of Dorvane. Each engine is reached through one pointer, so
// tests record the calls instead of starting a help viewer.
#pragma once
#include <windows.h>

// WinHelpA, used when dorvane.hlp sits in the program directory.
using WinHelpFn = BOOL(WINAPI*)(HWND, LPCSTR, UINT, ULONG_PTR);
extern WinHelpFn winHelpHook;

// HtmlHelpA, used on dorvane.chm otherwise. The default loads hhctrl.ocx at
// the first call (Dorvane.exe does not import it) and releases it on
// HH_CLOSE_ALL.
using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
extern HtmlHelpFn htmlHelpHook;
HWND WINAPI HtmlHelpFromLibrary(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

// Sends one WinHelp command (HELP_CONTEXT, HELP_CONTENTS or HELP_QUIT) to the
// engine the program directory holds a file for. With neither file, a help
// request shows which file is missing; a quit does nothing.
void CallHelp(HWND window, UINT command, ULONG_PTR data);
