#include "settings/settings_state.h"

#include "audio/audio_device.h"

TimingOptions timingOptions = defaultTimingOptions;
std::array<HotKeyCode, hotKeyCount> hotKeyCodes{};
bool optionsFileUnread = false;
std::int32_t stampFormat = 0;
std::int32_t pedalMode = 0;
bool readPedals = true;

void ResetSettingsState() {
  timingOptions = defaultTimingOptions;
  hotKeyCodes = {};
  optionsFileUnread = false;
  stampFormat = 0;
  pedalMode = 0;
  readPedals = true;
  useSystemDevices = false;
  SetSoundSettings({});
}
