#include "settings/hotkey_legend.h"

#include <gtest/gtest.h>

namespace {
const std::array<std::string, hotKeyCount> functionKeys{"F5", "F6", "F7", "F8", "F9", "F10"};
}

TEST(HotKeyLegend, DefaultCodesShowCtrlWithEachKeyInIdOrder) {
  EXPECT_EQ(HotKeyLegend(defaultHotKeyCodes, functionKeys),
            "Play:CtrlF5  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  Stamp:CtrlF10  ");
}

TEST(HotKeyLegend, EachEntryShowsOnlyItsOwnModifiersInCtrlAltShftOrder) {
  // Play Alt+F5, Pause plain F6, Walk every flag, Rew Shift+Ext, FF Ctrl+Alt,
  // Stamp Ctrl+Shift.
  const std::array<HotKeyCode, hotKeyCount> codes{0x0474, 0x0075, 0x0F76, 0x0977, 0x0678, 0x0354};
  EXPECT_EQ(HotKeyLegend(codes, {"F5", "F6", "F7", "Up", "F9", "T"}),
            "Play:AltF5  Pause:F6  Walk:CtrlAltShftF7  Rew:ShftUp  FF:CtrlAltF9  Stamp:CtrlShftT  ");
}

TEST(HotKeyLegend, CutsKeyNamesToNineCharactersSoTheLongestLegendIs161) {
  const std::array<HotKeyCode, hotKeyCount> all{0x0741, 0x0742, 0x0743, 0x0744, 0x0745, 0x0746};
  const std::string longName = "Num Enter Key";
  const std::string legend = HotKeyLegend(all, {longName, longName, longName, longName, longName, longName});
  EXPECT_EQ(legend.size(), hotKeyLegendLimit);
  EXPECT_EQ(legend.substr(0, 25), "Play:CtrlAltShftNum Enter");
  EXPECT_EQ(HotKeyLegend({}, {"", std::string("A\0B", 3), "", "", "", ""}), "Play:  Pause:A  Walk:  Rew:  FF:  Stamp:  ");
}

TEST(HotKeyModifiers, MapsControlFlagsToRegistrationBitsAndDropsExt) {
  EXPECT_EQ(HotKeyModifiers(0x0174), hotKeyModShift);
  EXPECT_EQ(HotKeyModifiers(0x0274), hotKeyModControl);
  EXPECT_EQ(HotKeyModifiers(0x0474), hotKeyModAlt);
  EXPECT_EQ(HotKeyModifiers(0x0874), 0u);
  EXPECT_EQ(HotKeyModifiers(0x0F74), hotKeyModShift | hotKeyModControl | hotKeyModAlt);
  EXPECT_EQ(HotKeyModifiers(0xF074), 0u);
  EXPECT_EQ(HotKeyVirtualKey(0x0F74), 0x74);
  EXPECT_EQ(HotKeyFlags(0x0F74), 0x0F);
}

TEST(DefaultHotKeyCodes, AreCtrlF5ToCtrlF10) {
  for (int id = 0; id < hotKeyCount; ++id) {
    EXPECT_EQ(HotKeyVirtualKey(defaultHotKeyCodes[id]), 0x74 + id);  // VK_F5 + id
    EXPECT_EQ(HotKeyModifiers(defaultHotKeyCodes[id]), hotKeyModControl);
  }
}
