// The main window's parts that every subsystem shows things in: the status
// bar's texts, the toolbar's buttons, and the walk sliders and loop count.
// A leaf: it knows the controls by their resource ids and nothing of the
// subsystems that call it, so they include this and never the start-up code.
#pragma once
#include <windows.h>

#include <cstdint>

// The six status-bar parts.
enum StatusPart { kStatusLength = 0, kStatusPosition, kStatusMode, kStatusPaused, kStatusCounter, kStatusHotKeys };

// Sets a part's text. The position part is painted by a small window of its
// own (see MakePositionDisplay), so that a new position repaints that text
// and not the whole themed bar; its text is set in the bar as well, where
// SB_GETTEXT and a screen reader read it.
void SetStatusText(HWND window, int part, const char* text);
void SetToolbarButtonChecked(HWND window, int command, bool checked);
void SetToolbarButtonEnabled(HWND window, int command, bool enabled);
bool IsToolbarButtonPressed(HWND window, int command);

// Puts the position part's own window over that part's inside (its frame is
// left to the bar); it follows the part when the bar's parts or size change.
void MakePositionDisplay(HWND window);

int GetLoopCount(HWND window);
std::int32_t GetBackspaceMs(HWND window);
std::int32_t GetWalkLengthMs(HWND window);  // never below GetBackspaceMs
std::int32_t GetWalkPauseMs(HWND window);
std::int32_t GetUnpauseRewindMs(HWND window);
void SetBackspaceMs(HWND window, std::int32_t ms);
void SetWalkLengthMs(HWND window, std::int32_t ms);
void SetWalkPauseMs(HWND window, std::int32_t ms);
void SetUnpauseRewindMs(HWND window, std::int32_t ms);
