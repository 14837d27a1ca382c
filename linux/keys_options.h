// The hot-key codes dorvane-keys grabs: those of the options file Dorvane
// reads, taken the way Dorvane takes them.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "settings/hotkey_codes.h"

using HotKeyCodes = std::array<HotKeyCode, hotKeyCount>;

// The six codes an options text gives: each HK line read as Dorvane reads it,
// a missing key or a code of 0 giving that key's default (as Dorvane's
// registration does).
HotKeyCodes HotKeyCodesFromOptions(std::string_view text);

// The first bytes of a file that Dorvane reads of an options file; nothing
// when the file cannot be read (missing, a folder, no permission).
std::optional<std::string> ReadOptionsFileHead(const std::string& path);

// The Windows program a Wine process runs, from the text of its
// /proc/PID/maps: the first mapped file whose name ends in ".exe" (any case).
// Dorvane's default options file is the default.usr beside it.
std::optional<std::string> ExecutableFromMaps(std::string_view maps);
