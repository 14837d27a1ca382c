// The "Timestamp format" drop-down list of the Advanced Options dialog.
#pragma once
#include <windows.h>

// Fills the list with one sample timestamp per format, in format order, and
// selects the given format.
void ShowTimestampFormats(HWND dialog, int format);

// Selects the given format in the filled list (Restore Defaults).
void SelectTimestampFormat(HWND dialog, int format);

// The format selected in the list; the default when none is.
int SelectedTimestampFormat(HWND dialog);
