#include "bookmarks/bookmark_text.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

BookmarkTable TableOf(std::initializer_list<std::pair<std::size_t, LoadedBookmark>> entries) {
  BookmarkTable table{};
  for (const auto& [slot, b] : entries) {
    SetBookmarkName(table[slot], b.name);
    table[slot].position = b.position;
    table[slot].inUse = 1;
  }
  return table;
}

void ExpectBookmarks(const std::vector<LoadedBookmark>& got,
                     const std::vector<LoadedBookmark>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].name, want[i].name) << "entry " << i;
    EXPECT_EQ(got[i].position, want[i].position) << "entry " << i;
  }
}

}  // namespace

TEST(BookmarkFilePath, KeepsTheMediaExtensionAndDropsTheDirectory) {
  EXPECT_EQ(BookmarkFilePath("C:\\Prog", "C:\\rec\\talk.wav"), "C:\\Prog\\talk.wav.BMK");
  EXPECT_EQ(BookmarkFilePath("C:\\Prog", "talk.wav"), "C:\\Prog\\talk.wav.BMK");
}

TEST(BookmarkText, WritesLinesInSlotOrderAndReadsThemBack) {
  const BookmarkTable table = TableOf({{0, {"Intro", 83456}}, {1, {"Q2", 754000}}});
  const std::string text = WriteBookmarkText(table);
  EXPECT_EQ(text, "Intro\t 1:23.456\r\nQ2\t12:34.000\r\n");
  ExpectBookmarks(ReadBookmarkText(text), {{"Intro", 83456}, {"Q2", 754000}});

  // Free slots are skipped, whatever they still hold.
  BookmarkTable gappy = TableOf({{0, {"a", 1}}, {1, {"gone", 2}}, {2, {"c", 3}}});
  gappy[1].inUse = 0;
  EXPECT_EQ(WriteBookmarkText(gappy), "a\t 0:00.001\r\nc\t 0:00.003\r\n");
  EXPECT_EQ(WriteBookmarkText(BookmarkTable{}), "");
  EXPECT_EQ(BookmarkMenuText("Intro", 83456), "Intro\t 1:23.456");
}

TEST(BookmarkText, TokensSplitAtRunsOfSeparatorsLikeStrtok) {
  ExpectBookmarks(ReadBookmarkText("\r\n\r\n..A\t\t1::2..3\r\n\r\nB\t 0:05.007"),
                  {{"A", 60000 + 2000 + 3}, {"B", 5007}});
  // A blank is no separator: it belongs to the name, and atoi skips it in numbers.
  ExpectBookmarks(ReadBookmarkText("my talk\t 1:23.456\r\n"), {{"my talk", 83456}});
  // atoi stops at the first non-digit; text without digits reads as 0.
  ExpectBookmarks(ReadBookmarkText("x\t2m:zz.+7q"), {{"x", 120000 + 7}});
}

TEST(BookmarkText, TextWithoutTokensGivesNoBookmarks) {
  EXPECT_TRUE(ReadBookmarkText("").empty());
  EXPECT_TRUE(ReadBookmarkText("\r\n\r\n\t:..").empty());
  EXPECT_TRUE(ReadBookmarkText(std::string_view("\0Intro\t1:2.3", 12)).empty());
}

TEST(BookmarkText, MissingTrailingNumbersCountAsZero) {
  ExpectBookmarks(ReadBookmarkText("A\t1:02"), {{"A", 62000}});
  ExpectBookmarks(ReadBookmarkText("A\t1"), {{"A", 60000}});
  ExpectBookmarks(ReadBookmarkText("A"), {{"A", 0}});
  // Tokens are taken in fours whatever the lines say.
  ExpectBookmarks(ReadBookmarkText("A\t1:2\r\nB\t3:4.5"), {{"A", 60000 + 2000}, {"3", 4 * 60000 + 5000}});
}

TEST(BookmarkText, OnlyTheFirst2141BytesAndTheTextBeforeANulCount) {
  ASSERT_EQ(kBookmarkReadLimit, 2141u);
  std::string text(2129, '\n');
  text += "Name\t 1:23.456\r\n";  // byte 2141 falls after "1:23.4"
  ExpectBookmarks(ReadBookmarkText(text), {{"Name", 83004}});
  ExpectBookmarks(ReadBookmarkText(std::string_view("A\t1:0.0\r\n\0B\t2:0.0", 18)), {{"A", 60000}});
}

TEST(BookmarkText, TheLongestFileTheWriterMakesReadsBackWhole) {
  // Ten names of 49 four-byte characters at the widest positions, the
  // largest and the smallest that a position can be.
  for (const std::int32_t position : {INT32_MAX, INT32_MIN, 100 * 60000 + 59999}) {
    BookmarkTable table{};
    std::vector<LoadedBookmark> want;
    for (std::size_t i = 0; i < kBookmarkSlots; ++i) {
      std::string name;
      for (std::size_t k = 0; k < kBookmarkNameMax; ++k) name += "\xF0\x9F\x98" + std::string(1, static_cast<char>(0x80 + i));
      SetBookmarkName(table[i], name);
      table[i].position = position;
      table[i].inUse = 1;
      want.push_back({name, position});
    }
    const std::string text = WriteBookmarkText(table);
    EXPECT_LT(text.size(), kBookmarkReadLimit) << position;
    ExpectBookmarks(ReadBookmarkText(text), want);
  }
}

TEST(BookmarkText, TypedNamesAreMadeToReadBackAsStored) {
  EXPECT_EQ(BookmarkNameFromText("Intro"), "Intro");
  EXPECT_EQ(BookmarkNameFromText("Q2: 1.5\tend\r\n"), "Q2  1 5 end  ");
  EXPECT_EQ(BookmarkNameFromText(""), " ");
  EXPECT_EQ(BookmarkNameFromText(std::string_view("ab\0cd", 5)), "ab");
  EXPECT_EQ(BookmarkNameFromText(std::string(60, 'x')), std::string(49, 'x'));
  EXPECT_EQ(BookmarkNameFromText(std::string(60, '.')), std::string(49, ' '));

  // Names made so are written and read back unchanged, and do not disturb
  // the bookmarks after them.
  BookmarkTable table{};
  const std::vector<std::string> typed{"", "a:b.c", "\t\r\n", "  lead", "last"};
  std::vector<LoadedBookmark> want;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    const std::string name = BookmarkNameFromText(typed[i]);
    SetBookmarkName(table[i], name);
    table[i].position = static_cast<std::int32_t>(i) * 1000 + 7;
    table[i].inUse = 1;
    want.push_back({name, table[i].position});
  }
  ExpectBookmarks(ReadBookmarkText(WriteBookmarkText(table)), want);
}

TEST(BookmarkText, ExtraEntriesAreIgnoredAndLongNamesCut) {
  std::string text;
  for (int i = 0; i < 15; ++i) text += BookmarkLine(std::string(1, char('a' + i)), i);
  const auto loaded = ReadBookmarkText(text);
  ASSERT_EQ(loaded.size(), kBookmarkSlots);
  EXPECT_EQ(loaded[9].name, "j");
  EXPECT_EQ(loaded[9].position, 9);

  const std::string longName(80, 'n');
  ExpectBookmarks(ReadBookmarkText(longName + "\t0:01.000"), {{std::string(49, 'n'), 1000}});
  Bookmark slot;
  SetBookmarkName(slot, longName);
  EXPECT_EQ(BookmarkName(slot), std::string(49, 'n'));
  EXPECT_EQ(slot.name[49], '\0');
}

TEST(BookmarkText, HugeNumbersSaturateInsteadOfOverflowing) {
  ExpectBookmarks(ReadBookmarkText("a\t99999999999999999999:0.0"), {{"a", INT32_MAX}});
  ExpectBookmarks(ReadBookmarkText("a\t-99999999999:-9999999999.-9999999999"), {{"a", INT32_MIN}});
  ExpectBookmarks(ReadBookmarkText("a\t35791:23.648"), {{"a", INT32_MAX}});
  ExpectBookmarks(ReadBookmarkText("a\t-1:-1.-500"), {{"a", -61500}});
}

TEST(BookmarkText, GarbageAndLargeFilesStayWithinTheTable) {
  std::string garbage;
  std::uint32_t seed = 12345;
  for (int i = 0; i < (1 << 20); ++i) {
    seed = seed * 1103515245u + 12345u;
    garbage += static_cast<char>(seed >> 24);
  }
  garbage[0] = 'x';  // so the text is not cut at once by a NUL
  const auto loaded = ReadBookmarkText(garbage);
  EXPECT_LE(loaded.size(), kBookmarkSlots);
  for (const auto& b : loaded) {
    EXPECT_FALSE(b.name.empty());
    EXPECT_EQ(FirstCharacters(b.name, kBookmarkNameMax), b.name);
    EXPECT_EQ(b.name.find_first_of(std::string_view("\r\n\t:.\0", 6)), std::string::npos);
  }
}

std::string Repeat(std::string_view letter, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += letter;
  return text;
}

TEST(BookmarkText, NamesInAnyScriptKeep49CharactersWhateverTheirBytes) {
  struct Case {
    std::string typed, kept;
  } cases[] = {
      {Repeat("ж", 49), Repeat("ж", 49)},                     // 98 bytes
      {Repeat("录", 49), Repeat("录", 49)},                   // 147 bytes
      {Repeat("\xF0\x9F\x98\x80", 49), Repeat("\xF0\x9F\x98\x80", 49)},  // 196 bytes
      {Repeat("ж", 60), Repeat("ж", 49)},
      {"a" + Repeat("录", 60), "a" + Repeat("录", 48)},
  };
  for (const Case& c : cases) {
    bool cut = false;
    EXPECT_EQ(BookmarkNameFromText(c.typed, &cut), c.kept);
    EXPECT_EQ(cut, c.kept != c.typed);
    Bookmark slot;
    SetBookmarkName(slot, c.typed);
    EXPECT_EQ(BookmarkName(slot), c.kept);
    ExpectBookmarks(ReadBookmarkText(c.typed + "\t 0:01.000"), {{c.kept, 1000}});
  }
}

TEST(BookmarkText, LegacyLinesAreConvertedAndWrittenBackInUtf8) {
  // Written by an earlier Dorvane in Windows-1252. "CAF\xC9\x92S" alone would
  // be well-formed UTF-8 ("CAFɒS"): the file as a whole decides.
  const auto loaded = ReadBookmarkText("Einf\xFChrung\t 1:23.456\r\nCAF\xC9\x92S\t 0:05.000\r\nab\xD0\t0:01.0\r\n");
  ExpectBookmarks(loaded, {{"Einführung", 83456}, {"CAFÉ’S", 5000}, {"abÐ", 1000}});
  BookmarkTable table{};
  for (std::size_t i = 0; i < loaded.size(); ++i) {
    SetBookmarkName(table[i], loaded[i].name);
    table[i].position = loaded[i].position;
    table[i].inUse = 1;
  }
  EXPECT_EQ(WriteBookmarkText(table), "Einführung\t 1:23.456\r\nCAFÉ’S\t 0:05.000\r\nabÐ\t 0:01.000\r\n");
  // 49 legacy letters grow to 98 bytes of UTF-8 and keep every letter.
  ExpectBookmarks(ReadBookmarkText(std::string(49, '\xE9') + "\t0:0.0"), {{Repeat("é", 49), 0}});
  // The readers' decoder decides on legacy text only.
  const LegacyDecoder cyrillic1251 = [](std::string_view b) {
    return b == "\xC8\xED\xF2" ? std::string("Интервью") : "[" + std::string(b) + "]";
  };
  ExpectBookmarks(ReadBookmarkText("\xC8\xED\xF2\t0:0.0\r\nok\t0:0.0", cyrillic1251), {{"Интервью", 0}, {"[ok]", 0}});
  // A process not in UTF-8 keeps legacy names as stored, cut at 49 bytes as ever.
  ExpectBookmarks(ReadBookmarkText(std::string(60, '\xE9') + "\t0:0.0", nullptr), {{std::string(49, '\xE9'), 0}});
}

TEST(BookmarkText, AFileReadLateMergesWithTheSessionsBookmarksWhichWin) {
  const auto Named = [](std::initializer_list<const char*> names, std::int32_t at) {
    std::vector<LoadedBookmark> list;
    for (const char* n : names) list.push_back({n, at});
    return list;
  };
  struct Case {
    std::vector<LoadedBookmark> file, session, want;
  } cases[] = {
      {Named({"a", "b"}, 1), Named({"c"}, 2), {{"a", 1}, {"b", 1}, {"c", 2}}},
      {Named({"a", "b"}, 1), Named({"b"}, 2), {{"a", 1}, {"b", 2}}},  // the session's replaces the file's
      {{}, Named({"c"}, 2), Named({"c"}, 2)},
      {Named({"f0", "f1", "f2", "f3", "f4", "f5", "f6", "f7"}, 1), Named({"s0", "s1", "s2", "s3"}, 2),
       {{"f0", 1}, {"f1", 1}, {"f2", 1}, {"f3", 1}, {"f4", 1}, {"f5", 1}, {"s0", 2}, {"s1", 2}, {"s2", 2}, {"s3", 2}}},
  };
  for (const Case& c : cases) ExpectBookmarks(MergeBookmarks(c.file, c.session), c.want);
  EXPECT_EQ(UnsavedBookmarkFilePath("C:\\Dorvane\\talk.wav.BMK"), "C:\\Dorvane\\talk.wav.BMK.unsaved");
}
