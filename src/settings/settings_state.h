// Process-wide settings tables: the fast-wind timing values in force and the
// five hot-key codes.
#pragma once
#include <array>
#include <cstdint>

#include "settings/timing_options.h"

extern TimingOptions timingOptions;
