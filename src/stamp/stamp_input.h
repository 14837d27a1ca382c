// The Stamp hot key's action: the current position typed, as a timestamp,
// into whatever window has the keyboard focus (usually the word processor).
#pragma once
#include <windows.h>

// The system calls the typing goes through; tests put recorders behind them.
using SendInputFn = UINT(WINAPI*)(UINT, LPINPUT, int);
using GetAsyncKeyStateFn = SHORT(WINAPI*)(int);
using ForegroundElevatedFn = bool (*)();
extern SendInputFn sendInputHook;
extern GetAsyncKeyStateFn asyncKeyStateHook;
// Whether the program that has the keyboard runs with more rights than
// Dorvane (as administrator), so that the system drops what Dorvane types.
extern ForegroundElevatedFn foregroundElevatedHook;
bool IsForegroundElevated();

// With a media file open: reads the position silently, formats it in the
// chosen timestamp format and types it with one SendInput call. The hot key's
// modifiers that are still held are released first, so the text arrives as
// plain characters (an unassigned key is tapped before a held Alt is
// released, so that the program's menu does not open); then each character
// is one Unicode key-down and key-up, whatever the keyboard layout; then the
// modifiers released are pressed again, so that the keyboard is left as the
// typist holds it (Ctrl+S straight after a stamp still saves). The transport
// is not touched. With no file open nothing is typed; when the program that
// has the keyboard runs as administrator, the status bar says that nothing
// can be typed into it.
void TypeTimestamp();
