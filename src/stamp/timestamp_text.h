// The text a timestamp hot key types: the current position in one of four
// formats, each followed by one blank.
#pragma once
#include <array>
#include <cstdint>
#include <string>

// The formats, as the options file numbers them (StampFormat).
enum TimestampFormat : int {
  timestampBracketed = 0,  // [0:01:23]
  timestampTenths = 1,     // [0:01:23.4]
  timestampPound = 2,      // #00:01:23-4#
  timestampBare = 3,       // 0:01:23
};
inline constexpr int timestampFormatCount = 4;
inline constexpr int defaultTimestampFormat = timestampBracketed;

// The position in ms as hours, minutes and seconds, with tenths where the
// format has them, and one blank after it. Hours are always shown (at least
// two digits in the pound format); tenths are cut, not rounded. A negative
// position (which no device reports) counts as 0, and a format out of range
// as the default, so any input gives a sensible text.
std::string FormatTimestamp(std::int32_t ms, int format);
