// Opening and closing the media file (or CD track) on its MCI device, and the
// File-open and No-file states of the main window.
#pragma once
#include <windows.h>

#include <cstdint>

// Opens the media file at path, or with none the file the user picks in the
// media Open dialog. The file that was open is closed first.
void OpenMediaFile(HWND window, const char* path);

// Closes the open device, saves the bookmarks of the media file at path and
// puts the window into its No-file state.
void CloseMediaFile(HWND window, const char* path);

// Asks the device for the length again and, when it changed, shows it: the
// length in the status bar and the position slider's range. Called where a
// length may have changed: the end of a play, a seek past the known end.
void FollowMediaLength(HWND window);

// On every poll tick, with the position just read: about once a second asks
// for the length again, but only while the device says it is still
// measuring its media or the position has passed the known length.
void OnLengthTick(HWND window, std::int32_t position);
