// The three file dialog records: the media Open dialog and the options Open
// and Save dialogs. Each uses a path field of the player as its file buffer,
// so a dialog opens on the current path and the chosen path lands there.
#pragma once
#include <windows.h>
#include <commdlg.h>

OPENFILENAMEA& MediaOpenDialog();
OPENFILENAMEA& OptionsOpenDialog();
OPENFILENAMEA& OptionsSaveDialog();

// The media Open dialog's filter text (pairs of zero-terminated strings,
// ended by an empty one), filled at start-up.
extern char mediaFilter[800];
