// The Sound dialog (Options, Sound...): volume boost, the speech leveller,
// the channel choice, the rumble and hum high-pass and the steady-noise
// suppressor of Dorvane's own audio device.
#pragma once
#include <windows.h>

// Dialog procedure of template 5, its parent the main window. Every change
// of a control acts at once on what plays (and on the status bar's mark); OK
// keeps the settings, Cancel restores those in force when the dialog opened.
// While the open file plays on the system's MCI devices the controls are
// greyed, with one line saying why.
INT_PTR CALLBACK SoundOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
