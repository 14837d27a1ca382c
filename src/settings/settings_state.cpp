#include "settings/settings_state.h"

TimingOptions timingOptions = defaultTimingOptions;
