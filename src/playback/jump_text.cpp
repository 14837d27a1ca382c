#include "playback/jump_text.h"

#include <cstdio>

namespace {

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One "%d" conversion starting at text[pos]: skips white space, takes an
// optional sign and at least one digit. On success stores the value
// (saturated to the int32 range), moves pos past the number and returns true.
// On failure leaves value alone and returns false.
bool ScanInt(std::string_view text, std::size_t& pos, std::int32_t& value) {
  std::size_t i = pos;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t digitsStart = i;
  std::int64_t magnitude = 0;
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT32_MAX) + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (i == digitsStart) return false;
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  value = static_cast<std::int32_t>(signedValue > INT32_MAX ? INT32_MAX : signedValue);
  pos = i;
  return true;
}

}  // namespace

std::string JumpInitialText(std::int32_t ms) {
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>(ms / 60000),
                              static_cast<int>((ms / 1000) % 60));
  return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::int32_t ReadJumpText(std::string_view text) {
  constexpr std::size_t kMaxChars = 39;
  text = text.substr(0, kMaxChars);

  std::int32_t minutes = -1;
  std::int32_t seconds = 0;
  std::size_t pos = 0;
  if (ScanInt(text, pos, minutes) && pos < text.size() && text[pos] == ':') {
    ++pos;
    ScanInt(text, pos, seconds);
  }
  if (minutes == -1) return -1;

  const std::int64_t ms = static_cast<std::int64_t>(minutes) * 60000 + static_cast<std::int64_t>(seconds) * 1000;
  if (ms > INT32_MAX) return INT32_MAX;
  if (ms < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(ms);
}
