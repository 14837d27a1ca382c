// The portable half of dorvane-keys: which X key and modifiers stand for a
// hot-key code of Dorvane (the Windows hot-key control's word: virtual key in
// the low byte, Shift/Ctrl/Alt/extended flags in the high byte), the grabs
// that make a key work whatever the state of Num Lock and Caps Lock, which
// hot key a key press is, and the one-shot commands' names.
// No Xlib calls: only X's keysym and mask values.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "settings/hotkey_codes.h"

// An X key: its keysym and the modifier mask (ShiftMask, ControlMask, Mod1Mask).
struct XKeyCombo {
  std::uint32_t keysym = 0;
  unsigned modifiers = 0;
  friend bool operator==(const XKeyCombo&, const XKeyCombo&) = default;
};

// The X key of a code, or nothing for a virtual key that has no X keysym
// here. A navigation key without the extended flag is the numeric keypad's
// (as the hot-key control records it), with the flag the separate one.
std::optional<XKeyCombo> XKeyForHotKey(HotKeyCode code);

// The four modifier masks to grab a key with: as given, with Caps Lock, with
// Num Lock, with both. A Num Lock mask of 0 (no Num Lock key) gives the
// masks without it twice; grabbing the same mask twice is harmless.
std::array<unsigned, 4> GrabMasks(unsigned modifiers, unsigned numLockMask);

// A key as the X server numbers it, with its modifiers (0 keycode: none).
struct GrabbedKey {
  unsigned keycode = 0;
  unsigned modifiers = 0;
};

// The hot key a key press is: the one whose keycode matches and whose
// modifiers equal the event's Shift, Ctrl and Alt (Lock and Num Lock are
// ignored). The first in id order when two are the same key.
std::optional<int> HotKeyForPress(const std::array<GrabbedKey, hotKeyCount>& keys, unsigned keycode,
                                  unsigned state);

// The one-shot commands, by hot-key id: play pause walk rewind forward stamp.
inline constexpr std::array<std::string_view, hotKeyCount> hotKeyCommands{"play",   "pause",   "walk",
                                                                         "rewind", "forward", "stamp"};
std::optional<int> HotKeyForCommand(std::string_view command);
