// Walk mode: the media played in repeated chunks with pauses between them.
#pragma once
#include <windows.h>

void StartWalk(HWND window, bool report);
void NextWalkStep(HWND window);

// MM_MCINOTIFY: the end of the media pauses the transport, the end of a walk
// chunk starts the walk pause, a play that failed on its way (the sound card
// went away) is reported and pauses. device: the notifying device (lParam).
// Returns whether the notification was acted on.
BOOL OnMciNotify(HWND window, WPARAM code, LPARAM device);

// Cancels a pending walk pause.
void CancelWalkPause(HWND window);
