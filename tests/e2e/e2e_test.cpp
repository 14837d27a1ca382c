// Dorvane.exe started as a user starts it: a copy in a fresh folder, a
// command line, its window found by caption, closed, and the files it leaves
// behind read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string WindowsPath(std::string unixPath) {
  for (char& c : unixPath) if (c == '/') c = '\\';
  return "Z:" + unixPath;
}

std::string ReadFileText(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string text(4096, '\0');
  DWORD read = 0;
  ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  CloseHandle(file);
  text.resize(read);
  return text;
}

HWND WaitForWindow(DWORD processId, const char* caption, int timeoutMs) {
  struct Search { DWORD pid; const char* caption; HWND found; };
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    Search search{processId, caption, nullptr};
    EnumWindows([](HWND window, LPARAM data) -> BOOL {
      auto* s = reinterpret_cast<Search*>(data);
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      char text[512] = "";
      GetWindowTextA(window, text, sizeof text);
      if (pid == s->pid && IsWindowVisible(window) && std::string(text) == s->caption) {
        s->found = window;
        return FALSE;
      }
      return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(50);
  }
  return nullptr;
}

std::string MessageText(HWND box) {
  char text[512] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

class DorvaneProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    char base[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, base);
    char dir[MAX_PATH] = "";
    GetTempFileNameA(base, "e2e", 0, dir);
    DeleteFileA(dir);
    CreateDirectoryA(dir, nullptr);
    folder = dir;
    exe = folder + "\\Dorvane.exe";
    ASSERT_TRUE(CopyFileA(WindowsPath(DORVANE_EXE_UNIX_PATH).c_str(), exe.c_str(), FALSE));
  }
  void TearDown() override {
    if (process.hProcess != nullptr) {
      TerminateProcess(process.hProcess, 99);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
    for (const char* name : {"Dorvane.exe", "default.usr"}) DeleteFileA((folder + "\\" + name).c_str());
    RemoveDirectoryA(folder.c_str());
  }
  void Start(const std::string& arguments) {
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.c_str(), &startup, &process));
  }
  DWORD CloseAndWait(HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 12345;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    process = {};
    return code;
  }

  std::string folder, exe;
  PROCESS_INFORMATION process{};
};

TEST_F(DorvaneProcess, EmptyCommandLineShowsTheWindowAndExitsWithZero) {
  Start("");
  HWND window = WaitForWindow(process.dwProcessId, "Dorvane", 20000);
  ASSERT_NE(window, nullptr) << "no visible window titled Dorvane";
  EXPECT_EQ(CloseAndWait(window), 0u);
}

// One second of 8 kHz, 8-bit mono silence.
void WriteSilentWave(const std::string& path) {
  const DWORD samples = 8000;
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

TEST_F(DorvaneProcess, QuotedPathWithBlanksOpensAsOnePath) {
  // Explorer passes the path in quotes, blanks and all.
  const std::string media = folder + "\\my talk.wav";
  WriteSilentWave(media);
  Start("\"" + media + "\"");
  HWND window = WaitForWindow(process.dwProcessId, ("Dorvane: " + media).c_str(), 20000);
  ASSERT_NE(window, nullptr) << "the file did not open under its own path";
  EXPECT_EQ(CloseAndWait(window), 0u);
  DeleteFileA(media.c_str());
}

TEST_F(DorvaneProcess, MissingFileIsReportedAndLeavesTheNoFileState) {
  Start("\"" + folder + "\\no such talk.wav\"");
  HWND box = WaitForWindow(process.dwProcessId, "Error in processing MCI command Open device", 20000);
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(MessageText(box).empty());
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  HWND window = WaitForWindow(process.dwProcessId, "Dorvane", 20000);
  ASSERT_NE(window, nullptr) << "the window is in its no-file state, titled Dorvane";
  EXPECT_EQ(CloseAndWait(window), 0u);
}

}  // namespace
