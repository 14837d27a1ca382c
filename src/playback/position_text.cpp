#include "playback/position_text.h"

#include <cstdio>

std::string FormatPosition(std::int32_t ms) {
  // Each part is computed separately so that INT32_MIN never overflows:
  // the quotients and remainders all fit comfortably in an int.
  const int minutes = ms / 60000;
  const int seconds = (ms / 1000) % 60;
  const int millis = ms % 1000;
  char text[40];
  const int n = std::snprintf(text, sizeof text, "%2d:%02d.%03d", minutes, seconds, millis);
  return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}
