// Dorvane.exe started as a user starts it: a copy in a fresh folder, a
// command line, its window found by caption, closed, and the files it leaves
// behind read back.
#include "e2e_support.h"

namespace {

using DorvaneProcess = DorvaneProcessTest;

TEST_F(DorvaneProcess, EmptyCommandLineShowsTheWindowAndExitsWithZero) {
  Start("");
  HWND window = FindWindowOf(process.dwProcessId, "Dorvane", false, 20000);
  ASSERT_NE(window, nullptr) << "no visible window titled Dorvane";
  EXPECT_EQ(CloseAndWait(window), 0u);
  // The exit saved the options next to the program.
  EXPECT_NE(GetFileAttributesA((folder + "\\default.usr").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(DorvaneProcess, QuotedPathWithBlanksOpensAsOnePath) {
  // Explorer passes the path in quotes, blanks and all.
  const std::string media = folder + "\\my talk.wav";
  WriteSilentWave(media, 1);
  Start("\"" + media + "\"");
  HWND window = FindWindowOf(process.dwProcessId, "Dorvane: " + media, false, 20000);
  ASSERT_NE(window, nullptr) << "the file did not open under its own path";
  EXPECT_EQ(CloseAndWait(window), 0u);
}

TEST_F(DorvaneProcess, MissingFileIsReportedAndLeavesTheNoFileState) {
  Start("\"" + folder + "\\no such talk.wav\"");
  HWND box = FindWindowOf(process.dwProcessId, "Error in processing MCI command Open device", false, 20000);
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(MessageText(box).empty());
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  HWND window = FindWindowOf(process.dwProcessId, "Dorvane", false, 20000);
  ASSERT_NE(window, nullptr) << "the window is in its no-file state, titled Dorvane";
  EXPECT_EQ(CloseAndWait(window), 0u);
}

}  // namespace
