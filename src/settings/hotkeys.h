// The six global hot keys: registration with the system (falling back to
// each key's default), their legend in the status bar, and the Change
// HotKeys dialog.
#pragma once
#include <windows.h>

// Registers the six codes of hotKeyCodes for the window, ids 0 to 5. A code
// of 0, or one the system refuses, is replaced by its default (with a warning
// for a refused one). Then shows the legend of the six keys in the status bar.
void RegisterHotKeys(HWND window);

// Shows the legend of the six keys in the status bar's last part, after the
// mark of the sound settings while any of them is on ("boost +6 dB | ...").
void ShowHotKeyLegend(HWND window);

// Unregisters ids 0 to 5 of the window; results are ignored.
void UnregisterHotKeys(HWND window);

// Dialog procedure of the Change HotKeys dialog (template 2): shows the six
// codes, stores the controls' codes on OK, changes nothing on Cancel.
INT_PTR CALLBACK HotKeysDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
