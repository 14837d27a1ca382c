// The three file dialog records: the media Open dialog and the options Open
// and Save dialogs, each shown through RunFileDialog on a path of the player.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <string>

#include "filesel/media_filter.h"

OPENFILENAMEA& MediaOpenDialog();
OPENFILENAMEA& OptionsOpenDialog();
OPENFILENAMEA& OptionsSaveDialog();

// The media Open dialog's filter text (pairs of zero-terminated strings,
// ended by an empty one), filled at start-up: 800 bytes for the system's
// types, and room for "All media files" after them.
extern char mediaFilter[kMediaFilterBufferSize];

inline constexpr std::size_t kFileDialogBufferBytes = 32 * 1024;
enum class FileDialogKind { kOpen, kSave };

// Shows the dialog opening on path. When the user chooses a file, path
// becomes it and the result is true; on cancel or any failure (even a name
// too long for the dialog) path stays exactly as it was.
bool RunFileDialog(OPENFILENAMEA& record, HWND owner, std::string& path, FileDialogKind kind);
