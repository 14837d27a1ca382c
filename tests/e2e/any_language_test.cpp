// Dorvane.exe started with recordings named in Cyrillic and in Chinese. This
// driver keeps its own (legacy) code page and speaks to the program and the
// file system through the wide API only, so a name that reached the program
// as question marks, or a file written under a mangled name, cannot pass.
// Run under a non-Western Wine locale too (run-in-locale.sh): DORVANE_E2E_ACP
// then names the legacy code page this driver must see.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "e2e_support.h"

namespace {

constexpr int kStatusBarId = 104;
constexpr int kLengthPart = 0;
constexpr int kAddBookmark = 11853;
constexpr int kNameEdit = 101;

std::wstring WindowTextW(HWND window) {
  wchar_t text[600] = L"";
  GetWindowTextW(window, text, 600);
  return text;
}

// A visible top-level window of the process whose caption starts with the text.
HWND FindWindowStartingWith(DWORD processId, const std::wstring& prefix, int timeoutMs) {
  struct Search {
    DWORD pid;
    const std::wstring* prefix;
    HWND found;
  };
  for (int waited = 0;; waited += 50) {
    Search search{processId, &prefix, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          DWORD pid = 0;
          GetWindowThreadProcessId(window, &pid);
          if (pid == s->pid && IsWindowVisible(window) && WindowTextW(window).rfind(*s->prefix, 0) == 0) {
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

std::string ReadFileW(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

class AnyLanguageProcess : public DorvaneProcessTest {
 protected:
  // The captions of the program's visible windows, for a failure's message.
  std::wstring ShownTitles() const {
    struct Seen {
      DWORD pid;
      std::wstring titles;
    } seen{process.dwProcessId, L""};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Seen*>(data);
          DWORD pid = 0;
          GetWindowThreadProcessId(window, &pid);
          if (pid == s->pid && IsWindowVisible(window)) s->titles += L"[" + WindowTextW(window) + L"] ";
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    return seen.titles;
  }

  // A status-bar part of the running program, read through a buffer in its
  // own memory (the length text is ASCII).
  std::string StatusText(HWND window, int part) {
    HWND bar = GetDlgItem(window, kStatusBarId);
    void* remote = VirtualAllocEx(process.hProcess, nullptr, 512, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (bar == nullptr || remote == nullptr) return "<unreadable>";
    char text[512] = "";
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000, &result)) {
      ReadProcessMemory(process.hProcess, remote, text, sizeof text - 1, nullptr);
    }
    VirtualFreeEx(process.hProcess, remote, 0, MEM_RELEASE);
    return text;
  }

  // Starts the program on the recording; its window, checked to show the
  // name whole, the length, and no message box.
  HWND StartOn(const std::wstring& media, const std::wstring& arguments) {
    Start(arguments);
    HWND window = FindWindowStartingWith(process.dwProcessId, L"Dorvane: " + media, 20000);
    if (window == nullptr) {
      ADD_FAILURE() << "no window titled with the recording's name; the program shows: " << ShownTitles();
      return nullptr;
    }
    EXPECT_EQ(WindowTextW(window), L"Dorvane: " + media);
    EXPECT_EQ(FindWindowStartingWith(process.dwProcessId, L"Error", 0), nullptr) << "a message box is open";
    EXPECT_EQ(StatusText(window, kLengthPart), " 0:02.000");
    return window;
  }
};

TEST_F(AnyLanguageProcess, TheDriverRunsInTheLocaleItWasStartedFor) {
  const char* expected = std::getenv("DORVANE_E2E_ACP");
  if (expected == nullptr) GTEST_SKIP() << "no locale asked for";
  EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
}

TEST_F(AnyLanguageProcess, ACyrillicRecordingOpensAndItsBookmarkFileIsWrittenBesideTheProgram) {
  const std::wstring media = WideFromAnsi(folder) + L"\\интервью.wav";
  WriteSilentWave(media, 2);
  HWND window = StartOn(media, media);  // unquoted, as typed
  ASSERT_NE(window, nullptr);

  // A bookmark named in Cyrillic through the program's own dialog.
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(kAddBookmark, 0), 0);
  HWND dialog = FindWindowStartingWith(process.dwProcessId, L"Name Bookmark at", 20000);
  ASSERT_NE(dialog, nullptr);
  SendMessageW(GetDlgItem(dialog, kNameEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Начало"));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  for (int waited = 0; waited < 10000 && IsWindow(dialog); waited += 50) Sleep(50);

  EXPECT_EQ(CloseAndWait(window), 0u);
  EXPECT_EQ(ReadFileW(WideFromAnsi(folder) + L"\\интервью.wav.BMK"), "Начало\t 0:00.000\r\n");
}

TEST_F(AnyLanguageProcess, AQuotedChineseNameWithABlankOpensAsOnePath) {
  const std::wstring media = WideFromAnsi(folder) + L"\\录音 1.wav";
  WriteSilentWave(media, 2);
  HWND window = StartOn(media, L"\"" + media + L"\"");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(CloseAndWait(window), 0u);
}

}  // namespace
