// Start-up of the main window's controls: their initialisation, the
// status-bar edges and toolbar images at each scale, and the tooltips.
// The accessors that the subsystems call are in app/window_parts.h.
#pragma once
#include <windows.h>

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

// Answers the toolbar's request for a button's tooltip; false when the id
// has no tooltip.
bool SupplyToolbarTooltip(NMHDR* header);
