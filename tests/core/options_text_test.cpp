#include "settings/options_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

// The file written at the first exit with nothing changed.
constexpr std::string_view defaultOptionsFile =
    "WalkLength=3.0\r\n"
    "Backspace=1.5\r\n"
    "WalkPause=1.0\r\n"
    "UnPauseRew=0.0\r\n"
    "NumLoops=3\r\n"
    "HKPlay=0274\r\n"
    "HKPause=0275\r\n"
    "HKRewind=0277\r\n"
    "HKWalk=0276\r\n"
    "HKFF=0278\r\n"
    "File=\r\n"
    "HotKeySpeedupDelay=30\r\n"
    "HotKeyFastRepeatSpeed=850\r\n"
    "HotKeySlowRepeatSpeed=340\r\n"
    "HotKeySeekDelay=5\r\n"
    "ButtonSpeedupDelay=38\r\n"
    "ButtonFastRepeatSpeed=530\r\n"
    "ButtonSlowRepeatSpeed=212\r\n";

OptionsSnapshot StartingSnapshot() {
  OptionsSnapshot s;
  s.walkLengthMs = 3000;
  s.backspaceMs = 1500;
  s.walkPauseMs = 1000;
  s.unpauseRewindMs = 0;
  s.numLoops = 3;
  s.hotKeys = defaultHotKeyCodes;
  return s;
}

OptionsValues ReadLine(const std::string& line) {
  return ReadOptionsText(line + "\r\n");
}

bool SetsNothing(const OptionsValues& v) {
  for (int id = 0; id < hotKeyCount; ++id) {
    if (id != hotKeyStamp && v.hotKeys[id]) return false;
  }
  return v.hotKeys[hotKeyStamp] == defaultHotKeyCodes[hotKeyStamp] && v.choices == DefaultOptionChoices() &&
         !v.walkLengthMs && !v.backspaceMs && !v.walkPauseMs && !v.unpauseRewindMs && !v.numLoops &&
         !v.file && v.timing == defaultTimingOptions;
}

}  // namespace

TEST(WriteOptionsText, StartingSettingsGiveTheExact320ByteFile) {
  const std::string text = WriteOptionsText(StartingSnapshot());
  EXPECT_EQ(text.size(), 320u);
  EXPECT_EQ(text, defaultOptionsFile);
}

TEST(WriteOptionsText, WritesHotKeysByIdUnderTheirOwnKeysInUpperCaseHex) {
  OptionsSnapshot s = StartingSnapshot();
  s.hotKeys = {0x0A1, 0x2B2, 0xC3C3, 0x4, 0xFFFF};  // Play, Pause, Walk, Rew, FF
  s.walkLengthMs = 2500;
  s.numLoops = -7;
  s.file = "C:\\talk=1.wav";
  const std::string text = WriteOptionsText(s);
  EXPECT_NE(text.find("WalkLength=2.5\r\nBackspace"), std::string::npos);
  EXPECT_NE(text.find("NumLoops=-7\r\nHKPlay=00A1\r\nHKPause=02B2\r\nHKRewind=0004\r\nHKWalk=C3C3\r\nHKFF=FFFF\r\n"
                      "File=C:\\talk=1.wav\r\n"),
            std::string::npos);
}

TEST(WriteOptionsText, NeverExceeds600BytesAndWritesThePathWholeOrNotAtAll) {
  OptionsSnapshot extreme = StartingSnapshot();
  extreme.walkLengthMs = INT32_MIN;
  extreme.backspaceMs = INT32_MAX;
  extreme.numLoops = INT32_MIN;
  extreme.timing = {INT32_MIN, INT32_MIN, INT32_MAX, -1000000000, INT32_MIN, INT32_MAX, -123456789};
  extreme.hotKeys[hotKeyStamp] = 0xFFFF;
  extreme.choices[choiceStampFormat] = 3;
  extreme.choices[choicePedals] = 0;
  OptionsSnapshot ordinary = StartingSnapshot();
  ordinary.numLoops = 10;
  ordinary.timing = {9999, 9999, 9999, 9999, 9999, 9999, 9999};

  std::string cyrillic;  // 259 characters, 518 bytes: a path the system takes
  for (int i = 0; i < 259; ++i) cyrillic += "ж";
  for (const OptionsSnapshot& base : {extreme, ordinary}) {
    OptionsSnapshot s = base;
    const std::size_t room = optionsTextLimit - WriteOptionsText(s).size();
    struct Case {
      std::string path;
      bool written;
    } cases[] = {
        {std::string(room, 'p'), true},
        {std::string(room + 1, 'p'), false},  // not cut to fit: left out
        {cyrillic, cyrillic.size() <= room},
        {"C:\\записи\\интервью.wav", true},
    };
    for (const Case& c : cases) {
      s.file = c.path;
      const std::string text = WriteOptionsText(s);
      EXPECT_LE(text.size(), optionsTextLimit);
      const OptionsValues back = ReadOptionsText(text);
      EXPECT_EQ(back.file, c.written ? c.path : "") << c.path.size();
      EXPECT_EQ(back.timing, s.timing);
      EXPECT_EQ(back.numLoops, s.numLoops);
      EXPECT_EQ(back.hotKeys[hotKeyStamp], s.hotKeys[hotKeyStamp]);
      EXPECT_EQ(back.choices, s.choices);
    }
  }
}

TEST(WriteOptionsText, RoundTripsEverySliderValueAndTheRest) {
  for (int position = 0; position <= 20; ++position) {
    OptionsSnapshot s = StartingSnapshot();
    s.walkLengthMs = position * 500;
    s.backspaceMs = (20 - position) * 500;
    s.walkPauseMs = position * 500;
    s.unpauseRewindMs = (position % 7) * 500;
    s.numLoops = position % 10 + 1;
    s.hotKeys = {0x0170, 0x0671, static_cast<HotKeyCode>(0x0800 + position), 0x0, 0x0F25};
    s.file = "D:\\Interviews\\tape " + std::to_string(position) + ".mp3";
    s.timing = {position, -position, 850, 0, 38 * position, 212, -530};
    const OptionsValues back = ReadOptionsText(WriteOptionsText(s));
    EXPECT_EQ(back.walkLengthMs, s.walkLengthMs);
    EXPECT_EQ(back.backspaceMs, s.backspaceMs);
    EXPECT_EQ(back.walkPauseMs, s.walkPauseMs);
    EXPECT_EQ(back.unpauseRewindMs, s.unpauseRewindMs);
    EXPECT_EQ(SliderPositionForMs(*back.walkLengthMs), position);
    EXPECT_EQ(back.numLoops, s.numLoops);
    for (int id = 0; id < hotKeyCount; ++id) EXPECT_EQ(back.hotKeys[id], s.hotKeys[id]) << id;
    EXPECT_EQ(back.file, s.file);
    EXPECT_EQ(back.timing, s.timing);
  }
}

TEST(WriteOptionsText, AddsTheNewKeysAfterThe18LinesOnlyWhenTheyDifferFromTheirDefaults) {
  struct Case {
    HotKeyCode stamp;
    std::int32_t format;
    std::string_view added;
  };
  const Case cases[] = {
      {0x0279, 0, ""},
      {0x0354, 0, "HKStamp=0354\r\n"},
      {0x0279, 2, "StampFormat=2\r\n"},
      {0x0000, 3, "HKStamp=0000\r\nStampFormat=3\r\n"},
  };
  for (const Case& c : cases) {
    OptionsSnapshot s = StartingSnapshot();
    s.hotKeys[hotKeyStamp] = c.stamp;
    s.choices[choiceStampFormat] = c.format;
    const std::string text = WriteOptionsText(s);
    EXPECT_EQ(text, std::string(defaultOptionsFile) + std::string(c.added)) << c.added;
    const OptionsValues back = ReadOptionsText(text);
    EXPECT_EQ(back.hotKeys[hotKeyStamp], c.stamp);
    EXPECT_EQ(back.choices[choiceStampFormat], c.format);
  }
}

TEST(ReadOptionsText, AddedKeysAreReadAnywhereAndGiveTheirDefaultsWhenMissingOrOutOfRange) {
  // An old file, the built-in text and an empty one: the defaults.
  for (std::string_view text : {defaultOptionsFile, builtInDefaultOptions, std::string_view()}) {
    const OptionsValues v = ReadOptionsText(text);
    EXPECT_EQ(v.hotKeys[hotKeyStamp], 0x279u);
    EXPECT_EQ(v.choices[choiceStampFormat], 0);
  }
  // Anywhere in the file, in any letter case, by a leading part no older key has.
  const OptionsValues first = ReadOptionsText("stampformat=1\r\nHKS=0355\r\nWalkLength=2.0\r\n");
  EXPECT_EQ(first.choices[choiceStampFormat], 1);
  EXPECT_EQ(first.hotKeys[hotKeyStamp], 0x355u);
  EXPECT_EQ(first.walkLengthMs, 2000);
  EXPECT_EQ(ReadLine("HK=0300").hotKeys[hotKeyStamp], 0x279u) << "HK still means HKPlay";
  EXPECT_EQ(ReadLine("S=2").choices[choiceStampFormat], 2);

  const std::pair<const char*, std::int32_t> formats[] = {
      {"0", 0}, {"3", 3}, {" 2", 2}, {"1x", 1}, {"-1", 0}, {"4", 0}, {"99", 0}, {"abc", 0}, {"", 0},
      {"99999999999", 0}};
  for (const auto& [text, format] : formats) {
    EXPECT_EQ(ReadLine(std::string("StampFormat=") + text).choices[choiceStampFormat], format) << text;
  }
  // A later bad value gives the default, not the earlier value.
  EXPECT_EQ(ReadOptionsText("StampFormat=2\r\nStampFormat=7\r\n").choices[choiceStampFormat], 0);

  const std::pair<const char*, std::uint32_t> codes[] = {
      {"0354", 0x354}, {"0", 0}, {"FFFF", 0xFFFF}, {"10000", 0x279}, {"-1", 0x279}, {"zz", 0x279}, {"", 0x279}};
  for (const auto& [text, code] : codes) {
    EXPECT_EQ(ReadLine(std::string("HKStamp=") + text).hotKeys[hotKeyStamp], code) << text;
  }
}

TEST(BuiltInDefaultOptions, Is124CharactersGivingTheStartingWalkValuesAndHotKeys) {
  EXPECT_EQ(builtInDefaultOptions.size(), 124u);
  const OptionsValues v = ReadOptionsText(builtInDefaultOptions);
  EXPECT_EQ(v.walkLengthMs, 3000);
  EXPECT_EQ(v.backspaceMs, 1500);
  EXPECT_EQ(v.walkPauseMs, 1000);
  EXPECT_EQ(v.numLoops, 3);
  for (int id = 0; id < hotKeyCount; ++id) EXPECT_EQ(v.hotKeys[id], defaultHotKeyCodes[id]) << id;
  EXPECT_FALSE(v.unpauseRewindMs);  // the rewind slider stays where it is
  EXPECT_FALSE(v.file);
  EXPECT_EQ(v.timing, defaultTimingOptions);
}

TEST(ReadOptionsText, MatchesKeysByLeadingPartInLookupOrderIgnoringCase) {
  EXPECT_EQ(ReadLine("walklength=2.0").walkLengthMs, 2000);
  EXPECT_EQ(ReadLine("WALKLENGTH=2.0").walkLengthMs, 2000);
  EXPECT_EQ(ReadLine("Walk=2.0").walkLengthMs, 2000);
  EXPECT_EQ(ReadLine("=4").walkLengthMs, 4000);
  EXPECT_EQ(ReadLine("WalkP=2.0").walkPauseMs, 2000);
  EXPECT_EQ(ReadLine("b=2").backspaceMs, 2000);
  EXPECT_EQ(ReadLine("u=2").unpauseRewindMs, 2000);
  EXPECT_EQ(ReadLine("n=4").numLoops, 4);
  EXPECT_EQ(ReadLine("HK=0275").hotKeys[hotKeyPlay], 0x275u);
  EXPECT_EQ(ReadLine("hkf=0300").hotKeys[hotKeyFF], 0x300u);
  EXPECT_EQ(ReadLine("HKW=0301").hotKeys[hotKeyWalk], 0x301u);
  EXPECT_EQ(ReadLine("HKR=0302").hotKeys[hotKeyRew], 0x302u);
  EXPECT_EQ(ReadLine("HKPa=0303").hotKeys[hotKeyPause], 0x303u);
  EXPECT_EQ(ReadLine("f=x").file, "x");
  EXPECT_EQ(ReadLine("HotKeyS=1").timing.HotKeySpeedupDelay, 1);
  EXPECT_EQ(ReadLine("HotKeySl=2").timing.HotKeySlowRepeatSpeed, 2);
  EXPECT_EQ(ReadLine("hotkeyf=3").timing.HotKeyFastRepeatSpeed, 3);
  EXPECT_EQ(ReadLine("HotKeySe=4").timing.HotKeySeekDelay, 4);
  EXPECT_EQ(ReadLine("Bu=5").timing.ButtonSpeedupDelay, 5);
  EXPECT_EQ(ReadLine("ButtonSl=6").timing.ButtonSlowRepeatSpeed, 6);
  EXPECT_EQ(ReadLine("BUTTONFASTREPEATSPEED=7").timing.ButtonFastRepeatSpeed, 7);

  for (const char* ignored : {"WalkLengthX=1", "WalkLength =1", " WalkLength=1", "WalkLength", "Speed=1",
                              "W\xe1lkLength=1", "ButtonFastRepeatSpeedy=1"}) {
    EXPECT_TRUE(SetsNothing(ReadLine(ignored))) << ignored;
  }
}

TEST(ReadOptionsText, ReadsSecondsAsAtofAndTruncatesToMs) {
  const OptionsValues v = ReadLine("WalkLength=2.7");
  EXPECT_EQ(v.walkLengthMs, 2700);
  EXPECT_EQ(SliderPositionForMs(*v.walkLengthMs), 5);  // 2.5 s
  EXPECT_EQ(SliderPositionForMs(*ReadLine("WalkLength=12").walkLengthMs), 24);  // the slider holds 20
  EXPECT_EQ(ReadLine("WalkLength=-1").walkLengthMs, -1000);

  const std::pair<const char*, std::int32_t> cases[] = {
      {"letters", 0}, {"", 0}, {" \t+1.5e1x", 15000}, {".5", 500}, {"5.", 5000}, {"-.0019", -1},
      {"1e", 1000}, {"1e+", 1000}, {"2E-3", 2}, {"0.0009", 0}, {"1e-99999999999999", 0},
      {"1e999", INT32_MAX}, {"-1e999", INT32_MIN}, {"2147483.647", INT32_MAX}, {"-2147483.648", INT32_MIN},
      {"00000000000000000000000000003.5", 3500}, {"inf", 0}, {"nan", 0}, {"0x10", 0}, {"-", 0}, {".", 0}};
  for (const auto& [text, ms] : cases) EXPECT_EQ(ReadLine(std::string("Backspace=") + text).backspaceMs, ms) << text;
  EXPECT_EQ(ReadLine("WalkPause=1" + std::string(400, '0')).walkPauseMs, INT32_MAX);
  EXPECT_EQ(ReadLine("WalkPause=0." + std::string(400, '0') + "1e401").walkPauseMs, 1000);
}

TEST(ReadOptionsText, ReadsNumLoopsAsAtoiWithSaturation) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"0", 0},  {"letters", 0}, {"25", 25}, {"  -3x", -3}, {"+7", 7}, {"1.9", 1}, {"", 0},
      {"2147483647", INT32_MAX}, {"99999999999999999999", INT32_MAX}, {"-2147483648", INT32_MIN},
      {"-99999999999999999999", INT32_MIN}};
  for (const auto& [text, loops] : cases) EXPECT_EQ(ReadLine(std::string("NumLoops=") + text).numLoops, loops) << text;
}

TEST(ReadOptionsText, ReadsHotKeysAsScanfHexAndKeepsThePreviousCodeWithoutOne) {
  EXPECT_EQ(ReadOptionsText("HKPlay=0300\r\nHKPlay=zz\r\n").hotKeys[hotKeyPlay], 0x300u);
  EXPECT_FALSE(ReadLine("HKPlay=zz").hotKeys[hotKeyPlay]);
  EXPECT_FALSE(ReadLine("HKPlay=").hotKeys[hotKeyPlay]);
  EXPECT_FALSE(ReadLine("HKPlay=-").hotKeys[hotKeyPlay]);

  const std::pair<const char*, std::uint32_t> cases[] = {
      {"0", 0},           {" 2f4", 0x2F4},     {"0x1a", 0x1A},      {"0X1Ag", 0x1A},   {"+274", 0x274},
      {"-1", 0xFFFFFFFF}, {"0x", 0},           {"0xg", 0},          {"FFFFFFFF", 0xFFFFFFFF},
      {"123456789", 0xFFFFFFFF},               {"-123456789", 0xFFFFFFFF}};
  for (const auto& [text, code] : cases) EXPECT_EQ(ReadLine(std::string("HKPause=") + text).hotKeys[hotKeyPause], code) << text;
}

TEST(ReadOptionsText, TimingValuesStartFromDefaultsAndKeepThemWithoutANumber) {
  EXPECT_EQ(ReadLine("HotKeySeekDelay=abc").timing.HotKeySeekDelay, 5);
  EXPECT_EQ(ReadOptionsText("HotKeySeekDelay=9\r\nHotKeySeekDelay=abc\r\n").timing.HotKeySeekDelay, 9);
  EXPECT_EQ(ReadOptionsText("HotKeySeekDelay=9\r\nHotKeySeekDelay=-2\r\n").timing.HotKeySeekDelay, -2);
  EXPECT_EQ(ReadLine("WalkLength=1").timing, defaultTimingOptions);

  // The same reading serves the Advanced Options edits.
  EXPECT_EQ(ReadTimingValue("12abc"), 12);
  EXPECT_EQ(ReadTimingValue(" 7"), 7);
  EXPECT_EQ(ReadTimingValue("-5"), -5);
  EXPECT_EQ(ReadTimingValue(""), std::nullopt);
  EXPECT_EQ(ReadTimingValue("abc"), std::nullopt);
  EXPECT_EQ(ReadTimingValue("- 5"), std::nullopt);
  EXPECT_EQ(ReadTimingValue(std::string(1000, '9')), INT32_MAX);
}

TEST(ReadOptionsText, TakesTheFileValueWholeUpToThePathLimit) {
  EXPECT_EQ(ReadOptionsText("File=a.wav\r\nFile=\r\n").file, "");
  EXPECT_EQ(ReadLine("File= C:\\a=b.wav ").file, " C:\\a=b.wav ");
  EXPECT_EQ(ReadLine("File=" + std::string(300, 'z')).file, std::string(300, 'z'));
  EXPECT_EQ(ReadLine(std::string("File=ab\0cd", 10)).file, "ab");
}

TEST(ReadOptionsText, FileValuesInAnyScriptAndInTheLegacyCodePage) {
  struct Case {
    std::string value, file;
  };
  std::string chinese;  // 120 characters, 360 bytes
  for (int i = 0; i < 120; ++i) chinese += "录";
  std::string accents256;
  for (int i = 0; i < 256; ++i) accents256 += "é";
  const Case kCases[] = {
      {"C:\\записи\\интервью.wav", "C:\\записи\\интервью.wav"},
      {"C:\\Aufnahmen\\Einf\xFChrung.wav", "C:\\Aufnahmen\\Einführung.wav"},  // Windows-1252
      {"C:\\a\xD0", "C:\\aÐ"},                     // a sequence cut short at the line end
      {chinese, chinese},
      {"C:" + std::string(256, '\xE9'), "C:" + accents256},  // decoded whole
  };
  for (const Case& c : kCases) {
    const auto file = ReadLine("File=" + c.value).file;
    ASSERT_TRUE(file) << c.value;
    EXPECT_EQ(*file, c.file) << c.value;
    EXPECT_TRUE(IsValidUtf8(*file));
  }
  // Written back as read, in UTF-8; a path that does not fit is left out.
  OptionsSnapshot s = StartingSnapshot();
  s.file = "C:\\записи\\интервью.wav";
  EXPECT_NE(WriteOptionsText(s).find("\r\nFile=C:\\записи\\интервью.wav\r\n"), std::string::npos);
  s.timing = {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN};
  s.numLoops = INT32_MIN;
  s.walkLengthMs = s.backspaceMs = s.walkPauseMs = s.unpauseRewindMs = INT32_MIN;
  s.file = chinese;
  EXPECT_EQ(ReadOptionsText(WriteOptionsText(s)).file, "");
  // The reader's decoder is asked only for legacy values.
  const LegacyDecoder marker = [](std::string_view) { return std::string("legacy"); };
  EXPECT_EQ(ReadOptionsText("File=\xC8\r\n", marker).file, "legacy");
  EXPECT_EQ(ReadOptionsText("File=Ж\r\n", marker).file, "Ж");
  EXPECT_EQ(ReadOptionsText("File=C:\\Einf\xFChrung.wav\r\n", nullptr).file, "C:\\Einf\xFChrung.wav");
}

TEST(ReadOptionsText, LinesEndAtCrAndSkipTheCharacterAfterIt) {
  EXPECT_TRUE(SetsNothing(ReadOptionsText("WalkLength=2.0\nNumLoops=4\nHKPlay=0300\n")));
  EXPECT_EQ(ReadOptionsText("WalkLength=2.0\r\nNumLoops=4").numLoops, std::nullopt);
  EXPECT_EQ(ReadOptionsText("WalkLength=2.0\r\nNumLoops=4").walkLengthMs, 2000);
  // The character after a CR is dropped whatever it is.
  const OptionsValues v = ReadOptionsText("NumLoops=4\rXBackspace=2\r\rWalkPause=1\r\n");
  EXPECT_EQ(v.numLoops, 4);
  EXPECT_EQ(v.backspaceMs, 2000);
  EXPECT_EQ(v.walkPauseMs, 1000);
  // A key given twice: the later line wins.
  EXPECT_EQ(ReadOptionsText("NumLoops=4\r\nnumloops=6\r\n").numLoops, 6);
}

TEST(ReadOptionsText, ReadsOnlyUpToTheLastCrWithinTheFirst600Bytes) {
  // 590 bytes: a NumLoops line, then a long line with a key that matches nothing.
  const std::string lead = "NumLoops=3\r\nX=" + std::string(574, '.') + "\r\n";
  ASSERT_EQ(lead.size(), 590u);
  EXPECT_EQ(ReadOptionsText(lead + "N=1234567\r\nN=8\r\n").numLoops, 1234567);  // CR is byte 600
  EXPECT_EQ(ReadOptionsText(lead + "N=12345678\r\n").numLoops, 3);  // CR would be byte 601
  EXPECT_EQ(ReadOptionsText(lead + "N=1234567").numLoops, 3);  // no CR at all
}

TEST(ReadOptionsText, HugeAndBinaryInputsAreReadOnlyWithinTheLimit) {
  std::string huge = "Backspace=2\r\n";
  for (int i = 0; i < 50; ++i) huge += "NumLoops=5\r\n";
  while (huge.size() < 10'000'000) huge += "NumLoops=9\r\nFile=x\r\n";
  const OptionsValues v = ReadOptionsText(huge);
  EXPECT_EQ(v.backspaceMs, 2000);
  EXPECT_EQ(v.numLoops, 5);
  EXPECT_FALSE(v.file);
  EXPECT_TRUE(SetsNothing(ReadOptionsText(std::string(10'000'000, '='))));

  std::uint32_t seed = 12345;
  std::string garbage(4096, '\0');
  for (int round = 0; round < 200; ++round) {
    for (char& c : garbage) {
      seed = seed * 1103515245u + 12345u;
      c = static_cast<char>((seed >> 16) & 0xFF);
      if ((seed >> 8) % 11 == 0) c = '\r';
      if ((seed >> 9) % 13 == 0) c = '=';
    }
    const OptionsValues g = ReadOptionsText(garbage);
    if (g.file) EXPECT_LE(g.file->size(), mediaPathLimit);
  }
}

TEST(SliderPositionForMs, TruncatesTowardZeroWithoutOverflow) {
  EXPECT_EQ(SliderPositionForMs(2999), 5);
  EXPECT_EQ(SliderPositionForMs(-999), -1);
  EXPECT_EQ(SliderPositionForMs(INT32_MAX), 4294967);
  EXPECT_EQ(SliderPositionForMs(INT32_MIN), -4294967);
}

TEST(PedalModeOption, WrittenAfterTheEighteenLinesOnlyWhenNotDefault) {
  OptionsSnapshot s = StartingSnapshot();
  s.choices[choicePedalMode] = 1;
  EXPECT_EQ(WriteOptionsText(s), std::string(defaultOptionsFile) + "PedalMode=1\r\n");
  s.choices[choicePedalMode] = 0;
  EXPECT_EQ(WriteOptionsText(s), defaultOptionsFile);
  // At the longest the path gives way, so the key is still read back.
  s.choices[choicePedalMode] = 1;
  s.file = std::string(259, 'p');
  s.timing = {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN};
  EXPECT_EQ(ReadOptionsText(WriteOptionsText(s)).choices[choicePedalMode], 1);
}

TEST(PedalModeOption, ReadAnywhereAndOutOfRangeGivesTheDefault) {
  const std::vector<std::pair<std::string, std::int32_t>> cases{
      {"PedalMode=1\r\n", 1},  {"pedalmode=1\r\n", 1},  {"PedalMode= 1x\r\n", 1}, {"PedalMode=0\r\n", 0},
      {"PedalMode=2\r\n", 0},  {"PedalMode=-1\r\n", 0}, {"PedalMode=abc\r\n", 0}, {"PedalMode=\r\n", 0},
      {"P=1\r\n", 1},          {"", 0},
      {"PedalMode=1\r\nWalkLength=2.0\r\n", 1},  // before the usual keys
      {"PedalMode=1\r\nPedalMode=7\r\n", 0},     // the later value counts
  };
  for (const auto& [text, mode] : cases) EXPECT_EQ(ReadOptionsText(text).choices[choicePedalMode], mode) << text;
}

TEST(SystemDevicesOption, WrittenAfterTheEighteenLinesOnlyWhenOnAndReadFromAnywhere) {
  OptionsSnapshot on = StartingSnapshot();
  on.choices[choiceSystemDevices] = 1;
  EXPECT_EQ(WriteOptionsText(on), std::string(defaultOptionsFile) + "SystemDevices=1\r\n");
  EXPECT_EQ(ReadOptionsText(WriteOptionsText(on)).choices[choiceSystemDevices], 1);
  EXPECT_EQ(WriteOptionsText(StartingSnapshot()), defaultOptionsFile);  // off: the file of old

  // A longest path gives way, so that the key stays within what is read.
  on.file = std::string(259, 'p');
  const std::string text = WriteOptionsText(on);
  EXPECT_LE(text.size(), optionsTextLimit);
  EXPECT_EQ(ReadOptionsText(text).choices[choiceSystemDevices], 1);

  struct Case {
    const char* text;
    bool on;
  } cases[] = {
      {"SystemDevices=1\r\n", true},     {"WalkLength=2\r\nsystemdevices=1\r\nNumLoops=2\r\n", true},
      {"Sys=1\r\n", true},               {"SystemDevices=0\r\n", false},
      {"SystemDevices=2\r\n", false},    {"SystemDevices=-1\r\n", false},
      {"SystemDevices=yes\r\n", false},  {"SystemDevices=1\r\nSystemDevices=0\r\n", false},
      {"SystemDevicesX=1\r\n", false},   {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadOptionsText(c.text).choices[choiceSystemDevices], c.on ? 1 : 0) << c.text;
}

// The five keys of Options, Sound...: each written after the 18 lines only
// when not its default, read back from anywhere, and a bad value gives the
// default, leaving the others.
TEST(SoundOptions, RoundTripAfterTheEighteenLinesAndBadValuesGiveTheDefault) {
  OptionsSnapshot s = StartingSnapshot();
  const std::pair<OptionChoice, std::int32_t> set[] = {
      {choiceBoost, 20}, {choiceLevel, 1}, {choiceChannel, 3}, {choiceLowCut, 1}, {choiceDenoise, 1}};
  for (const auto& [choice, value] : set) s.choices[choice] = value;
  s.file = std::string(259, 'p');  // at the longest the path gives way
  s.hotKeys[hotKeyStamp] = 0xFFFF;
  const std::string text = WriteOptionsText(s);
  EXPECT_NE(text.find("\r\nBoost=20\r\nLevel=1\r\nChannel=3\r\nLowCut=1\r\nDenoise=1\r\n"), std::string::npos) << text;
  EXPECT_EQ(ReadOptionsText(text).choices, s.choices);
  EXPECT_EQ(WriteOptionsText(StartingSnapshot()), defaultOptionsFile);

  struct Case { const char* text; OptionChoice choice; std::int32_t value; };
  const Case cases[] = {
      {"Boost=7\r\nWalkLength=2.0\r\n", choiceBoost, 7}, {"boost=20\r\n", choiceBoost, 20},
      {"Boost=21\r\n", choiceBoost, 0},  {"Boost=-3\r\n", choiceBoost, 0},      {"Boost=loud\r\n", choiceBoost, 0},
      {"Channel=2\r\n", choiceChannel, 2}, {"Channel=4\r\n", choiceChannel, 0}, {"Level=1\r\n", choiceLevel, 1},
      {"Level=2\r\n", choiceLevel, 0},   {"LowCut=1\r\n", choiceLowCut, 1},    {"LowCut=x\r\n", choiceLowCut, 0},
      {"Denoise=1\r\n", choiceDenoise, 1}, {"Denoise=9\r\n", choiceDenoise, 0}, {"Channel=3\r\nBoost=99\r\n", choiceChannel, 3},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadOptionsText(c.text).choices[c.choice], c.value) << c.text;
}
