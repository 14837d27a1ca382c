#include "settings/settings_state.h"

TimingOptions timingOptions = defaultTimingOptions;
std::array<HotKeyCode, hotKeyCount> hotKeyCodes{};
bool optionsFileUnread = false;

void ResetSettingsState() {
  timingOptions = defaultTimingOptions;
  hotKeyCodes = {};
  optionsFileUnread = false;
}
