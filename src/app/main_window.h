// The main window's controls: initialisation, the walk value accessors,
// tooltips and status-bar text.
#pragma once
#include <windows.h>

#include <cstdint>

// Runs the whole initialisation of the main window (WM_INITDIALOG); the text
// is the media path named on the command line, possibly empty.
void InitMainWindow(HWND window, const char* commandLine);

// The six status-bar parts, their edges scaled to the DPI (at start-up the
// window's, on WM_DPICHANGED the new one).
void SetStatusParts(HWND window, unsigned dpi);
// The window moved to a screen of another scale: the toolbar is made again
// with the images of that scale (each button keeps its state), and the
// status-bar edges follow.
void RescaleWindowParts(HWND window, unsigned dpi);

int GetLoopCount(HWND window);
std::int32_t GetBackspaceMs(HWND window);
std::int32_t GetWalkLengthMs(HWND window);  // never below GetBackspaceMs
std::int32_t GetWalkPauseMs(HWND window);
std::int32_t GetUnpauseRewindMs(HWND window);
void SetBackspaceMs(HWND window, std::int32_t ms);
void SetWalkLengthMs(HWND window, std::int32_t ms);
void SetWalkPauseMs(HWND window, std::int32_t ms);
void SetUnpauseRewindMs(HWND window, std::int32_t ms);

// Answers the toolbar's request for a button's tooltip; false when the id
// has no tooltip.
bool SupplyToolbarTooltip(NMHDR* header);

// Status bar parts, toolbar buttons and menu items used across the program.
enum StatusPart { kStatusLength = 0, kStatusPosition, kStatusMode, kStatusPaused, kStatusCounter, kStatusHotKeys };
void SetStatusText(HWND window, int part, const char* text);
void SetToolbarButtonChecked(HWND window, int command, bool checked);
void SetToolbarButtonEnabled(HWND window, int command, bool enabled);
bool IsToolbarButtonPressed(HWND window, int command);
