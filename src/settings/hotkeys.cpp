#include "settings/hotkeys.h"

#include <commctrl.h>

#include <array>
#include <string>

#include "app/window_parts.h"
#include "audio/audio_device.h"
#include "help/help.h"
#include "res/resource.h"
#include "settings/hotkey_legend.h"
#include "settings/settings_state.h"

namespace {

// The hot-key control of each key in the Change HotKeys dialog, by id.
constexpr std::array<int, hotKeyCount> kHotKeyControls{IDC_HK_PLAY, IDC_HK_PAUSE, IDC_HK_WALK, IDC_HK_REWIND,
                                                        IDC_HK_FF, IDC_HK_STAMP};

BOOL RegisterCode(HWND window, int id, HotKeyCode code) {
  // The stamp types once per press: a held key's repeats would otherwise
  // reach the focused program as the plain key (F10 opens its menu).
  const UINT noRepeat = id == hotKeyStamp ? MOD_NOREPEAT : 0;
  return RegisterHotKey(window, id, HotKeyModifiers(code) | noRepeat, HotKeyVirtualKey(code));
}

void RegisterOne(HWND window, int id) {
  if (hotKeyCodes[id] == 0) hotKeyCodes[id] = defaultHotKeyCodes[id];
  if (RegisterCode(window, id, hotKeyCodes[id])) return;

  // Taken by another program, or by a key earlier in id order.
  hotKeyCodes[id] = defaultHotKeyCodes[id];
  char text[64];
  wsprintfA(text, "Invalid %s hot-key, using default", hotKeyNames[id]);
  MessageBoxA(window, text, "Error", MB_ICONWARNING);
  if (!RegisterCode(window, id, defaultHotKeyCodes[id])) {
    MessageBoxA(window, "Default Hot Key invalid!", "Error!", MB_ICONWARNING);
  }
}

// The system's name of a code's key, as a 10-character buffer holds it.
std::string KeyName(HotKeyCode code) {
  const UINT scanCode = MapVirtualKeyExA(HotKeyVirtualKey(code), 0, GetKeyboardLayout(0));
  LONG keyParam = static_cast<LONG>((scanCode & 0xFF) << 16);
  if (HotKeyFlags(code) & hotKeyFlagExt) keyParam |= 1L << 24;
  char name[10] = "";
  GetKeyNameTextA(keyParam, name, sizeof name);
  name[sizeof name - 1] = '\0';
  return name;
}

}  // namespace

void ShowHotKeyLegend(HWND window) {
  std::array<std::string, hotKeyCount> keyNames;
  for (int id = 0; id < hotKeyCount; ++id) keyNames[id] = KeyName(hotKeyCodes[id]);
  // The sound settings' mark goes first, so that a long legend never hides it.
  std::string mark = SoundMark(CurrentSoundSettings());
  if (!mark.empty()) mark += " | ";
  SetStatusText(window, kStatusHotKeys, (mark + HotKeyLegend(hotKeyCodes, keyNames)).c_str());
}

void RegisterHotKeys(HWND window) {
  for (int id = 0; id < hotKeyCount; ++id) RegisterOne(window, id);
  ShowHotKeyLegend(window);
}

void UnregisterHotKeys(HWND window) {
  for (int id = 0; id < hotKeyCount; ++id) UnregisterHotKey(window, id);
}

INT_PTR CALLBACK HotKeysDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      for (int id = 0; id < hotKeyCount; ++id) {
        SendDlgItemMessageA(dialog, kHotKeyControls[id], HKM_SETHOTKEY, hotKeyCodes[id], 0);
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        for (int id = 0; id < hotKeyCount; ++id) {
          const LRESULT code = SendDlgItemMessageA(dialog, kHotKeyControls[id], HKM_GETHOTKEY, 0, 0);
          hotKeyCodes[id] = static_cast<HotKeyCode>(code & 0xFFFF);
        }
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    case WM_HELP:
      // The "?" button and F1 anywhere in the dialog show the dialog's topic.
      CallHelp(dialog, HELP_CONTEXT, HELPTOPIC_CHANGE_HOTKEYS);
      return TRUE;
    default:
      return FALSE;
  }
}
