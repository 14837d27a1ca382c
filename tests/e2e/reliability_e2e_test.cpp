// Dorvane.exe as it lives beside a typist all day: a second start hands its
// file to the copy already running, a save interrupted earlier leaves nothing
// behind at the next start, and the end of the Windows session saves what
// Exit would save, though the process is then ended without a WM_DESTROY.
#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <sstream>
#include <string>

#include "e2e_support.h"
#include "res/resource.h"

namespace {

std::string ReadAll(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return "<missing>";
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class RunningCopyTest : public DorvaneProcessTest {
 protected:
  // Starts another copy of the program and waits for it to end; its exit code,
  // or 259 (still active) when it did not end in time.
  DWORD StartSecondAndWait(const std::string& arguments) {
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION second{};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &second)) {
      ADD_FAILURE() << "the second copy did not start";
      return 12345;
    }
    if (WaitForSingleObject(second.hProcess, 30000) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "the second copy did not end";
      TerminateProcess(second.hProcess, 99);
      WaitForSingleObject(second.hProcess, 5000);
    }
    DWORD code = 12345;
    GetExitCodeProcess(second.hProcess, &code);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    return code;
  }
};

TEST_F(RunningCopyTest, ASecondStartHandsItsFileToTheRunningCopyAndExitsWithZero) {
  Start("");
  HWND window = FindWindowOf(process.dwProcessId, "Dorvane", false, 20000);
  ASSERT_NE(window, nullptr);
  const std::string media = folder + "\\second talk.wav";
  WriteSilentWave(media, 1);

  EXPECT_EQ(StartSecondAndWait("\"" + media + "\""), 0u);
  EXPECT_NE(FindWindowOf(process.dwProcessId, "Dorvane: " + media, false, 20000), nullptr)
      << "the running copy shows the file handed over";
  EXPECT_EQ(FindWindowOf(process.dwProcessId, "Error", true), nullptr) << "no hot-key warning, no error";
  EXPECT_FALSE(Exists(folder + "\\default.usr")) << "the second start wrote nothing";

  // A second start without a file only brings the running copy forward.
  EXPECT_EQ(StartSecondAndWait(""), 0u);
  window = FindWindowOf(process.dwProcessId, "Dorvane: " + media, false, 5000);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(CloseAndWait(window), 0u);
  EXPECT_TRUE(Exists(folder + "\\default.usr"));
}

TEST_F(RunningCopyTest, AHandedOverFileThatIsNotMediaGetsTheUsualMessageInTheRunningCopy) {
  Start("");
  HWND window = FindWindowOf(process.dwProcessId, "Dorvane", false, 20000);
  ASSERT_NE(window, nullptr);
  const std::string notMedia = folder + "\\notes.wav";
  std::ofstream(notMedia) << "not a recording";

  EXPECT_EQ(StartSecondAndWait("\"" + notMedia + "\""), 0u);
  HWND box = FindWindowOf(process.dwProcessId, "Error in processing MCI command Open device", false, 20000);
  ASSERT_NE(box, nullptr);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  window = FindWindowOf(process.dwProcessId, "Dorvane", false, 20000);
  ASSERT_NE(window, nullptr) << "the running copy stays in its no-file state";
  EXPECT_EQ(CloseAndWait(window), 0u);
}

TEST_F(RunningCopyTest, AStartRemovesTheTemporaryFilesOfAnInterruptedSaveAndNothingElse) {
  const std::string leftover = folder + "\\~dv1A2B.tmp";
  const char* const kept[] = {"~dvXYZW.tmp", "~dv12345.tmp", "notes.tmp", "~dv1A2B.tmp.BMK"};
  std::ofstream(leftover) << "WalkLength=";
  for (const char* name : kept) std::ofstream(folder + "\\" + name) << "x";
  Start("");
  HWND window = FindWindowOf(process.dwProcessId, "Dorvane", false, 20000);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(Exists(leftover));
  for (const char* name : kept) EXPECT_TRUE(Exists(folder + "\\" + name)) << name;
  EXPECT_EQ(CloseAndWait(window), 0u);
}

TEST_F(RunningCopyTest, TheEndOfTheSessionSavesBookmarksAndOptionsThoughNoDestroyFollows) {
  const std::string media = folder + "\\talk.wav";
  WriteSilentWave(media, 5);
  Start("\"" + media + "\"");
  HWND window = FindWindowOf(process.dwProcessId, "Dorvane: " + media, false, 20000);
  ASSERT_NE(window, nullptr);

  // A bookmark named through the real dialog; it is on disk at once.
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_ADD_BOOKMARK, 0), 0);
  HWND dialog = FindWindowOf(process.dwProcessId, "Name Bookmark at", true, 20000);
  ASSERT_NE(dialog, nullptr);
  SetDlgItemTextA(dialog, IDC_POSITION_EDIT, "Intro");
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  const std::string marks = folder + "\\talk.wav.BMK";
  for (int waited = 0; waited < 20000 && !Exists(marks); waited += 50) Sleep(50);
  ASSERT_TRUE(Exists(marks));
  // Taken away again, so that only the session's end can write it back.
  ASSERT_TRUE(DeleteFileA(marks.c_str()));
  SendMessageA(GetDlgItem(window, IDC_WALKPAUSE), TBM_SETPOS, TRUE, 7);

  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  ASSERT_TRUE(SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer));
  // Windows ends the process now: no WM_DESTROY, no exit code of its own.
  TerminateProcess(process.hProcess, 1);
  WaitForSingleObject(process.hProcess, 5000);

  EXPECT_EQ(ReadAll(marks), "Intro\t 0:00.000\r\n");
  const std::string options = ReadAll(folder + "\\default.usr");
  EXPECT_NE(options.find("WalkPause=3.5\r\n"), std::string::npos) << options;
  EXPECT_NE(options.find("File=" + media + "\r\n"), std::string::npos) << options;
}

}  // namespace
