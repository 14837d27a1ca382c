// The transport: play, pause and resume, seek, the poll tick with held fast
// wind and the end of fast-wind bursts, the hot-key actions, the sliders and
// the Jump dialog.
#pragma once
#include <windows.h>

#include <cstdint>

void StartPlay(HWND window, bool report);
void TogglePause(HWND window);
void SeekTo(std::int64_t ms);
void RefreshPosition(HWND window);

// Drops the control handles and the position text the poll tick keeps; every
// close calls it, so a new window (which may reuse an old handle value) is
// looked up afresh and the next tick sets the position text again.
void ForgetPollControls();

// mediaLength - margin, computed wide: a device may report any 32-bit length,
// and the end-of-media checks must not wrap around.
std::int64_t EndThreshold(std::int32_t margin);

// The 50 ms poll tick: held Rewind and Fast Forward buttons, the end of a
// fast-wind burst, the position display.
void OnPollTick(HWND window);

// One transport hot-key action by id 0..4, followed by the drain of queued hot
// keys and the re-armed burst delay.
void OnTransportHotKey(HWND window, int id);

// Takes the hot keys that queued up while the one with handledId was acted
// on: its repeats are dropped, every other key is handled in order.
void DrainQueuedHotKeys(HWND window, int handledId);

// Slider movements: the position slider seeks, the speed slider sets the speed.
void OnPositionSlider(HWND window);
void OnSpeedSlider(HWND window);

// Command 11852: the Jump dialog, then a seek to the position typed.
void JumpToLocation(HWND window);
INT_PTR CALLBACK JumpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
