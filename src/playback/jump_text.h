// Text of the Jump dialog: the position it shows as "minutes:seconds" and the
// position the user typed back.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// "%d:%02d" of minutes = ms / 60000 and seconds = (ms / 1000) % 60 (C's
// truncating division); the milliseconds are dropped. 754321 gives "12:34".
std::string JumpInitialText(std::int32_t ms);

// Reads the edit text as sscanf(text, "%d:%d", &minutes, &seconds) would, with
// minutes starting at -1 and seconds at 0. Only the first 39 characters count
// (the dialog's buffer). Each number may have leading white space and a sign;
// the colon must follow the minutes at once.
// Returns -1 (no seek) when no minutes were read or the minutes are exactly -1;
// otherwise minutes * 60000 + seconds * 1000. Numbers too large for an int are
// saturated and the result is clamped to the int32 range instead of
// overflowing; a clamped result is never -1, so it still seeks.
std::int32_t ReadJumpText(std::string_view text);
