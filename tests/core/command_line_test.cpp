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
