// Global hot keys pressed for real: Dorvane.exe runs with a recording open,
// the X server gets Ctrl+F7, Ctrl+F6 and Ctrl+F5 from xdotool (a Linux
// program, which Wine starts like any other), and the program walks, pauses
// and plays, as the status bar of the running program shows. Ctrl+F10, with
// Wine's notepad in front, types the position into notepad.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <regex>
#include <string>

#include "e2e_support.h"

namespace {

constexpr char kXdotool[] = "Z:\\usr\\bin\\xdotool";
constexpr int kStatusBarId = 104;
constexpr WPARAM kPlayCommand = 132;
constexpr int kPositionPart = 1;
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

  // Starts the program on the recording and finds its window. A box at
  // start-up says that a hot key was taken by another program of the session
  // at that moment; such a start is ended and tried again. The last box's
  // text is left in startupBox.
  HWND StartWithRecording(std::string& startupBox) {
    HWND window = nullptr;
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
    return window;
  }

  // Gives a Wine window the X focus: keys from xdotool reach Wine only then.
  static void FocusInX(HWND window) {
    const auto xWindow = reinterpret_cast<ULONG_PTR>(GetPropA(window, "__wine_x11_whole_window"));
    if (xWindow != 0) {
      RunProgram(std::string(kXdotool) + " windowfocus " + std::to_string(xWindow));
      Sleep(200);
    }
  }

  // Closes the program as the user would; its exit code.
  DWORD CloseProgram(HWND window) {
    DismissMciErrors();
    PostMessageA(window, WM_CLOSE, 0, 0);
    for (int waited = 0; waited < 20000; waited += 100) {
      if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
      DismissMciErrors();
    }
    DWORD code = 12345;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
  }

  std::string media;
};

TEST_F(HotKeyPressTest, WalkPauseAndPlayKeysFromTheXServerDriveTheProgram) {
  // Hot keys belong to the whole Wine session: the checks that start windows
  // take turns, but another program may hold the key for a moment.
  for (int waited = 0; waited < 20000 && !CombinationFree(MOD_CONTROL, VK_F7); waited += 50) Sleep(50);
  ASSERT_TRUE(CombinationFree(MOD_CONTROL, VK_F7)) << "Ctrl+F7 stays taken by another program";

  std::string startupBox;
  HWND window = StartWithRecording(startupBox);
  ASSERT_TRUE(startupBox.empty()) << "at start-up, three times: " << startupBox;
  ASSERT_NE(window, nullptr) << "the recording did not open";
  EXPECT_EQ(StatusText(window, kHotKeyPart),
            "Play:CtrlF5  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  Stamp:CtrlF10  ");
  ASSERT_NE(StatusText(window, kModePart), "walking");

  // Keys reach Wine only through a window of it that has the X focus.
  FocusInX(window);

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

  EXPECT_EQ(CloseProgram(window), 0u);
}

// Position text of the status bar (" 1:23.456") in ms; -1 when unreadable.
int PositionMs(const std::string& text) {
  int minutes = 0, seconds = 0, ms = 0;
  if (std::sscanf(text.c_str(), "%d:%d.%d", &minutes, &seconds, &ms) != 3) return -1;
  return (minutes * 60 + seconds) * 1000 + ms;
}

TEST_F(HotKeyPressTest, StampKeyTypesThePositionIntoNotepadWhileTheRecordingPlays) {
  for (int waited = 0; waited < 20000 && !CombinationFree(MOD_CONTROL, VK_F10); waited += 50) Sleep(50);
  ASSERT_TRUE(CombinationFree(MOD_CONTROL, VK_F10)) << "Ctrl+F10 stays taken by another program";
  std::string startupBox;
  HWND window = StartWithRecording(startupBox);
  ASSERT_TRUE(startupBox.empty()) << "at start-up, three times: " << startupBox;
  ASSERT_NE(window, nullptr) << "the recording did not open";

  // Wine's notepad, started under the same prefix, with its edit control.
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION notepad{};
  std::string notepadCommand = "notepad.exe";
  ASSERT_TRUE(CreateProcessA(nullptr, notepadCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &notepad));
  const HWND notepadWindow = FindWindowOf(notepad.dwProcessId, "", true, 20000);
  const HWND edit = notepadWindow != nullptr ? FindWindowExA(notepadWindow, nullptr, "Edit", nullptr) : nullptr;
  const auto editText = [edit] {
    char text[256] = "";
    DWORD_PTR length = 0;
    SendMessageTimeoutA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &length);
    return std::string(text);
  };

  // Plays, and waits until the recording has run for two seconds.
  PostMessageA(window, WM_COMMAND, kPlayCommand, 0);
  for (int waited = 0; waited < 10000 && PositionMs(StatusText(window, kPositionPart)) < 2000; waited += 50) {
    DismissMciErrors();
    Sleep(50);
  }
  EXPECT_EQ(StatusText(window, kModePart), "playing");

  std::string typed;
  int before = -1, after = -1;
  if (edit != nullptr) {
    for (int attempt = 0; attempt < 3 && typed.empty(); ++attempt) {
      FocusInX(notepadWindow);  // again each time: another window may have taken it
      before = PositionMs(StatusText(window, kPositionPart));
      if (RunProgram(std::string(kXdotool) + " key ctrl+F10") != 0) break;
      // The characters arrive one by one: wait until the text stays the same.
      std::string last;
      for (int waited = 0, still = 0; waited < 3000 && (typed.empty() || still < 6); waited += 50) {
        Sleep(50);
        last = typed;
        typed = editText();
        still = typed == last ? still + 1 : 0;
      }
      after = PositionMs(StatusText(window, kPositionPart));
    }
  }
  TerminateProcess(notepad.hProcess, 0);
  WaitForSingleObject(notepad.hProcess, 5000);
  CloseHandle(notepad.hProcess);
  CloseHandle(notepad.hThread);
  ASSERT_NE(edit, nullptr) << "notepad's edit control was not found";

  std::smatch stamp;
  ASSERT_TRUE(std::regex_match(typed, stamp, std::regex(R"(\[0:0(\d):(\d\d)\] )"))) << "typed: " << typed;
  const int seconds = std::stoi(stamp[1]) * 60 + std::stoi(stamp[2]);
  // The position when the key was handled, cut to whole seconds.
  EXPECT_GE(seconds, before / 1000) << typed << " before " << before;
  EXPECT_LE(seconds, after / 1000) << typed << " after " << after;
  // The transport was not touched.
  EXPECT_EQ(StatusText(window, kModePart), "playing");
  EXPECT_EQ(StatusText(window, kPausedPart), "");
  EXPECT_EQ(CloseProgram(window), 0u);
}

}  // namespace
