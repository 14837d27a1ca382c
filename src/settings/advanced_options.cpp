#include "settings/advanced_options.h"

#include <array>
#include <cstdint>

#include "audio/audio_device.h"
#include "help/help.h"
#include "pedal/pedal_input.h"
#include "res/resource.h"
#include "settings/settings_state.h"
#include "settings/timing_options.h"
#include "stamp/stamp_options.h"
#include "stamp/timestamp_text.h"

namespace {

// Each field with the edit that shows it.
struct TimingEdit {
  int edit;
  std::int32_t TimingOptions::*field;
};
constexpr std::array<TimingEdit, 7> kTimingEdits{{
    {IDC_ADV_HK_SPEEDUP, &TimingOptions::HotKeySpeedupDelay},
    {IDC_ADV_HK_SLOW, &TimingOptions::HotKeySlowRepeatSpeed},
    {IDC_ADV_HK_FAST, &TimingOptions::HotKeyFastRepeatSpeed},
    {IDC_ADV_HK_SEEKDELAY, &TimingOptions::HotKeySeekDelay},
    {IDC_ADV_BTN_SPEEDUP, &TimingOptions::ButtonSpeedupDelay},
    {IDC_ADV_BTN_SLOW, &TimingOptions::ButtonSlowRepeatSpeed},
    {IDC_ADV_BTN_FAST, &TimingOptions::ButtonFastRepeatSpeed},
}};

void ShowValues(HWND dialog, const TimingOptions& values) {
  for (const TimingEdit& e : kTimingEdits) {
    char text[16];
    wsprintfA(text, "%d", static_cast<int>(values.*(e.field)));
    SetDlgItemTextA(dialog, e.edit, text);
  }
}

void ShowPedalMode(HWND dialog, std::int32_t mode) {
  CheckRadioButton(dialog, IDC_ADV_PEDAL_HOLD, IDC_ADV_PEDAL_TOGGLE, mode == 1 ? IDC_ADV_PEDAL_TOGGLE : IDC_ADV_PEDAL_HOLD);
}

void ReadValues(HWND dialog) {
  for (const TimingEdit& e : kTimingEdits) {
    char text[40] = "";
    GetDlgItemTextA(dialog, e.edit, text, sizeof text);
    if (const auto value = ReadTimingValue(text)) timingOptions.*(e.field) = *value;
  }
  pedalMode = IsDlgButtonChecked(dialog, IDC_ADV_PEDAL_TOGGLE) == BST_CHECKED ? 1 : 0;
}

}  // namespace

INT_PTR CALLBACK AdvancedOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ShowValues(dialog, timingOptions);
      ShowTimestampFormats(dialog, stampFormat);
      ShowPedalMode(dialog, pedalMode);
      CheckDlgButton(dialog, IDC_ADV_SYSTEM_DEVICES, useSystemDevices ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(dialog, IDC_ADV_READ_PEDALS, readPedals ? BST_CHECKED : BST_UNCHECKED);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          ReadValues(dialog);
          stampFormat = SelectedTimestampFormat(dialog);
          // Takes effect for the next file opened; the open one keeps its device.
          useSystemDevices = IsDlgButtonChecked(dialog, IDC_ADV_SYSTEM_DEVICES) == BST_CHECKED;
          readPedals = IsDlgButtonChecked(dialog, IDC_ADV_READ_PEDALS) == BST_CHECKED;
          FollowPedalChoice(GetWindow(dialog, GW_OWNER));
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case IDC_ADV_RESTORE:
          ShowValues(dialog, defaultTimingOptions);
          SelectTimestampFormat(dialog, defaultTimestampFormat);
          ShowPedalMode(dialog, 0);
          CheckDlgButton(dialog, IDC_ADV_READ_PEDALS, BST_CHECKED);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_HELP:
      // The "?" button and F1 anywhere in the dialog show the dialog's topic.
      CallHelp(dialog, HELP_CONTEXT, HELPTOPIC_ADVANCED_OPTIONS);
      return TRUE;
    default:
      return FALSE;
  }
}
