#include "settings/sound_options.h"

#include <commctrl.h>

#include <array>

#include "app/player_state.h"
#include "audio/audio_device.h"
#include "help/help.h"
#include "res/resource.h"
#include "settings/hotkeys.h"

namespace {

// The channel list, in SoundChannel order.
constexpr std::array<const char*, 4> kChannelNames{"Both", "Left only", "Right only", "Both mixed to one"};
constexpr std::array<int, 8> kControls{IDC_SND_BOOST_LABEL, IDC_SND_BOOST,  IDC_SND_BOOST_VALUE, IDC_SND_LEVEL,
                                       IDC_SND_CHANNEL_LABEL, IDC_SND_CHANNEL, IDC_SND_LOWCUT,     IDC_SND_DENOISE};
constexpr char kSystemDeviceNote[] = "These work only for files that Dorvane plays itself, not for this one.";

// The settings in force when the dialog opened, for Cancel. The dialog is
// modal and its parent the one main window, so there is only ever one.
SoundSettings atOpen;

void ShowBoost(HWND dialog, int db) {
  char text[16];
  wsprintfA(text, "+%d dB", db);
  SetDlgItemTextA(dialog, IDC_SND_BOOST_VALUE, text);
}

void ShowSettings(HWND dialog, const SoundSettings& s) {
  SendDlgItemMessageA(dialog, IDC_SND_BOOST, TBM_SETRANGE, TRUE, MAKELPARAM(0, kMaxBoostDb));
  SendDlgItemMessageA(dialog, IDC_SND_BOOST, TBM_SETPAGESIZE, 0, 3);
  SendDlgItemMessageA(dialog, IDC_SND_BOOST, TBM_SETPOS, TRUE, s.boostDb);
  ShowBoost(dialog, s.boostDb);
  CheckDlgButton(dialog, IDC_SND_LEVEL, s.level ? BST_CHECKED : BST_UNCHECKED);
  for (const char* name : kChannelNames)
    SendDlgItemMessageA(dialog, IDC_SND_CHANNEL, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SendDlgItemMessageA(dialog, IDC_SND_CHANNEL, CB_SETCURSEL, static_cast<WPARAM>(s.channel), 0);
  CheckDlgButton(dialog, IDC_SND_LOWCUT, s.lowCut ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_SND_DENOISE, s.denoise ? BST_CHECKED : BST_UNCHECKED);
}

SoundSettings ReadSettings(HWND dialog) {
  SoundSettings s;
  s.boostDb = static_cast<int>(SendDlgItemMessageA(dialog, IDC_SND_BOOST, TBM_GETPOS, 0, 0));
  s.level = IsDlgButtonChecked(dialog, IDC_SND_LEVEL) == BST_CHECKED;
  const auto channel = SendDlgItemMessageA(dialog, IDC_SND_CHANNEL, CB_GETCURSEL, 0, 0);
  s.channel = channel >= 0 && channel < static_cast<LRESULT>(kChannelNames.size()) ? static_cast<int>(channel) : channelBoth;
  s.lowCut = IsDlgButtonChecked(dialog, IDC_SND_LOWCUT) == BST_CHECKED;
  s.denoise = IsDlgButtonChecked(dialog, IDC_SND_DENOISE) == BST_CHECKED;
  return s;
}

// Hands the settings to the audio device and shows their mark.
void Apply(HWND dialog, const SoundSettings& s) {
  SetSoundSettings(s);
  ShowHotKeyLegend(GetParent(dialog));
}

}  // namespace

INT_PTR CALLBACK SoundOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      atOpen = CurrentSoundSettings();
      ShowSettings(dialog, atOpen);
      const bool systems = player.isOpen && !IsOwnAudioDevice(static_cast<MCIDEVICEID>(player.deviceId));
      for (int id : kControls) EnableWindow(GetDlgItem(dialog, id), !systems);
      SetDlgItemTextA(dialog, IDC_SND_SYSTEM_NOTE, systems ? kSystemDeviceNote : "");
      return TRUE;
    }
    case WM_HSCROLL: {  // the boost slider, its only one
      const SoundSettings s = ReadSettings(dialog);
      ShowBoost(dialog, s.boostDb);
      Apply(dialog, s);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          Apply(dialog, ReadSettings(dialog));
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          Apply(dialog, atOpen);
          EndDialog(dialog, 0);
          return TRUE;
        case IDC_SND_LEVEL:
        case IDC_SND_LOWCUT:
        case IDC_SND_DENOISE:
          if (HIWORD(wParam) == BN_CLICKED) Apply(dialog, ReadSettings(dialog));
          return TRUE;
        case IDC_SND_CHANNEL:
          if (HIWORD(wParam) == CBN_SELCHANGE) Apply(dialog, ReadSettings(dialog));
          return TRUE;
        default:
          return FALSE;
      }
    case WM_HELP:
      // The "?" button and F1 anywhere in the dialog show the dialog's topic.
      CallHelp(dialog, HELP_CONTEXT, HELPTOPIC_SOUND_OPTIONS);
      return TRUE;
    default:
      return FALSE;
  }
}
