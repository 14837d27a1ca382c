// The legend of the six hot keys shown in the main window's status bar.
#pragma once
#include <array>
#include <cstddef>
#include <string>

#include "settings/hotkey_codes.h"

// Longest legend: the longest names, all three modifier words and
// nine-character key names: 23 characters and the name for each key.
inline constexpr std::size_t hotKeyLegendLimit = 161;

// One entry per hot key, in id order: name, ":", "Ctrl", "Alt", "Shft" for
// the flags the code has, the key's name, two blanks. keyNames are the names
// the system gives for each code's key; each is cut to 9 characters (and at
// an embedded NUL), as the system's call fills a 10-character buffer.
std::string HotKeyLegend(const std::array<HotKeyCode, hotKeyCount>& codes,
                         const std::array<std::string, hotKeyCount>& keyNames);
