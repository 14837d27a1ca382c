// Text form of media positions, shared by the status bar, bookmark menu,
// bookmark file and dialog titles.
#pragma once
#include <cstdint>
#include <string>

// "%2d:%02d.%03d" of minutes, seconds and milliseconds, each division
// truncating toward zero as C does. Positions from 0 up give at most
// 12 characters.
std::string FormatPosition(std::int32_t ms);
