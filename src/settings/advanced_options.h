// The Advanced Options dialog: the seven fast-wind timing values.
#pragma once
#include <windows.h>

// Dialog procedure of template 4. OK reads each edit as a decimal number into
// its field of timingOptions (an edit without a number leaves its field);
// Cancel changes nothing; Restore Defaults only refills the edits.
INT_PTR CALLBACK AdvancedOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
