// The Advanced Options dialog: the seven fast-wind timing values and the
// timestamp format.
#pragma once
#include <windows.h>

// Dialog procedure of template 4. OK reads each edit as a decimal number into
// its field of timingOptions (an edit without a number leaves its field) and
// the chosen timestamp format; Cancel changes nothing; Restore Defaults only
// refills the controls.
INT_PTR CALLBACK AdvancedOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
