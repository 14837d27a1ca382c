#include "app/single_instance.h"

#include <algorithm>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "playback/media.h"

namespace {

constexpr char kMainWindowProp[] = "Dorvane.MainWindow";
constexpr ULONG_PTR kHandOverTag = 0x31764F44;  // "DOv1"
constexpr int kClaimWaitMs = 10000;  // for a copy that starts or ends and has no window for a moment
constexpr int kClaimStepMs = 100;
constexpr UINT kRetryMs = 250;

std::optional<std::string> handedOver;

std::string MutexName() {
  char user[257] = "";
  DWORD size = sizeof user;
  if (!GetUserNameA(user, &size)) user[0] = '\0';
  return std::string("Local\\Dorvane.Running.") + user;
}

HWND FindRunningMainWindow() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        if (GetPropA(window, kMainWindowProp) == nullptr) return TRUE;
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

bool HandOver(HWND running, const char* commandLine) {
  DWORD processId = 0;
  GetWindowThreadProcessId(running, &processId);
  // This process was started by the user and may give the running copy the
  // right to come to the front.
  AllowSetForegroundWindow(processId);
  std::string text = HandedOverText(commandLine != nullptr ? commandLine : "");
  text.resize(std::min(text.size(), kHandOverLimit - 1));
  COPYDATASTRUCT data = HandOverData(text.c_str(), static_cast<DWORD>(text.size() + 1));
  DWORD_PTR taken = 0;
  return SendMessageTimeoutA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_NORMAL | SMTO_ABORTIFHUNG, kClaimWaitMs, &taken) != 0 &&
         taken == TRUE;
}

}  // namespace

COPYDATASTRUCT HandOverData(const char* commandLineWithTerminator, DWORD size) {
  COPYDATASTRUCT data{};
  data.dwData = kHandOverTag;
  data.cbData = size;
  data.lpData = const_cast<char*>(commandLineWithTerminator);
  return data;
}

bool ClaimSingleInstance(const char* commandLine, int waitMs) {
  const std::string name = MutexName();
  for (int waited = 0; waited < waitMs; waited += kClaimStepMs) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    // A copy run as administrator owns a name this copy may not open.
    if (mutex == nullptr && GetLastError() != ERROR_ACCESS_DENIED) return true;  // cannot tell: run
    if (mutex != nullptr) {
      if (GetLastError() != ERROR_ALREADY_EXISTS) return true;  // the first copy: held until the process ends
      CloseHandle(mutex);
    }
    if (HWND running = FindRunningMainWindow(); running != nullptr && HandOver(running, commandLine)) return false;
    Sleep(kClaimStepMs);
  }
  // Another copy holds the name but no window of it takes the file: it is
  // stuck, or runs as administrator where this copy's messages cannot reach.
  // Running beside it would fight over the hot keys (a box for each) and the
  // options file, so this copy says so once and ends, touching no file.
  MessageBoxA(nullptr,
              "Another Dorvane is running but not answering.\n\nClose it (or end it in Task Manager), then "
              "start Dorvane again.",
              "Dorvane", MB_ICONWARNING | MB_SETFOREGROUND);
  return false;
}

void MarkMainWindow(HWND window) { SetPropA(window, kMainWindowProp, reinterpret_cast<HANDLE>(1)); }

void UnmarkMainWindow(HWND window) { RemovePropA(window, kMainWindowProp); }

BOOL OnHandOver(HWND window, const COPYDATASTRUCT* data) {
  if (data == nullptr || data->dwData != kHandOverTag || (data->cbData != 0 && data->lpData == nullptr)) {
    return FALSE;
  }
  handedOver = HandedOverText(std::string_view(static_cast<const char*>(data->lpData), data->cbData));
  // The sender waits for this answer: the file is opened after it has it.
  PostMessageA(window, kHandOverMessage, 0, 0);
  return TRUE;
}

void OpenHandedOverFile(HWND window) {
  KillTimer(window, kHandOverTimer);
  if (!handedOver) return;
  if (!IsWindowEnabled(window)) {
    // A box or dialog of this window is open: the file is opened after it,
    // as the File, Open command could be.
    SetTimer(window, kHandOverTimer, kRetryMs, nullptr);
    return;
  }
  const std::string path = MediaPathFromCommandLine(*handedOver);
  handedOver.reset();
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
  if (!path.empty()) OpenMediaFile(window, path.c_str());
}
