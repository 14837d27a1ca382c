// The seven values that tune fast winding by hot key and by toolbar button,
// and the reader of their decimal text shared by the options file and the
// Advanced Options dialog.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

struct TimingOptions {
  std::int32_t HotKeySpeedupDelay;     // seeks before hot-key steps grow
  std::int32_t HotKeySlowRepeatSpeed;  // ms per hot-key step before that
  std::int32_t HotKeyFastRepeatSpeed;  // ms per hot-key step after that
  std::int32_t HotKeySeekDelay;        // 50 ms poll ticks before a burst ends
  std::int32_t ButtonSpeedupDelay;     // seeks (one per tick) before button steps grow
  std::int32_t ButtonSlowRepeatSpeed;  // ms per tick before that
  std::int32_t ButtonFastRepeatSpeed;  // ms per tick after that

  friend bool operator==(const TimingOptions&, const TimingOptions&) = default;
};

inline constexpr TimingOptions defaultTimingOptions{30, 340, 850, 5, 38, 212, 530};

// Reads a decimal integer the way scanf "%d" does: leading white space, an
// optional sign, then digits; whatever follows the digits is ignored. Gives
// no value when no digit can be read, so the caller keeps the field as it
// was. Numbers beyond the 32-bit range saturate at INT32_MIN / INT32_MAX
// instead of overflowing.
std::optional<std::int32_t> ReadTimingValue(std::string_view text);
