// Input that waits while a box or dialog of the main window is open: a
// hot key or a pedal acted on then would run inside the command that showed
// the box (its modal loop), and could open or play something under it. They
// are kept and carried out, in order, once the window is enabled again.
#pragma once
#include <windows.h>

#include <vector>

// The timer that looks again whether the window is free.
inline constexpr UINT_PTR kHeldInputTimer = 1801;

// True (and the retry timer set) when the window is disabled by a box or
// dialog of its own, so the input must wait.
bool HoldInputWhileBoxOpen(HWND window);

// As HoldInputWhileBoxOpen, keeping the hot key to be handed back later. A
// repeat of the key kept last is not kept twice.
bool HoldHotKeyWhileBoxOpen(HWND window, int id);

// Once the window is enabled: stops the timer and gives the hot keys kept,
// in the order they came. Empty (and the timer left running) while the
// window is still disabled.
bool TakeHeldInput(HWND window, std::vector<int>& hotKeys);
