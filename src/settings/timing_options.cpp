#include "settings/timing_options.h"

#include <cstdint>

std::optional<std::int32_t> ReadTimingValue(std::string_view text) {
  std::size_t i = 0;
  // White space as isspace() knows it in the C locale.
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;

  // Accumulate the magnitude, capped just above what any int32 can hold, so
  // an arbitrarily long digit string never overflows.
  constexpr std::int64_t cap = std::int64_t{INT32_MAX} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (magnitude < cap) magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > cap) magnitude = cap;
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);  // cap == -INT32_MIN
  return static_cast<std::int32_t>(magnitude < cap ? magnitude : INT32_MAX);
}
