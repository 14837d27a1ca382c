// Global hot keys pressed for real: Dorvane.exe runs with a recording open,
// the X server gets Ctrl+F7, Ctrl+F6 and Ctrl+F5 from xdotool (a Linux
// program, which Wine starts like any other), and the program walks, pauses
// and plays, as the status bar of the running program shows.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "e2e_support.h"

namespace {

constexpr char kXdotool[] = "Z:\\usr\\bin\\xdotool";
constexpr int kStatusBarId = 104;
constexpr int kModePart = 2;
constexpr int kPausedPart = 3;
constexpr int kHotKeyPart = 5;

// Runs a program to its end; its exit code, or -1 when it could not start.
int RunProgram(std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, 10000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(code);
}

bool CombinationFree(UINT modifiers, UINT key) {
  if (!RegisterHotKey(nullptr, 1, modifiers, key)) return false;
  UnregisterHotKey(nullptr, 1);
  return true;
}

class HotKeyPressTest : public DorvaneProcessTest {
 protected:
  void SetUp() override {
    if (GetFileAttributesA(kXdotool) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "xdotool is not installed";
    DorvaneProcessTest::SetUp();
    media = folder + "\\talk.wav";
    WriteSilentWave(media, 30);  // the walk is still going when the status is read
  }

  // A status-bar part of the running program, read through a buffer in its
  // own memory.
  std::string StatusText(HWND window, int part) {
    HWND bar = GetDlgItem(window, kStatusBarId);
    void* remote = VirtualAllocEx(process.hProcess, nullptr, 512, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (bar == nullptr || remote == nullptr) return "<unreadable>";
    char text[512] = "";
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000,
                            &result)) {
      ReadProcessMemory(process.hProcess, remote, text, sizeof text - 1, nullptr);
    }
    VirtualFreeEx(process.hProcess, remote, 0, MEM_RELEASE);
    return text;
  }

  // Answers a box the program shows about its sound device (there may be no
  // sound output); these do not concern the hot keys.
  void DismissMciErrors() {
    if (HWND box = FindWindowOf(process.dwProcessId, "Error in processing MCI command", true)) {
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
  }

  std::string media;
};

TEST_F(HotKeyPressTest, WalkPauseAndPlayKeysFromTheXServerDriveTheProgram) {
  // Hot keys belong to the whole Wine session: the checks that start windows
  // take turns, but another program may hold the key for a moment.
  for (int waited = 0; waited < 20000 && !CombinationFree(MOD_CONTROL, VK_F7); waited += 50) Sleep(50);
  ASSERT_TRUE(CombinationFree(MOD_CONTROL, VK_F7)) << "Ctrl+F7 stays taken by another program";

  // A box at start-up says that a hot key was taken by another program of
  // the session at that moment; such a start is ended and tried again.
  HWND window = nullptr;
  std::string startupBox;
  for (int attempt = 0; attempt < 3 && window == nullptr; ++attempt) {
    Start("\"" + media + "\"");
    startupBox.clear();
    for (int waited = 0; waited < 20000 && window == nullptr && startupBox.empty(); waited += 50) {
      if (HWND box = FindWindowOf(process.dwProcessId, "Error", true)) {
        startupBox = MessageText(box);
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        process = {};
        break;
      }
      window = FindWindowOf(process.dwProcessId, "Dorvane: ", true);
      if (window == nullptr) Sleep(50);
    }
  }
  ASSERT_TRUE(startupBox.empty()) << "at start-up, three times: " << startupBox;
  ASSERT_NE(window, nullptr) << "the recording did not open";
  EXPECT_EQ(StatusText(window, kHotKeyPart), "Play:CtrlF5  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  ");
  ASSERT_NE(StatusText(window, kModePart), "walking");

  // Keys reach Wine only through a window of it that has the X focus.
  const auto xWindow = reinterpret_cast<ULONG_PTR>(GetPropA(window, "__wine_x11_whole_window"));
  if (xWindow != 0) {
    RunProgram(std::string(kXdotool) + " windowfocus " + std::to_string(xWindow));
    Sleep(200);
  }

  // Presses a key through the X server until the status bar shows what it
  // should do (a press can be lost while the focus settles).
  const auto press = [&](const char* key, int part, const char* shown) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (RunProgram(std::string(kXdotool) + " key " + key) != 0) return false;
      for (int waited = 0; waited < 3000; waited += 50) {
        DismissMciErrors();
        if (StatusText(window, part) == shown) return true;
        Sleep(50);
      }
    }
    return false;
  };
  EXPECT_TRUE(press("ctrl+F7", kModePart, "walking")) << "WM_HOTKEY 2 (Walk) did not reach the program";
  EXPECT_TRUE(press("ctrl+F6", kPausedPart, "paused")) << "WM_HOTKEY 1 (Pause) did not reach the program";
  EXPECT_TRUE(press("ctrl+F5", kModePart, "playing")) << "WM_HOTKEY 0 (Play) did not reach the program";
  EXPECT_EQ(StatusText(window, kPausedPart), "");

  DismissMciErrors();
  PostMessageA(window, WM_CLOSE, 0, 0);
  for (int waited = 0; waited < 20000; waited += 100) {
    if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
    DismissMciErrors();
  }
  DWORD code = 12345;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace
