#include "settings/options_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

namespace {

bool IsBlank(char c) {
  // isspace() in the C locale, without its locale and sign pitfalls.
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::size_t SkipBlanks(std::string_view text, std::size_t i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i;
}

std::int32_t SaturateToInt32(double value) {
  if (!(value == value)) return 0;  // NaN; cannot arise from decimal text, kept for safety
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

// A seconds value read as atof reads a decimal number (leading blanks, sign,
// digits with an optional fraction, optional exponent; no number gives 0),
// then ms = value * 1000 truncated toward zero. Values beyond the 32-bit
// range of ms saturate. Only the decimal form is read, the same on every C
// library: "inf", "nan" and hexadecimal give 0.
std::int32_t ReadSecondsAsMs(std::string_view text) {
  std::size_t i = SkipBlanks(text, 0);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::string digits;
  int fractionDigits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) digits += text[i];
  const bool hasIntegerDigits = !digits.empty();
  if (i < text.size() && text[i] == '.') {
    ++i;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++fractionDigits) digits += text[i];
  }
  if (!hasIntegerDigits && fractionDigits == 0) return 0;

  // An exponent counts only when at least one digit follows "e" and its sign.
  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      negativeExponent = text[j] == '-';
      ++j;
    }
    for (; j < text.size() && IsDigit(text[j]); ++j) {
      if (exponent < 100000) exponent = exponent * 10 + (text[j] - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }

  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  digits.erase(0, first);
  // value = digits * 10^scale; its leading digit stands at 10^magnitude.
  const long scale = exponent - fractionDigits;
  const long magnitude = static_cast<long>(digits.size()) - 1 + scale;
  if (magnitude > 12) return negative ? INT32_MIN : INT32_MAX;
  if (magnitude < -12) return 0;

  // Within these bounds the conversion can neither overflow nor underflow.
  digits += 'e';
  digits += std::to_string(scale);
  double value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  const double ms = std::trunc(value * 1000.0);
  return SaturateToInt32(negative ? -ms : ms);
}

// A hot-key code read as scanf "%x" reads into a 32-bit code: leading blanks,
// optional sign, optional "0x" prefix, hexadecimal digits. No digits: no
// value. A "0x" with no hex digit after it reads as the number 0, as strtoul
// does. Numbers beyond 32 bits saturate at FFFFFFFF; a minus sign negates
// modulo 2^32, as strtoul does.
std::optional<std::uint32_t> ReadHexCode(std::string_view text) {
  std::size_t i = SkipBlanks(text, 0);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    if (i + 2 < text.size() && HexDigitValue(text[i + 2]) >= 0) {
      i += 2;
    } else {
      return 0u;
    }
  }
  if (i >= text.size() || HexDigitValue(text[i]) < 0) return std::nullopt;
  std::uint64_t value = 0;
  bool overflow = false;
  for (; i < text.size() && HexDigitValue(text[i]) >= 0; ++i) {
    value = value * 16 + static_cast<std::uint64_t>(HexDigitValue(text[i]));
    if (value > UINT32_MAX) {
      overflow = true;
      value = UINT32_MAX;
    }
  }
  if (overflow) return UINT32_MAX;
  const auto code = static_cast<std::uint32_t>(value);
  return negative ? 0u - code : code;
}

// The File value: the whole text after "=", up to a NUL (the end of a path
// for the system), at most mediaPathLimit bytes of whole characters.
std::string_view MediaPathValue(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  return CutAtCharacter(text, mediaPathLimit);
}

enum class KeyKind { Seconds, Loops, HotKey, File, Timing, AddedHotKey, Choice };

struct OptionKey {
  std::string_view name;
  KeyKind kind = KeyKind::File;
  std::optional<std::int32_t> OptionsValues::*seconds = nullptr;
  int hotKeyId = 0;
  std::int32_t TimingOptions::*timing = nullptr;
  int choice = 0;
};

constexpr OptionKey SecondsKey(std::string_view name, std::optional<std::int32_t> OptionsValues::*field) {
  return {name, KeyKind::Seconds, field, 0, nullptr};
}
constexpr OptionKey HotKeyKey(std::string_view name, int id) {
  return {name, KeyKind::HotKey, nullptr, id, nullptr};
}
constexpr OptionKey TimingKey(std::string_view name, std::int32_t TimingOptions::*field) {
  return {name, KeyKind::Timing, nullptr, 0, field};
}

// The 18 keys of the original format, in the order in which a key is
// matched: where a key is a leading part of several names, the first wins.
constexpr std::array<OptionKey, 18> originalKeys{{
    SecondsKey("WalkLength", &OptionsValues::walkLengthMs),
    SecondsKey("Backspace", &OptionsValues::backspaceMs),
    SecondsKey("WalkPause", &OptionsValues::walkPauseMs),
    SecondsKey("UnPauseRew", &OptionsValues::unpauseRewindMs),
    {"NumLoops", KeyKind::Loops},
    HotKeyKey("HKPlay", hotKeyPlay),
    HotKeyKey("HKPause", hotKeyPause),
    HotKeyKey("HKRewind", hotKeyRew),
    HotKeyKey("HKFF", hotKeyFF),
    HotKeyKey("HKWalk", hotKeyWalk),
    {"File", KeyKind::File},
    TimingKey("HotKeySpeedupDelay", &TimingOptions::HotKeySpeedupDelay),
    TimingKey("HotKeySlowRepeatSpeed", &TimingOptions::HotKeySlowRepeatSpeed),
    TimingKey("HotKeyFastRepeatSpeed", &TimingOptions::HotKeyFastRepeatSpeed),
    TimingKey("HotKeySeekDelay", &TimingOptions::HotKeySeekDelay),
    TimingKey("ButtonSpeedupDelay", &TimingOptions::ButtonSpeedupDelay),
    TimingKey("ButtonSlowRepeatSpeed", &TimingOptions::ButtonSlowRepeatSpeed),
    TimingKey("ButtonFastRepeatSpeed", &TimingOptions::ButtonFastRepeatSpeed),
}};

// The added keys come after them, so every leading part that named one of
// the 18 still does.
constexpr auto lookupOrder = [] {
  std::array<OptionKey, originalKeys.size() + 1 + optionChoiceCount> keys{};
  std::size_t n = 0;
  for (const OptionKey& key : originalKeys) keys[n++] = key;
  keys[n++] = {"HKStamp", KeyKind::AddedHotKey, nullptr, hotKeyStamp, nullptr};
  for (int i = 0; i < optionChoiceCount; ++i) keys[n++] = {optionChoiceKeys[i].name, KeyKind::Choice, nullptr, 0, nullptr, i};
  return keys;
}();

const OptionKey* FindKey(std::string_view key) {
  for (const OptionKey& entry : lookupOrder) {
    if (key.size() > entry.name.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < key.size() && same; ++k) {
      same = AsciiUpper(key[k]) == AsciiUpper(entry.name[k]);
    }
    if (same) return &entry;
  }
  return nullptr;
}

void ApplyLine(std::string_view line, OptionsValues& values, LegacyDecoder legacy) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;
  const OptionKey* key = FindKey(line.substr(0, equals));
  if (key == nullptr) return;
  const std::string_view value = line.substr(equals + 1);
  switch (key->kind) {
    case KeyKind::Seconds:
      values.*(key->seconds) = ReadSecondsAsMs(value);
      break;
    case KeyKind::Loops:
      values.numLoops = ReadTimingValue(value).value_or(0);  // atoi: no digits give 0
      break;
    case KeyKind::HotKey:
      if (const auto code = ReadHexCode(value)) values.hotKeys[key->hotKeyId] = *code;
      break;
    case KeyKind::File:
      // Decoded before the cut, so a legacy path is never cut inside a character.
      values.file = std::string(MediaPathValue(TextFromStoredBytes(value.substr(0, value.find('\0')), legacy)));
      break;
    case KeyKind::Timing:
      if (const auto number = ReadTimingValue(value)) values.timing.*(key->timing) = *number;
      break;
    case KeyKind::AddedHotKey: {
      const auto code = ReadHexCode(value);
      values.hotKeys[key->hotKeyId] = code && *code <= 0xFFFF ? *code : defaultHotKeyCodes[key->hotKeyId];
      break;
    }
    case KeyKind::Choice: {
      const OptionChoiceKey& choice = optionChoiceKeys[key->choice];
      const auto number = ReadTimingValue(value);
      values.choices[key->choice] =
          number && *number >= 0 && *number <= choice.largest ? *number : choice.defaultValue;
      break;
    }
  }
}

void AppendLine(std::string& out, std::string_view key, const char* value) {
  out += key;
  out += '=';
  out += value;
  out += "\r\n";
}

void AppendDecimal(std::string& out, std::string_view key, std::int32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(number));
  AppendLine(out, key, text);
}

void AppendSeconds(std::string& out, std::string_view key, std::int32_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", ms * 0.001);
  AppendLine(out, key, text);
}

void AppendHex(std::string& out, std::string_view key, HotKeyCode code) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(code));
  AppendLine(out, key, text);
}

}  // namespace

OptionsValues ReadOptionsText(std::string_view text, LegacyDecoder legacy) {
  OptionsValues values;
  // An added key that the text does not give has its default.
  values.hotKeys[hotKeyStamp] = defaultHotKeyCodes[hotKeyStamp];
  text = text.substr(0, optionsTextLimit);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t cr = text.find('\r', start);
    if (cr == std::string_view::npos) break;
    ApplyLine(text.substr(start, cr - start), values, legacy);
    start = cr + 2;  // past the CR and the character after it
  }
  return values;
}

std::string WriteOptionsText(const OptionsSnapshot& snapshot) {
  std::string head;
  AppendSeconds(head, "WalkLength", snapshot.walkLengthMs);
  AppendSeconds(head, "Backspace", snapshot.backspaceMs);
  AppendSeconds(head, "WalkPause", snapshot.walkPauseMs);
  AppendSeconds(head, "UnPauseRew", snapshot.unpauseRewindMs);
  AppendDecimal(head, "NumLoops", snapshot.numLoops);
  AppendHex(head, "HKPlay", snapshot.hotKeys[hotKeyPlay]);
  AppendHex(head, "HKPause", snapshot.hotKeys[hotKeyPause]);
  AppendHex(head, "HKRewind", snapshot.hotKeys[hotKeyRew]);
  AppendHex(head, "HKWalk", snapshot.hotKeys[hotKeyWalk]);
  AppendHex(head, "HKFF", snapshot.hotKeys[hotKeyFF]);
  head += "File=";

  std::string tail = "\r\n";
  const TimingOptions& t = snapshot.timing;
  AppendDecimal(tail, "HotKeySpeedupDelay", t.HotKeySpeedupDelay);
  AppendDecimal(tail, "HotKeyFastRepeatSpeed", t.HotKeyFastRepeatSpeed);
  AppendDecimal(tail, "HotKeySlowRepeatSpeed", t.HotKeySlowRepeatSpeed);
  AppendDecimal(tail, "HotKeySeekDelay", t.HotKeySeekDelay);
  AppendDecimal(tail, "ButtonSpeedupDelay", t.ButtonSpeedupDelay);
  AppendDecimal(tail, "ButtonFastRepeatSpeed", t.ButtonFastRepeatSpeed);
  AppendDecimal(tail, "ButtonSlowRepeatSpeed", t.ButtonSlowRepeatSpeed);

  // The added keys, only where they differ from their defaults.
  if (snapshot.hotKeys[hotKeyStamp] != defaultHotKeyCodes[hotKeyStamp]) {
    AppendHex(tail, "HKStamp", snapshot.hotKeys[hotKeyStamp]);
  }
  for (int i = 0; i < optionChoiceCount; ++i) {
    if (snapshot.choices[i] != optionChoiceKeys[i].defaultValue) {
      AppendDecimal(tail, optionChoiceKeys[i].name, snapshot.choices[i]);
    }
  }

  // The reader stops at optionsTextLimit bytes. With every other value at
  // its longest the text is 418 bytes and the added keys at most about 120
  // more. A path that does not fit whole in what is left is not written at
  // all (the File line stays, empty): a path cut short would name another file.
  const std::size_t fixed = head.size() + tail.size();
  const std::size_t room = fixed < optionsTextLimit ? optionsTextLimit - fixed : 0;
  std::string_view file = std::string_view(snapshot.file).substr(0, snapshot.file.find('\0'));
  if (file.size() > room || file.size() > mediaPathLimit) file = {};

  std::string text = std::move(head);
  text += file;
  text += tail;
  return text;
}

int SliderPositionForMs(std::int32_t ms) {
  // ms * 2 / 1000 truncates exactly as ms / 500 does, and cannot overflow.
  return ms / 500;
}
