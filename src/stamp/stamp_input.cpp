#include "stamp/stamp_input.h"

#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/player_state.h"
#include "app/window_parts.h"
#include "playback/mci.h"
#include "settings/settings_state.h"
#include "stamp/stamp_relay.h"
#include "stamp/timestamp_text.h"

SendInputFn sendInputHook = SendInput;
GetAsyncKeyStateFn asyncKeyStateHook = GetAsyncKeyState;
ForegroundElevatedFn foregroundElevatedHook = IsForegroundElevated;

namespace {

// The keys behind each modifier flag of a hot-key code, left and right.
struct ModifierKey {
  std::uint8_t flag;
  BYTE virtualKey;
  bool extended;  // the right Ctrl and Alt keys are extended keys
};
constexpr std::array<ModifierKey, 6> kModifierKeys{{
    {hotKeyFlagControl, VK_LCONTROL, false},
    {hotKeyFlagControl, VK_RCONTROL, true},
    {hotKeyFlagAlt, VK_LMENU, false},
    {hotKeyFlagAlt, VK_RMENU, true},
    {hotKeyFlagShift, VK_LSHIFT, false},
    {hotKeyFlagShift, VK_RSHIFT, false},
}};

// An unassigned virtual key. Tapped before Alt is let go, it tells the
// focused program that Alt was not pressed alone, so Alt's release does not
// open the program's menu, which would swallow the timestamp.
constexpr BYTE kMaskKey = 0xE8;

INPUT KeyEvent(WORD virtualKey, WORD scan, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = scan;
  input.ki.dwFlags = flags;
  return input;
}

bool IsDown(int virtualKey) {
  return (static_cast<USHORT>(asyncKeyStateHook(virtualKey)) & 0x8000) != 0;
}

// Whether a process's token is elevated; false when it cannot be told.
bool IsElevated(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                        elevation.TokenIsElevated != 0;
  CloseHandle(token);
  return elevated;
}

constexpr char kElevatedText[] = "cannot type into a program run as administrator";

}  // namespace

bool IsForegroundElevated() {
  DWORD processId = 0;
  GetWindowThreadProcessId(GetForegroundWindow(), &processId);
  if (processId == 0 || processId == GetCurrentProcessId() || IsElevated(GetCurrentProcess())) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  // A process whose rights cannot even be read runs with more than Dorvane's.
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool elevated = IsElevated(process);
  CloseHandle(process);
  return elevated;
}

void TypeTimestamp() {
  if (!player.isOpen) return;
  if (foregroundElevatedHook()) {
    // The system would drop every key without a word.
    SetStatusText(mainWindow, kStatusCounter, kElevatedText);
    return;
  }
  const std::string text = FormatTimestamp(QueryMciStatus(MCI_STATUS_POSITION, false), stampFormat);
  RelayTimestamp(text);

  std::vector<INPUT> releases, pressesAgain;
  bool altHeld = false;
  const std::uint8_t flags = HotKeyFlags(hotKeyCodes[hotKeyStamp]);
  for (const ModifierKey& key : kModifierKeys) {
    if ((flags & key.flag) == 0 || !IsDown(key.virtualKey)) continue;
    altHeld = altHeld || key.flag == hotKeyFlagAlt;
    const auto scan = static_cast<WORD>(MapVirtualKeyA(key.virtualKey, MAPVK_VK_TO_VSC));
    releases.push_back(KeyEvent(key.virtualKey, scan, KEYEVENTF_KEYUP | (key.extended ? KEYEVENTF_EXTENDEDKEY : 0)));
    pressesAgain.push_back(KeyEvent(key.virtualKey, scan, key.extended ? KEYEVENTF_EXTENDEDKEY : 0));
  }
  std::vector<INPUT> events;
  if (altHeld) events.insert(events.end(), {KeyEvent(kMaskKey, 0, 0), KeyEvent(kMaskKey, 0, KEYEVENTF_KEYUP)});
  events.insert(events.end(), releases.begin(), releases.end());
  for (const char c : text) {
    const auto unit = static_cast<WORD>(static_cast<unsigned char>(c));  // the timestamp is plain ASCII
    events.push_back(KeyEvent(0, unit, KEYEVENTF_UNICODE));
    events.push_back(KeyEvent(0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
  }
  events.insert(events.end(), pressesAgain.begin(), pressesAgain.end());
  // A focused window that takes no text simply gets nothing; the result
  // (events blocked by the system) is not worth a message.
  sendInputHook(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT));
}
