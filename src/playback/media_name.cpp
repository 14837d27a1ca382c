#include "playback/media_name.h"

#include <climits>
#include <cstdint>

std::string_view MediaBaseName(std::string_view path) {
  const auto slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// atoi without its undefined overflow: leading white space, an optional sign,
// then digits up to the first other character; saturates at the int range.
int SaturatingAtoi(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<std::int64_t>(INT_MAX) + 1) value = static_cast<std::int64_t>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

}  // namespace

CdTrack DetectCdTrack(std::string_view path) {
  const std::string_view base = MediaBaseName(path);
  if (base.size() != 11 || !EqualsIgnoringCase(base.substr(0, 5), "Track") ||
      !EqualsIgnoringCase(base.substr(7), ".CDA"))
    return {};
  CdTrack result;
  result.isTrack = true;
  result.drive = std::string(path.substr(0, 2));
  result.track = SaturatingAtoi(base.substr(5));
  return result;
}
