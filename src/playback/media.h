// Opening and closing the media file (or CD track) on its MCI device, and the
// File-open and No-file states of the main window.
#pragma once
#include <windows.h>

// Opens the media file at path, or with none the file the user picks in the
// media Open dialog. The file that was open is closed first.
void OpenMediaFile(HWND window, const char* path);

// Closes the open device, saves the bookmarks of the media file at path and
// puts the window into its No-file state.
void CloseMediaFile(HWND window, const char* path);
