// A global hot key pressed for real: Dorvane.exe runs with a recording open,
// the X server gets Ctrl+F7 from xdotool (a Linux program, which Wine starts
// like any other), and the walk starts, as the status bar of the running
// program shows.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kXdotool[] = "Z:\\usr\\bin\\xdotool";
constexpr int kStatusBarId = 104;
constexpr int kModePart = 2;
constexpr int kHotKeyPart = 5;

std::string WindowsPath(std::string unixPath) {
  for (char& c : unixPath) if (c == '/') c = '\\';
  return "Z:" + unixPath;
}

// Thirty seconds of 8 kHz, 8-bit mono silence: long enough that the walk
// is still going when the status bar is read.
void WriteSilentWave(const std::string& path) {
  const DWORD samples = 8000 * 30;
  std::string data = "RIFF";
  auto put32 = [&data](DWORD v) { data.append(reinterpret_cast<const char*>(&v), 4); };
  auto put16 = [&data](WORD v) { data.append(reinterpret_cast<const char*>(&v), 2); };
  put32(36 + samples);
  data += "WAVEfmt ";
  put32(16); put16(1); put16(1); put32(8000); put32(8000); put16(1); put16(8);
  data += "data";
  put32(samples);
  data.append(samples, static_cast<char>(0x80));
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(file);
}

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

// A visible top-level window of the process whose caption starts with the text.
HWND FindWindowOf(DWORD processId, const std::string& captionStart) {
  struct Search {
    DWORD pid;
    const std::string* start;
    HWND found;
  } search{processId, &captionStart, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        char text[512] = "";
        GetWindowTextA(window, text, sizeof text);
        if (pid == s->pid && IsWindowVisible(window) && std::string(text).rfind(*s->start, 0) == 0) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class HotKeyPressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetFileAttributesA(kXdotool) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "xdotool is not installed";
    char base[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, base);
    char dir[MAX_PATH] = "";
    GetTempFileNameA(base, "hk", 0, dir);
    DeleteFileA(dir);
    CreateDirectoryA(dir, nullptr);
    folder = dir;
    exe = folder + "\\Dorvane.exe";
    media = folder + "\\talk.wav";
    ASSERT_TRUE(CopyFileA(WindowsPath(DORVANE_EXE_UNIX_PATH).c_str(), exe.c_str(), FALSE));
    WriteSilentWave(media);
  }

  void TearDown() override {
    if (process.hProcess != nullptr) {
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, 5000);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
    for (const char* name : {"Dorvane.exe", "default.usr", "talk.wav"}) DeleteFileA((folder + "\\" + name).c_str());
    RemoveDirectoryA(folder.c_str());
  }

  void Start() {
    std::string commandLine = "\"" + exe + "\" \"" + media + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.c_str(), &startup, &process));
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
    if (HWND box = FindWindowOf(process.dwProcessId, "Error in processing MCI command")) {
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
  }

  std::string folder, exe, media;
  PROCESS_INFORMATION process{};
};

TEST_F(HotKeyPressTest, CtrlF7FromTheXServerStartsTheWalk) {
  // Hot keys belong to the whole Wine session: the checks that start windows
  // take turns, but another program may hold the key for a moment.
  for (int waited = 0; waited < 20000 && !CombinationFree(MOD_CONTROL, VK_F7); waited += 50) Sleep(50);
  ASSERT_TRUE(CombinationFree(MOD_CONTROL, VK_F7)) << "Ctrl+F7 stays taken by another program";

  Start();
  HWND window = nullptr;
  for (int waited = 0; waited < 20000 && window == nullptr; waited += 50) {
    // A box at start-up would say that a hot key could not be registered.
    if (HWND box = FindWindowOf(process.dwProcessId, "Error")) {
      char text[256] = "";
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      FAIL() << "at start-up: " << text;
    }
    window = FindWindowOf(process.dwProcessId, "Dorvane: ");
    if (window == nullptr) Sleep(50);
  }
  ASSERT_NE(window, nullptr) << "the recording did not open";
  EXPECT_EQ(StatusText(window, kHotKeyPart), "Play:CtrlF5  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  ");
  ASSERT_NE(StatusText(window, kModePart), "walking");

  // Keys reach Wine only through a window of it that has the X focus.
  const auto xWindow = reinterpret_cast<ULONG_PTR>(GetPropA(window, "__wine_x11_whole_window"));
  if (xWindow != 0) {
    RunProgram(std::string(kXdotool) + " windowfocus " + std::to_string(xWindow));
    Sleep(200);
  }

  bool walking = false;
  for (int press = 0; press < 3 && !walking; ++press) {
    ASSERT_EQ(RunProgram(std::string(kXdotool) + " key ctrl+F7"), 0);
    for (int waited = 0; waited < 3000 && !walking; waited += 50) {
      DismissMciErrors();
      walking = StatusText(window, kModePart) == "walking";
      if (!walking) Sleep(50);
    }
  }
  EXPECT_TRUE(walking) << "WM_HOTKEY 2 did not reach the program";

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
