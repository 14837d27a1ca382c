// Process-wide settings tables: the fast-wind timing values in force and the
// five hot-key codes.
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

// Puts both tables back to their start-up values.
void ResetSettingsState();
