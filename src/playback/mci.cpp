#include "playback/mci.h"

#include <cstdio>

#include "app/player_state.h"
#include "audio/audio_device.h"

MciSendCommandFn mciSendCommandHook = AudioSendCommand;

namespace {

// The command of the last play sent, told by its flags as the three plays
// differ, for a failure that its notification reports later.
const char* lastPlayLabel = mci_label::kPlay;

const char* PlayLabel(DWORD flags) {
  if (flags & MCI_FROM) return mci_label::kWalk;
  if (flags & MCI_TO) return mci_label::kFirstWalkStep;
  return mci_label::kPlay;
}

}  // namespace

void ShowMciError(MCIERROR error, const char* label) {
  char text[4 * MAXERRORLENGTH] = "";  // the device's text in any language, as UTF-8
  mciGetErrorStringA(error, text, sizeof text);
  char caption[100];
  std::snprintf(caption, sizeof caption, "Error in processing MCI command %s", label);
  // Owned by the main window, so that it is disabled beneath the box and
  // nothing (a hot key, a pedal, a file handed over) runs inside the failed command.
  MessageBoxA(mainWindow, text, caption, MB_ICONWARNING);
}

MCIERROR SendMciCommandError(std::uint32_t device, UINT command, DWORD flags, void* parms, const char* playLabel) {
  if (command == MCI_PLAY) lastPlayLabel = playLabel != nullptr ? playLabel : PlayLabel(flags);
  return mciSendCommandHook(device, command, flags, reinterpret_cast<DWORD_PTR>(parms));
}

int SendMciCommand(std::uint32_t device, UINT command, DWORD flags, void* parms, const char* label) {
  const MCIERROR error = SendMciCommandError(device, command, flags, parms);
  if (error == 0) return 0;
  if (label != nullptr) ShowMciError(error, label);
  return 1;
}

void ReportFailedPlay() {
  const MCIERROR error = TakeAudioFailure(player.deviceId);
  ShowMciError(error != 0 ? error : MCIERR_HARDWARE, lastPlayLabel);
}

std::int32_t QueryMciStatus(DWORD item, bool report) {
  MCI_STATUS_PARMS status{};
  status.dwItem = item;
  if (SendMciCommand(player.deviceId, MCI_STATUS, MCI_STATUS_ITEM, &status,
                     report ? mci_label::kStatus : nullptr) != 0) {
    return 0;  // a failed query counts as 0, whatever the device left in the block
  }
  return static_cast<std::int32_t>(status.dwReturn);
}

void ShowSystemError(HWND owner, DWORD error) {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, error,
                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
  MessageBoxA(owner, text != nullptr ? text : "", "Error", MB_ICONWARNING);
  if (text != nullptr) LocalFree(text);
}

std::string SystemMessage(DWORD error) {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
                 nullptr);
  std::string message = text != nullptr ? text : "error " + std::to_string(error);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  return message;
}
