#include "keys_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(KeysOptions, TheHotKeyCodesAreThoseDorvaneRegisters) {
  struct Case {
    std::string_view text;
    HotKeyCodes expected;
  };
  const std::string pastTheLimit = std::string(600, '\n') + "HKPlay=0141\r\n";
  const Case cases[] = {
      {"", defaultHotKeyCodes},
      {"HKPlay=0A24\r\nHKPause=0141\r\nHKRewind=0277\r\nHKWalk=0276\r\nHKFF=0278\r\n",
       {0x0A24, 0x0141, 0x0276, 0x0277, 0x0278, 0x0279}},
      // Zero is "use the default", as at registration; Stamp is read from anywhere.
      {"HKPlay=0\r\nHKStamp=0470\r\n", {0x0274, 0x0275, 0x0276, 0x0277, 0x0278, 0x0470}},
      // Dorvane keeps the low 16 bits of a longer code; not a number is the
      // default; a line without its CR is not read.
      {"HKPause=12345\r\nHKFF=zz\r\nHKWalk=0141", {0x0274, 0x2345, 0x0276, 0x0277, 0x0278, 0x0279}},
      // Only the first 600 bytes count.
      {pastTheLimit, defaultHotKeyCodes},
  };
  for (const Case& c : cases) EXPECT_EQ(HotKeyCodesFromOptions(c.text), c.expected) << c.text;
}

TEST(KeysOptions, AnOptionsFileIsReadUpToItsLimitAndAnUnreadableOneGivesNothing) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "dorvane-keys-options-test";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "a folder.usr");
  std::ofstream(folder / "long.usr", std::ios::binary) << std::string(700, 'x');
  std::ofstream(folder / "short.usr", std::ios::binary) << "HKPlay=0141\r\n";
  EXPECT_EQ(ReadOptionsFileHead((folder / "long.usr").string()), std::string(600, 'x'));
  EXPECT_EQ(ReadOptionsFileHead((folder / "short.usr").string()), "HKPlay=0141\r\n");
  EXPECT_EQ(ReadOptionsFileHead((folder / "a folder.usr").string()), std::nullopt);
  EXPECT_EQ(ReadOptionsFileHead((folder / "missing.usr").string()), std::nullopt);
  std::filesystem::remove_all(folder);
}

TEST(KeysOptions, TheProgramOfAWineProcessIsTheFirstExeItMaps) {
  struct Case {
    std::string_view maps;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"7f00-7f10 r-xp 00000000 fe:00 12 /usr/lib/wine/x86_64-unix/ntdll.so\n"
       "140000000-140001000 r--p 00000000 fe:00 10953091                 /home/ann/My Dorvane/Dorvane.exe\n"
       "140068000-140069000 rw-p 00062000 fe:00 10953091                 /home/ann/My Dorvane/Dorvane.exe\n",
       "/home/ann/My Dorvane/Dorvane.exe"},
      {"1000-2000 r--p 00000000 00:00 0 /opt/wine/start.EXE", "/opt/wine/start.EXE"},
      {"1000-2000 rw-p 00000000 00:00 0 [heap]\n1000-2000 r--p 0 fe:00 1 /x/shell32.dll\n", std::nullopt},
      {"1000-2000 rw-p 00000000 00:00 0\n", std::nullopt},  // anonymous mapping, no name
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ExecutableFromMaps(c.maps), c.expected) << c.maps;
}

}  // namespace
