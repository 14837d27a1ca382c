// Process-wide settings tables: the fast-wind timing values in force, the
// six hot-key codes and the timestamp format.
#pragma once
#include <array>
#include <cstdint>

#include "settings/hotkey_codes.h"
#include "settings/timing_options.h"

extern TimingOptions timingOptions;

// The current hot-key codes, indexed by hot-key id. All 0 at start: the
// start-up options load sets them and the first registration replaces any
// that are still 0 by their defaults.
extern std::array<HotKeyCode, hotKeyCount> hotKeyCodes;

// The current options file exists but could not be read: it holds the
// user's settings unread, so no automatic save (exit, end of the session,
// leaving it for another file) may write over it. An explicit save clears it.
extern bool optionsFileUnread;

// The format the Stamp hot key types (TimestampFormat, 0 to 3).
extern std::int32_t stampFormat;

// The middle foot pedal's mode, option PedalMode: 0 hold to play, 1 press to toggle.
extern std::int32_t pedalMode;

// Whether USB foot pedals are read directly (option Pedals, on by default).
extern bool readPedals;

// Puts the tables back to their start-up values.
void ResetSettingsState();
