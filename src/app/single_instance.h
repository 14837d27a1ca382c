// One Dorvane at a time for each user. Two copies would fight over the five
// system-wide hot keys and overwrite each other's options, so a second start
// hands its command line to the copy already running and ends.
#pragma once
#include <windows.h>

// Posted by the running copy to itself to open a handed-over file, and the
// timer that tries again while one of its boxes or dialogs is open.
inline constexpr UINT kHandOverMessage = WM_APP + 0x800;
inline constexpr UINT_PTR kHandOverTimer = 1800;

// Start-up, before anything else is done: true when this process is the one
// copy that runs (it then holds a per-user named mutex for its lifetime);
// false when another copy runs and has taken the command-line text, and this
// one must end with code 0 without registering hot keys or touching a file.
bool ClaimSingleInstance(const char* commandLine, int waitMs = 10000);

// Marks the window as the main window a second start looks for, and takes
// the mark off again when the window goes.
void MarkMainWindow(HWND window);
void UnmarkMainWindow(HWND window);

// WM_COPYDATA in the running copy: keeps the handed-over command-line text
// and posts kHandOverMessage. TRUE when the data was a hand-over.
BOOL OnHandOver(HWND window, const COPYDATASTRUCT* data);

// kHandOverMessage and kHandOverTimer: once no box or dialog of the window is
// open, brings the window to the front and opens the handed-over file as the
// File, Open command would.
void OpenHandedOverFile(HWND window);

// The text a second start sends: exposed for the tests, which play the
// second start themselves.
COPYDATASTRUCT HandOverData(const char* commandLineWithTerminator, DWORD size);
