#include "settings/settings_state.h"

TimingOptions timingOptions = defaultTimingOptions;
std::array<HotKeyCode, hotKeyCount> hotKeyCodes{};

void ResetSettingsState() {
  timingOptions = defaultTimingOptions;
  hotKeyCodes = {};
}
