#include "e2e_support.h"

#include "support/temp_dir.h"

std::string WindowsPath(std::string unixPath) {
  for (char& c : unixPath) if (c == '/') c = '\\';
  return "Z:" + unixPath;
}

namespace {
std::string SilentWave(int seconds) {
  const DWORD samples = 8000u * static_cast<DWORD>(seconds);
  std::string data = "RIFF";
  auto put32 = [&data](DWORD v) { data.append(reinterpret_cast<const char*>(&v), 4); };
  auto put16 = [&data](WORD v) { data.append(reinterpret_cast<const char*>(&v), 2); };
  put32(36 + samples);
  data += "WAVEfmt ";
  put32(16); put16(1); put16(1); put32(8000); put32(8000); put16(1); put16(8);
  data += "data";
  put32(samples);
  data.append(samples, static_cast<char>(0x80));
  return data;
}

void WriteWhole(HANDLE file, const std::string& data) {
  DWORD written = 0;
  WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(file);
}
}  // namespace

void WriteSilentWave(const std::string& path, int seconds) {
  WriteWhole(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), SilentWave(seconds));
}

void WriteSilentWave(const std::wstring& path, int seconds) {
  WriteWhole(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), SilentWave(seconds));
}

HWND FindWindowOf(DWORD processId, const std::string& caption, bool prefix, int timeoutMs) {
  struct Search {
    DWORD pid;
    const std::string* caption;
    bool prefix;
    HWND found;
  };
  for (int waited = 0;; waited += 50) {
    Search search{processId, &caption, prefix, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          DWORD pid = 0;
          GetWindowThreadProcessId(window, &pid);
          char text[512] = "";
          GetWindowTextA(window, text, sizeof text);
          const std::string shown = text;
          const bool match = s->prefix ? shown.rfind(*s->caption, 0) == 0 : shown == *s->caption;
          if (pid == s->pid && IsWindowVisible(window) && match) {
            s->found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr || waited >= timeoutMs) return search.found;
    Sleep(50);
  }
}

std::string MessageText(HWND box) {
  char text[512] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

void DorvaneProcessTest::SetUp() {
  folder = MakeTempDir("e2e");
  exe = folder + "\\Dorvane.exe";
  ASSERT_TRUE(CopyFileA(WindowsPath(DORVANE_EXE_UNIX_PATH).c_str(), exe.c_str(), FALSE));
}

void DorvaneProcessTest::TearDown() {
  if (process.hProcess != nullptr) {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  RemoveDirTree(folder);
}

namespace {
// The six default hot keys, Ctrl+F5 to Ctrl+F10, are free in this session:
// no other program (a run that has not ended yet) holds one of them.
bool DefaultHotKeysFree() {
  for (UINT key = VK_F5; key <= VK_F10; ++key) {
    if (!RegisterHotKey(nullptr, 1, MOD_CONTROL, key)) return false;
    UnregisterHotKey(nullptr, 1);
  }
  return true;
}
}  // namespace

std::wstring WideFromAnsi(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                                           wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

void DorvaneProcessTest::Start(const std::string& arguments) { Start(WideFromAnsi(arguments)); }

void DorvaneProcessTest::Start(const std::wstring& arguments) {
  // Otherwise the copy would start with "Invalid ... hot-key" boxes.
  for (int waited = 0; waited < 20000 && !DefaultHotKeysFree(); waited += 100) Sleep(100);
  ASSERT_TRUE(DefaultHotKeysFree()) << "another program keeps holding the default hot keys";
  // Wide all the way, so a name in any script reaches the program whole
  // whatever this driver's own code page is.
  std::wstring commandLine = L"\"" + WideFromAnsi(exe) + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ASSERT_TRUE(CreateProcessW(WideFromAnsi(exe).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             WideFromAnsi(folder).c_str(), &startup, &process));
}

DWORD DorvaneProcessTest::CloseAndWait(HWND window) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the program did not end after WM_CLOSE";
    TerminateProcess(process.hProcess, 99);  // never left running into the next check
    WaitForSingleObject(process.hProcess, 5000);
  }
  DWORD code = 12345;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  process = {};
  return code;
}
