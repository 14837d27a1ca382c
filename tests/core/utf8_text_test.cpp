#include "text/utf8_text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

struct Sample {
  std::string_view bytes;
  bool valid;
  const char* what;
};

// Bytes as written, valid or not, with Unicode's table of well-formed
// sequences at their edges.
constexpr Sample kSamples[] = {
    {"", true, "empty"},
    {"plain ASCII\t\r\n~", true, "ASCII"},
    {std::string_view("a\0b", 3), true, "a NUL is a character"},
    {"\xC2\x80 \xDF\xBF \xD0\xB8", true, "2-byte: U+0080, U+07FF, Cyrillic"},
    {"\xE0\xA0\x80 \xE5\xBD\x95 \xED\x9F\xBF \xEE\x80\x80 \xEF\xBF\xBF", true, "3-byte edges and CJK"},
    {"\xF0\x90\x80\x80 \xF0\x9F\x8E\xA4 \xF4\x8F\xBF\xBF", true, "4-byte: U+10000, emoji, U+10FFFF"},
    {"\xC0\x80", false, "overlong 2-byte NUL"},
    {"\xC1\xBF", false, "overlong 2-byte"},
    {"\xE0\x9F\xBF", false, "overlong 3-byte"},
    {"\xF0\x8F\xBF\xBF", false, "overlong 4-byte"},
    {"\xED\xA0\x80", false, "surrogate D800"},
    {"\xF4\x90\x80\x80", false, "above U+10FFFF"},
    {"\xF5\x80\x80\x80", false, "lead byte F5"},
    {"\xFF", false, "byte FF"},
    {"\x80", false, "lone continuation byte"},
    {"ab\xD0", false, "2-byte sequence cut at the end"},
    {"ab\xE5\xBD", false, "3-byte sequence cut at the end"},
    {"ab\xF0\x9F\x8E", false, "4-byte sequence cut at the end"},
    {"\xE5\xBD" "a", false, "3-byte sequence cut by ASCII"},
    {"Einf\xFChrung", false, "Windows-1252"},
};

TEST(Utf8Text, ValidityFollowsTheWellFormedTable) {
  for (const Sample& s : kSamples) EXPECT_EQ(IsValidUtf8(s.bytes), s.valid) << s.what;
}

TEST(Utf8Text, StoredBytesAreKeptWhenValidAndConvertedFromWindows1252Otherwise) {
  for (const Sample& s : kSamples) {
    const std::string text = TextFromStoredBytes(s.bytes);
    EXPECT_TRUE(IsValidUtf8(text)) << s.what;
    if (s.valid) EXPECT_EQ(text, s.bytes) << s.what;
  }
  struct Case {
    std::string_view bytes, utf8;
  };
  constexpr Case kCases[] = {
      {"Einf\xFChrung", "Einführung"},
      {"\x80 \x85 \x8A \x99 \x9F", "€ … Š ™ Ÿ"},
      {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // unassigned: C1 controls
      {"\xA0\xC0\xE9\xFF", "\xC2\xA0" "Àéÿ"},
      {"ab\xD0", "abÐ"},                 // a sequence cut short is taken as legacy text
      {"\xC3\xA9 \xE9", "Ã© é"},          // one bad byte makes the whole text legacy
  };
  for (const Case& c : kCases) EXPECT_EQ(TextFromStoredBytes(c.bytes), c.utf8) << c.bytes;
}

TEST(Utf8Text, OnlyInvalidTextReachesTheLegacyDecoder) {
  static int calls = 0;
  const LegacyDecoder marker = [](std::string_view) {
    ++calls;
    return std::string("legacy");
  };
  EXPECT_EQ(TextFromStoredBytes("интервью", marker), "интервью");
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(TextFromStoredBytes("\xC8\xED\xF2", marker), "legacy");
  EXPECT_EQ(calls, 1);
  // A decoder that returns no UTF-8 is overruled by the Windows-1252 table.
  const LegacyDecoder broken = [](std::string_view bytes) { return std::string(bytes); };
  EXPECT_EQ(TextFromStoredBytes("\xE9t\xE9", broken), "été");
  // Without a decoder (a process not in UTF-8) text stays as it was stored.
  EXPECT_EQ(TextFromStoredBytes("Einf\xFChrung", nullptr), "Einf\xFChrung");
}

TEST(Utf8Text, CutsFallBetweenCharacters) {
  struct Case {
    std::string_view text;
    std::size_t max, length;
  };
  constexpr Case kCases[] = {
      {"abc", 5, 3},
      {"abc", 2, 2},
      {"abc", 0, 0},
      {"aи", 2, 1},             // inside a 2-byte character
      {"aи", 3, 3},
      {"a录", 2, 1},            // inside a 3-byte character, after its first byte
      {"a录", 3, 1},            // after its second byte
      {"a🎤", 4, 1},            // inside a 4-byte character
      {"a🎤", 5, 5},
      {"\xE9\xE9\xE9", 2, 2},  // legacy bytes are characters of one byte
      {"\xF0\x9F\x8E" "abc", 2, 2},  // a sequence cut short is no character
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(Utf8CutLength(c.text, c.max), c.length) << c.text << " within " << c.max;
    EXPECT_EQ(CutAtCharacter(c.text, c.max), c.text.substr(0, c.length));
  }
  // 49 Cyrillic letters (98 bytes) within a 49-byte name: 24 whole letters.
  std::string cyrillic;
  for (int i = 0; i < 49; ++i) cyrillic += "ж";
  EXPECT_EQ(Utf8CutLength(cyrillic, 49), 48u);
  EXPECT_TRUE(IsValidUtf8(CutAtCharacter(cyrillic, 49)));
}

TEST(Utf8Text, TheRegistrysCodePageTextNamesALegacyPageOr1252) {
  struct Case {
    std::string_view text;
    unsigned codePage;
  };
  constexpr Case kCases[] = {
      {"1252", 1252}, {"1251", 1251}, {"932", 932}, {"936", 936}, {"65535", 65535},
      {"", 1252},     {"abc", 1252},  {"12a", 1252}, {" 1251", 1252}, {"-1", 1252},
      {"0", 1252},    {"65536", 1252}, {"999999", 1252}, {"65001", 1252}, {"65000", 1252},
  };
  for (const Case& c : kCases) EXPECT_EQ(LegacyCodePageFromText(c.text), c.codePage) << c.text;
}

}  // namespace
