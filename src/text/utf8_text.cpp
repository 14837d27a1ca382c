#include "text/utf8_text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

bool InRange(unsigned char c, unsigned char lo, unsigned char hi) { return c >= lo && c <= hi; }

// The length of the well-formed sequence that starts at `at`, or 0 when the
// bytes there start none (Unicode's table of well-formed byte sequences).
std::size_t SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char secondLo = 0x80, secondHi = 0xBF;
  if (InRange(lead, 0xC2, 0xDF)) {
    length = 2;
  } else if (InRange(lead, 0xE0, 0xEF)) {
    length = 3;
    if (lead == 0xE0) secondLo = 0xA0;  // shorter forms are overlong
    if (lead == 0xED) secondHi = 0x9F;  // D800..DFFF are surrogates
  } else if (InRange(lead, 0xF0, 0xF4)) {
    length = 4;
    if (lead == 0xF0) secondLo = 0x90;  // overlong
    if (lead == 0xF4) secondHi = 0x8F;  // beyond U+10FFFF
  } else {
    return 0;  // a continuation byte, C0, C1 or F5..FF
  }
  if (text.size() - at < length) return 0;
  if (!InRange(byte(1), secondLo, secondHi)) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (!InRange(byte(k), 0x80, 0xBF)) return 0;
  }
  return length;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Windows-1252 bytes 80..9F; A0..FF are the Latin-1 characters of the same value.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string_view FirstCharacters(std::string_view text, std::size_t maxCharacters) {
  std::size_t i = 0;
  for (std::size_t count = 0; i < text.size() && count < maxCharacters; ++count) {
    i += std::max<std::size_t>(SequenceLength(text, i), 1);
  }
  return text.substr(0, i);
}

std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text.size();
  std::size_t i = 0;
  while (i < maxBytes) {
    std::size_t length = SequenceLength(text, i);
    if (length == 0) length = 1;
    if (i + length > maxBytes) break;
    i += length;
  }
  return i;
}

std::string_view CutAtCharacter(std::string_view text, std::size_t maxBytes) {
  return text.substr(0, Utf8CutLength(text, maxBytes));
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char b : bytes) {
    const auto c = static_cast<unsigned char>(b);
    if (c >= 0x80 && c < 0xA0) {
      AppendUtf8(out, kWindows1252High[c - 0x80]);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

std::string TextFromStoredBytes(std::string_view bytes, LegacyDecoder legacy) {
  if (legacy == nullptr || IsValidUtf8(bytes)) return std::string(bytes);
  std::string text = legacy(bytes);
  // A decoder that fails to make UTF-8 is never trusted with what is stored.
  return IsValidUtf8(text) ? text : Windows1252ToUtf8(bytes);
}

unsigned LegacyCodePageFromText(std::string_view text) {
  constexpr unsigned kFallback = 1252;
  if (text.empty() || text.size() > 5) return kFallback;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return kFallback;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535 || value == 65000 || value == 65001) return kFallback;
  return value;
}
