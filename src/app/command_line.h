// Start-up text handling that needs no system: the media path named on the
// command line and the program directory.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "text/utf8_text.h"

// The command-line text after the program name is one media file path: it is
// never split at blanks. A text of blanks and tabs only is empty, and one pair
// of enclosing double quotes (as Explorer passes a path) is removed.
std::string MediaPathFromCommandLine(std::string_view text);

// The program file's path ended at its last backslash (the directory without
// a trailing backslash); a path without any backslash stays whole.
std::string ProgramDirOf(std::string_view modulePath);

// A second start hands its command-line text to the copy already running.
// The text taken from the bytes it sent: up to the first NUL (or all of
// them), and never more than kHandOverLimit bytes.
inline constexpr std::size_t kHandOverLimit = 32768;
std::string HandedOverText(std::string_view bytes);

// Copies text into a fixed character array, cut to fit with its terminator;
// a cut falls between two characters, never inside one.
template <std::size_t N>
void CopyText(char (&target)[N], std::string_view text) {
  static_assert(N > 0);
  const std::size_t n = Utf8CutLength(text, N - 1);
  text.copy(target, n);
  target[n] = '\0';
}
