// F1 on the real Dorvane.exe with dorvane.chm beside it opens Wine's HTML
// Help viewer on the guide; without any help file F1 says which is missing.
#include "e2e_support.h"

#include <commctrl.h>

namespace {

using DorvaneHelp = DorvaneProcessTest;

// F1 typed on the keyboard while the window is in front; the focus is on
// its first control, the position slider. Only a real key press makes the
// system send WM_HELP.
void PressF1In(HWND window) {
  SetForegroundWindow(window);
  Sleep(500);
  INPUT keys[2]{};
  for (INPUT& key : keys) {
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = VK_F1;
  }
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

// Closes every visible top-level window of the process but the main one (a
// viewer's error box, say).
void CloseOtherWindows(DWORD processId, HWND keep) {
  struct Search {
    DWORD pid;
    HWND keep;
  } search{processId, keep};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == s->pid && window != s->keep && IsWindowVisible(window)) PostMessageA(window, WM_CLOSE, 0, 0);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  Sleep(300);
}

TEST_F(DorvaneHelp, FOneOpensTheGuideInAWindowTitledDorvaneHelp) {
  ASSERT_TRUE(CopyFileA(WindowsPath(DORVANE_CHM_UNIX_PATH).c_str(), (folder + "\\dorvane.chm").c_str(), FALSE));
  Start("");
  HWND window = FindWindowOf(process.dwProcessId, "Dorvane", false, 20000);
  ASSERT_NE(window, nullptr);
  PressF1In(window);
  HWND help = FindWindowOf(process.dwProcessId, "Dorvane Help", false, 20000);
  ASSERT_NE(help, nullptr) << "no help window titled Dorvane Help";
  // Closing the program closes its help window with it.
  EXPECT_EQ(CloseAndWait(window), 0u);
}

TEST_F(DorvaneHelp, AHelpFileThatIsNoChmLeavesTheProgramWorking) {
  for (const char* bytes : {"", "this is not a compiled help file"}) {
    HANDLE file = CreateFileA((folder + "\\dorvane.chm").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes, static_cast<DWORD>(strlen(bytes)), &written, nullptr);
    CloseHandle(file);
    Start("");
    HWND window = FindWindowOf(process.dwProcessId, "Dorvane", false, 20000);
    ASSERT_NE(window, nullptr);
    PressF1In(window);
    Sleep(1500);
    // Whatever the viewer reported, the program still answers and closes cleanly.
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer), 0) << '"' << bytes << '"';
    CloseOtherWindows(process.dwProcessId, window);
    EXPECT_EQ(CloseAndWait(window), 0u) << '"' << bytes << '"';
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    process = {};
  }
}

TEST_F(DorvaneHelp, WithoutAnyHelpFileFOneNamesTheMissingFile) {
  Start("");
  HWND window = FindWindowOf(process.dwProcessId, "Dorvane", false, 20000);
  ASSERT_NE(window, nullptr);
  PressF1In(window);
  HWND box = FindWindowOf(process.dwProcessId, "Error", false, 20000);
  ASSERT_NE(box, nullptr) << "F1 showed nothing";
  EXPECT_NE(MessageText(box).find("dorvane.chm"), std::string::npos) << MessageText(box);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(CloseAndWait(window), 0u);
}

}  // namespace
