// The user options text (".usr" files): the reader that turns a file's bytes
// into the values to apply, and the writer that turns the current settings
// into the 18 lines of a file and the keys added after them. The Win32 side
// does the file access, the controls and the hot-key registration.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/hotkey_codes.h"
#include "settings/timing_options.h"
#include "text/utf8_text.h"

// Only this many leading bytes of an options file are read.
inline constexpr std::size_t optionsTextLimit = 600;
// Bytes of the longest media path the system takes: 259 UTF-16 units (260
// with the terminator), each at most 3 bytes of UTF-8.
inline constexpr std::size_t mediaPathLimit = 3 * 259;

// Applied when the options file to load does not exist (string resource 11).
inline constexpr std::string_view builtInDefaultOptions =
    "WalkLength=3.0\r\nBackspace=1.5\r\nWalkPause=1.0\r\nNumLoops=3\r\n"
    "HKPlay=0274\r\nHKPause=0275\r\nHKRewind=0277\r\nHKWalk=0276\r\nHKFF=0278\r\n";

// Keys added after the 18 lines of the original format. A file of someone
// who never changes them stays byte for byte as it was, so:
// - the writer appends each after the 18 lines, in the fixed order HKStamp,
//   then the choices in table order, and only when it differs from its default;
// - the reader takes each from anywhere in the file, after the 18 names in
//   lookup order; a key that is missing, has no number or one out of range
//   gives the default (so a file without it reads back as written).
// HKStamp is the Stamp hot key's code (hexadecimal, 0 to FFFF; the next
// registration replaces 0 by the default, as for the other keys). Each choice
// is a decimal number from 0 to its largest value. Adding a choice: one enum
// entry before optionChoiceCount, one row of optionChoiceKeys, and the
// shell's two lines that apply and take its value.
enum OptionChoice : int {
  choiceStampFormat,
  choicePedalMode,
  choiceSystemDevices,
  choiceBoost,
  choiceLevel,
  choiceChannel,
  choiceLowCut,
  choiceDenoise,
  choicePedals,
  optionChoiceCount
};
struct OptionChoiceKey {
  std::string_view name;
  std::int32_t defaultValue;
  std::int32_t largest;
};
inline constexpr std::array<OptionChoiceKey, optionChoiceCount> optionChoiceKeys{{
    {"StampFormat", 0, 3},
    {"PedalMode", 0, 1},  // the middle foot pedal: 0 hold to play, 1 press to toggle
    // 1: every file opens on the system's MCI devices; 0: wav and mp3 on Dorvane's own.
    {"SystemDevices", 0, 1},
    // Options, Sound... (Dorvane's own audio device only).
    {"Boost", 0, 20},    // volume boost in dB
    {"Level", 0, 1},     // 1: the speech leveller evens out loud and quiet voices
    {"Channel", 0, 3},   // 0 both, 1 left only, 2 right only, 3 both mixed to one
    {"LowCut", 0, 1},    // 1: rumble and hum high-pass
    {"Denoise", 0, 1},   // 1: steady-noise suppressor
    // 0: USB foot pedals are not read directly (they may act as a keyboard instead).
    {"Pedals", 1, 1},
}};
using OptionChoices = std::array<std::int32_t, optionChoiceCount>;
inline constexpr OptionChoices DefaultOptionChoices() {
  OptionChoices choices{};
  for (int i = 0; i < optionChoiceCount; ++i) choices[i] = optionChoiceKeys[i].defaultValue;
  return choices;
}

// What an options text sets. An empty optional means the text did not set
// that value, so the control or table keeps what it has.
struct OptionsValues {
  std::optional<std::int32_t> walkLengthMs;
  std::optional<std::int32_t> backspaceMs;
  std::optional<std::int32_t> walkPauseMs;
  std::optional<std::int32_t> unpauseRewindMs;
  // The number as read; the loop counter gets its low 16 bits and clamps.
  std::optional<std::int32_t> numLoops;
  // Indexed by hot-key id (not by the order of the keys in the file). The
  // Stamp entry, an added key, always has a value: its default when the text
  // gives none.
  std::array<std::optional<std::uint32_t>, hotKeyCount> hotKeys;
  // UTF-8, at most mediaPathLimit bytes, cut between characters.
  std::optional<std::string> file;
  // Always complete: the defaults, overwritten by the values the text gives.
  TimingOptions timing = defaultTimingOptions;
  // Always complete, indexed by OptionChoice: the defaults, overwritten by
  // the values in range that the text gives.
  OptionChoices choices = DefaultOptionChoices();
};

// Applies an options text line by line:
// - only the first optionsTextLimit bytes count;
// - a line runs up to the next CR, and the character after each CR is
//   skipped (the LF); text after the last CR is ignored;
// - the key is the text before the first "=", the value the rest; a line
//   without "=" is ignored;
// - a key selects the first name, in lookup order, whose leading characters
//   equal the key ignoring ASCII letter case; so "walk" means WalkLength, the
//   empty key WalkLength, and a key with anything beyond a name nothing;
// - a key given twice takes the later value;
// - a File value that is not valid UTF-8 was written in the legacy code page
//   and is converted with the decoder (kept as it is without one).
OptionsValues ReadOptionsText(std::string_view text, LegacyDecoder legacy = Windows1252ToUtf8);

// The settings as the writer takes them.
struct OptionsSnapshot {
  std::int32_t walkLengthMs = 0;
  std::int32_t backspaceMs = 0;
  std::int32_t walkPauseMs = 0;
  std::int32_t unpauseRewindMs = 0;
  std::int32_t numLoops = 0;
  std::array<HotKeyCode, hotKeyCount> hotKeys{};  // indexed by hot-key id
  std::string file;
  TimingOptions timing = defaultTimingOptions;
  OptionChoices choices = DefaultOptionChoices();  // indexed by OptionChoice
};

// The 18 lines of an options file, each ending in CR LF, in written order,
// then the added keys that differ from their defaults.
// The text never exceeds optionsTextLimit bytes: when the settings would
// make it longer, the File value (which is only the media dialog's starting
// name) is shortened just enough, between two characters, so every other
// value is read back.
std::string WriteOptionsText(const OptionsSnapshot& snapshot);

// Slider position for a time in ms: ms * 2 / 1000, truncating toward zero,
// computed without overflow. Not clamped: the slider holds its own range.
int SliderPositionForMs(std::int32_t ms);
