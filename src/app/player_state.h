// The one process-wide record of the open media file and the transport, and
// the handles set once at start-up. Every field is zero or empty at start.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

struct PlayerState {
  BOOL isOpen;                 // a media file is open on a device
  std::uint32_t deviceId;      // MCI device of the open file, 0 when none
  std::int32_t mediaLength;    // ms; for a CD track, of the whole disc
  BOOL isPaused;               // mirrored by the checked Pause button
  BOOL isWalking;              // walk mode (also while paused)
  std::int32_t walkLoop;       // repetition index of the current chunk, from 0
  std::int32_t seekCount;      // seeks in the current fast-wind burst
  std::int32_t seekDelayLeft;  // poll ticks left before the burst ends
  UINT_PTR pollTimer;          // 50 ms poll timer, 0 when not running
  UINT_PTR walkTimer;          // one-shot walk-pause timer, 0 when none
  std::int32_t bookmarkCount;  // bookmarks in the Bookmark menu
  // Paths are UTF-8 of any length the system allows (260 UTF-16 characters
  // can take about 780 bytes), so they are held as strings, not in buffers.
  std::string mediaPath;       // current media file; File option
  std::string openMediaPath;   // path of the file open on the device, whose bookmarks a close saves
  std::string optionsPath;     // current options file
  std::string programDir;      // directory of the program, no trailing backslash
  char appTitle[50];           // string 1, "Dorvane"
  std::uint16_t lastMenuItem;  // command id of the menu item last highlighted
};

extern PlayerState player;
extern HINSTANCE appInstance;
extern HWND mainWindow;

// Puts every field back to its start-up value (zero), keeping nothing.
void ResetPlayerState();
