#include "stamp/timestamp_text.h"

#include <cstdio>

std::string FormatTimestamp(std::int32_t ms, int format) {
  if (ms < 0) ms = 0;
  if (format < 0 || format >= timestampFormatCount) format = defaultTimestampFormat;
  const std::int32_t tenths = ms / 100 % 10;
  const std::int32_t seconds = ms / 1000 % 60;
  const std::int32_t minutes = ms / 60000 % 60;
  const std::int32_t hours = ms / 3600000;  // at most 596 for 2^31-1 ms

  char text[32];
  switch (format) {
    case timestampTenths:
      std::snprintf(text, sizeof text, "[%d:%02d:%02d.%d] ", hours, minutes, seconds, tenths);
      break;
    case timestampPound:
      std::snprintf(text, sizeof text, "#%02d:%02d:%02d-%d# ", hours, minutes, seconds, tenths);
      break;
    case timestampBare:
      std::snprintf(text, sizeof text, "%d:%02d:%02d ", hours, minutes, seconds);
      break;
    default:
      std::snprintf(text, sizeof text, "[%d:%02d:%02d] ", hours, minutes, seconds);
      break;
  }
  return text;
}
