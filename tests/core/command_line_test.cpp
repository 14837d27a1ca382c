#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(MediaPathFromCommandLine, TakesTheWholeTextAsOnePath) {
  EXPECT_EQ(MediaPathFromCommandLine(R"(C:\My Files\talk.wav)"), R"(C:\My Files\talk.wav)");
  EXPECT_EQ(MediaPathFromCommandLine(""), "");
}

TEST(MediaPathFromCommandLine, BlanksOnlyIsEmpty) {
  EXPECT_EQ(MediaPathFromCommandLine("   \t  "), "");
}

TEST(MediaPathFromCommandLine, RemovesOnePairOfEnclosingQuotesOnly) {
  EXPECT_EQ(MediaPathFromCommandLine(R"("C:\My Files\talk.wav")"), R"(C:\My Files\talk.wav)");
  EXPECT_EQ(MediaPathFromCommandLine(R"(""a.wav"")"), R"("a.wav")");
  // A quote on one side only is part of the path as typed.
  EXPECT_EQ(MediaPathFromCommandLine(R"("C:\a.wav)"), R"("C:\a.wav)");
  EXPECT_EQ(MediaPathFromCommandLine("\""), "\"");
  EXPECT_EQ(MediaPathFromCommandLine("\"\""), "");
}

TEST(ProgramDirOf, EndsAtTheLastBackslash) {
  EXPECT_EQ(ProgramDirOf(R"(C:\Program Files\Dorvane\Dorvane.exe)"), R"(C:\Program Files\Dorvane)");
  EXPECT_EQ(ProgramDirOf(R"(C:\TOOL.EXE)"), "C:");
  EXPECT_EQ(ProgramDirOf("TOOL.EXE"), "TOOL.EXE");
}

TEST(CopyText, CutsToTheArrayAndTerminates) {
  char small[5];
  CopyText(small, "abcdefgh");
  EXPECT_STREQ(small, "abcd");
  char title[50];
  CopyText(title, std::string(60, 'x'));
  EXPECT_EQ(std::string(title).size(), 49u);
}

TEST(HandedOverText, EndsAtTheFirstNulAndAtTheLimit) {
  using namespace std::string_literals;
  EXPECT_EQ(HandedOverText("\"C:\\My Files\\b.wav\"\0"s), "\"C:\\My Files\\b.wav\"");
  EXPECT_EQ(HandedOverText("a.wav"), "a.wav");  // no terminator sent
  EXPECT_EQ(HandedOverText("a\0b"s), "a");
  EXPECT_EQ(HandedOverText(""), "");
  EXPECT_EQ(HandedOverText(std::string(kHandOverLimit + 10, 'x')).size(), kHandOverLimit);
  EXPECT_EQ(MediaPathFromCommandLine(HandedOverText("\"C:\\a b.wav\"\0junk"s)), "C:\\a b.wav");
}

TEST(CopyText, CutsBetweenCharactersOfAnyScript) {
  char four[5];
  CopyText(four, "жжж");  // 6 bytes: two whole letters fit
  EXPECT_STREQ(four, "жж");
  CopyText(four, "a录b");  // 5 bytes: the 3-byte character fits whole, b does not
  EXPECT_STREQ(four, "a录");
  CopyText(four, "ab录");
  EXPECT_STREQ(four, "ab");
  char path[260];
  std::string chinese = "Z:\\";
  for (int i = 0; i < 120; ++i) chinese += "录";
  CopyText(path, chinese + ".wav");  // 367 bytes: too long for a path
  EXPECT_EQ(std::string(path), chinese.substr(0, 258));
}
