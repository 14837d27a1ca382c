// GoogleTest comes before the X headers, whose None macro it would trip on.
#include <gtest/gtest.h>

#include "key_map.h"

#include <X11/X.h>
#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <optional>

namespace {

TEST(KeyMap, HotKeyCodesBecomeTheXKeyAndModifiersOfTheSameCombination) {
  struct Case {
    HotKeyCode code;
    std::optional<XKeyCombo> expected;
  };
  const Case cases[] = {
      {0x0274, XKeyCombo{XK_F5, ControlMask}},                       // Ctrl+F5, the Play default
      {0x0279, XKeyCombo{XK_F10, ControlMask}},                      // Ctrl+F10, the Stamp default
      {0x0087, XKeyCombo{XK_F24, 0}},                                // last function key, no modifier
      {0x0741, XKeyCombo{XK_a, ShiftMask | ControlMask | Mod1Mask}}, // every modifier
      {0x0430, XKeyCombo{XK_0, Mod1Mask}},
      {0x015A, XKeyCombo{XK_z, ShiftMask}},
      {0x0260, XKeyCombo{XK_KP_0, ControlMask}},
      {0x0224, XKeyCombo{XK_KP_Home, ControlMask}},                  // Home without the extended flag: keypad
      {0x0A24, XKeyCombo{XK_Home, ControlMask}},                     // with it: the separate key
      {0x0A2E, XKeyCombo{XK_Delete, ControlMask}},
      {0x00B3, XKeyCombo{XF86XK_AudioPlay, 0}},
      {0x00AF, XKeyCombo{XF86XK_AudioRaiseVolume, 0}},
      {0x02DE, XKeyCombo{XK_apostrophe, ControlMask}},
      {0x0213, XKeyCombo{XK_Pause, ControlMask}},
      {0x0000, std::nullopt},                                        // no key
      {0x0288, std::nullopt},                                        // past F24
      {0x02FF, std::nullopt},                                        // a virtual key with no X key
  };
  for (const Case& c : cases) EXPECT_EQ(XKeyForHotKey(c.code), c.expected) << std::hex << c.code;
}

TEST(KeyMap, EachKeyIsGrabbedWithAndWithoutCapsLockAndNumLock) {
  struct Case {
    unsigned modifiers, numLock;
    std::array<unsigned, 4> expected;
  };
  const Case cases[] = {
      {ControlMask, Mod2Mask, {ControlMask, ControlMask | LockMask, ControlMask | Mod2Mask,
                               ControlMask | LockMask | Mod2Mask}},
      {0, Mod4Mask, {0, LockMask, Mod4Mask, LockMask | Mod4Mask}},
      {ShiftMask, 0, {ShiftMask, ShiftMask | LockMask, ShiftMask, ShiftMask | LockMask}},  // no Num Lock key
  };
  for (const Case& c : cases) EXPECT_EQ(GrabMasks(c.modifiers, c.numLock), c.expected);
}

TEST(KeyMap, APressIsTheHotKeyWithItsKeyAndExactlyItsModifiersWhateverTheLocks) {
  std::array<GrabbedKey, hotKeyCount> keys{};
  keys[hotKeyPlay] = {71, ControlMask};
  keys[hotKeyPause] = {72, ControlMask};
  keys[hotKeyFF] = {71, ControlMask | ShiftMask};  // same key, more modifiers
  struct Case {
    unsigned keycode, state;
    std::optional<int> expected;
  };
  const Case cases[] = {
      {71, ControlMask, hotKeyPlay},
      {71, ControlMask | LockMask | Mod2Mask, hotKeyPlay},
      {71, ControlMask | ShiftMask, hotKeyFF},
      {72, ControlMask | Mod2Mask, hotKeyPause},
      {72, ControlMask | Mod1Mask, std::nullopt},  // Alt too: another combination
      {71, 0, std::nullopt},
      {0, 0, std::nullopt},  // a key never grabbed matches no empty row
      {73, ControlMask, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(HotKeyForPress(keys, c.keycode, c.state), c.expected) << c.keycode;
}

TEST(KeyMap, OneShotCommandsNameTheHotKeys) {
  struct Case {
    std::string_view command;
    std::optional<int> expected;
  };
  const Case cases[] = {{"play", hotKeyPlay},     {"pause", hotKeyPause},  {"walk", hotKeyWalk},
                        {"rewind", hotKeyRew},    {"forward", hotKeyFF},   {"stamp", hotKeyStamp},
                        {"Play", std::nullopt},   {"", std::nullopt},      {"--play", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(HotKeyForCommand(c.command), c.expected) << c.command;
}

}  // namespace
