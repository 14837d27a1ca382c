#include "settings/options_file.h"

#include <commctrl.h>

#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/file_io.h"
#include "app/player_state.h"
#include "app/window_parts.h"
#include "audio/audio_device.h"
#include "filesel/file_dialogs.h"
#include "pedal/pedal_input.h"
#include "playback/mci.h"
#include "res/resource.h"
#include "settings/hotkeys.h"
#include "settings/options_text.h"
#include "settings/settings_state.h"
#include "text/legacy_code_page.h"

namespace {

// String 11, the text applied when the file to load does not exist.
std::string BuiltInDefaultText() {
  char text[optionsTextLimit + 1] = "";
  const int length = LoadStringA(appInstance, IDS_DEFAULT_OPTIONS, text, sizeof text);
  if (length <= 0) return std::string(builtInDefaultOptions);
  return std::string(text, static_cast<std::size_t>(length));
}

void ApplyOptionsText(HWND window, std::string_view text) {
  const OptionsValues values = ReadOptionsText(text, StoredTextDecoder());
  // The timing values start from their defaults for every loaded text, so a
  // file without them gives the defaults.
  timingOptions = values.timing;
  useSystemDevices = values.choices[choiceSystemDevices] == 1;
  SetSoundSettings({values.choices[choiceBoost], values.choices[choiceLevel] == 1, values.choices[choiceChannel],
                    values.choices[choiceLowCut] == 1, values.choices[choiceDenoise] == 1});
  if (values.walkLengthMs) SetWalkLengthMs(window, *values.walkLengthMs);
  if (values.backspaceMs) SetBackspaceMs(window, *values.backspaceMs);
  if (values.walkPauseMs) SetWalkPauseMs(window, *values.walkPauseMs);
  if (values.unpauseRewindMs) SetUnpauseRewindMs(window, *values.unpauseRewindMs);
  if (values.numLoops) {
    // The counter takes the low 16 bits as a signed position and holds it
    // within its range.
    const WORD position = LOWORD(static_cast<DWORD>(*values.numLoops));
    SendDlgItemMessageA(window, IDC_LOOPS_UPDOWN, UDM_SETPOS, 0, MAKELPARAM(position, 0));
  }
  for (int id = 0; id < hotKeyCount; ++id) {
    // A code is the hot-key control's 16-bit word.
    if (values.hotKeys[id]) hotKeyCodes[id] = static_cast<HotKeyCode>(*values.hotKeys[id] & 0xFFFF);
  }
  if (values.file) player.mediaPath = *values.file;
  stampFormat = values.choices[choiceStampFormat];
  pedalMode = values.choices[choicePedalMode];
  readPedals = values.choices[choicePedals] == 1;
}

OptionsSnapshot CurrentSettings(HWND window) {
  OptionsSnapshot settings;
  settings.walkLengthMs = GetWalkLengthMs(window);
  settings.backspaceMs = GetBackspaceMs(window);
  settings.walkPauseMs = GetWalkPauseMs(window);
  settings.unpauseRewindMs = GetUnpauseRewindMs(window);
  settings.numLoops = GetLoopCount(window);
  settings.hotKeys = hotKeyCodes;
  settings.file = player.mediaPath;
  settings.timing = timingOptions;
  settings.choices[choiceStampFormat] = stampFormat;
  settings.choices[choicePedalMode] = pedalMode;
  settings.choices[choiceSystemDevices] = useSystemDevices ? 1 : 0;
  settings.choices[choicePedals] = readPedals ? 1 : 0;
  const SoundSettings& sound = CurrentSoundSettings();
  settings.choices[choiceBoost] = sound.boostDb;
  settings.choices[choiceLevel] = sound.level ? 1 : 0;
  settings.choices[choiceChannel] = sound.channel;
  settings.choices[choiceLowCut] = sound.lowCut ? 1 : 0;
  settings.choices[choiceDenoise] = sound.denoise ? 1 : 0;
  return settings;
}

}  // namespace

std::string DefaultOptionsPath() {
  return std::string(player.programDir) + "\\default.usr";
}

void LoadUserOptions(HWND window, const char* path) {
  // Copies first: the path may be optionsPath itself, which changes below.
  const std::string leaving = player.optionsPath;
  const std::string given = path != nullptr ? path : "";

  std::string chosen = leaving;
  if (path == nullptr && !RunFileDialog(OptionsOpenDialog(), window, chosen, FileDialogKind::kOpen)) return;
  // The settings in force go to the file being left, whether or not the new
  // one can be read.
  if (!leaving.empty()) SaveUserOptionsAutomatically(window, leaving.c_str());
  player.optionsPath = path != nullptr ? given : chosen;

  std::string text;
  const DWORD error = ReadFileStart(player.optionsPath, optionsTextLimit, text);
  if (error == ERROR_FILE_NOT_FOUND) {
    text = BuiltInDefaultText();
  } else if (error != 0) {
    // The file exists but holds settings that could not be read: they must
    // not be written over by a save nobody asked for.
    ShowSystemError(window, error);
    if (!leaving.empty()) {
      // The file left stays current, so its settings keep being saved there;
      // the hot keys stay registered as they were.
      player.optionsPath = leaving;
      return;
    }
    // At start-up: the file stays current but unread, and the hot keys are
    // registered with their defaults, so they work and the legend shows them.
    optionsFileUnread = true;
    RegisterHotKeys(window);
    return;
  }
  optionsFileUnread = false;
  ApplyOptionsText(window, text);
  FollowPedalChoice(window);
  UnregisterHotKeys(window);
  RegisterHotKeys(window);
}

void SaveUserOptions(HWND window, const char* path) {
  if (path == nullptr && !RunFileDialog(OptionsSaveDialog(), window, player.optionsPath, FileDialogKind::kSave)) {
    return;  // a cancelled dialog changes nothing
  }
  const std::string target = path != nullptr ? path : player.optionsPath;
  const DWORD error = ReplaceWithText(target, WriteOptionsText(CurrentSettings(window)));
  if (error != 0) {
    ShowSystemError(window, error);
  } else if (target == player.optionsPath) {
    optionsFileUnread = false;  // the current file now holds the settings in force
  }
}

void SaveUserOptionsAutomatically(HWND window, const char* path) {
  if (optionsFileUnread) return;
  SaveUserOptions(window, path);
}
