// Under Wine, the timestamp Dorvane types reaches only Wine's own windows; a
// native word processor on the same desktop gets nothing. So under Wine the
// text typed is also left in "Dorvane.stamp" beside Dorvane.exe, where the
// native key companion (linux/dorvane-keys) reads it and types it into the
// native program that has the keyboard. On Windows this does nothing.
#pragma once
#include <string_view>

void RelayTimestamp(std::string_view text);
