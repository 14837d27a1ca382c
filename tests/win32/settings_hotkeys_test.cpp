// The six global hot keys registered for real with the system, their
// fall-back to the defaults, the legend, and the Change HotKeys dialog.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>
#include <vector>

#include "settings/hotkeys.h"
#include "settings_fixture.h"

namespace {

class HotKeysTest : public SettingsTest {
 protected:
  // The window started with these lines in "default.usr".
  void StartWith(const std::string& options) {
    WriteBytes(DefaultFile(), options);
    CreateMainWindow();
  }

  // The dialog's controls, by hot-key id.
  static constexpr std::array<int, hotKeyCount> kControls{IDC_HK_PLAY, IDC_HK_PAUSE, IDC_HK_WALK, IDC_HK_REWIND,
                                                         IDC_HK_FF, IDC_HK_STAMP};

  // Runs Change HotKeys with the action given the open dialog.
  void ChangeHotKeys(DialogCatcher::Action action) {
    dialogs.Then(std::move(action));
    EXPECT_EQ(Command(IDM_CHANGE_HOTKEYS), TRUE);
  }

  static DialogCatcher::Action SetControlsAndPress(std::array<WORD, hotKeyCount> codes, int button) {
    return [codes, button](HWND dialog) {
      for (int id = 0; id < hotKeyCount; ++id) SendDlgItemMessageA(dialog, kControls[id], HKM_SETHOTKEY, codes[id], 0);
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    };
  }
};

constexpr char kDefaultLegend[] = "Play:CtrlF5  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  Stamp:CtrlF10  ";

TEST_F(HotKeysTest, DefaultKeysAreRegisteredUntilTheWindowGoes) {
  CreateMainWindow();
  EXPECT_EQ(StatusText(kStatusHotKeys), kDefaultLegend);
  EXPECT_TRUE(dialogs.Caught().empty());
  for (UINT key = VK_F5; key <= VK_F10; ++key) EXPECT_TRUE(HotKeyTaken(MOD_CONTROL, key)) << key;
  DestroyMainWindow();
  for (UINT key = VK_F5; key <= VK_F10; ++key) EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, key)) << key;
}

TEST_F(HotKeysTest, ModifiersOfOneKeyNeverCarryOverToAnother) {
  // Play on Alt+F5, Pause on F6 alone.
  StartWith("HKPlay=0474\r\nHKPause=0075\r\n");
  EXPECT_TRUE(dialogs.Caught().empty());
  EXPECT_EQ(StatusText(kStatusHotKeys), "Play:AltF5  Pause:F6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  Stamp:CtrlF10  ");
  EXPECT_TRUE(HotKeyTaken(MOD_ALT, VK_F5));
  EXPECT_TRUE(HotKeyTaken(0, VK_F6));
  EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, VK_F5));
  EXPECT_FALSE(HotKeyTaken(MOD_ALT, VK_F6));
}

TEST_F(HotKeysTest, TheLaterOfTwoEqualKeysFallsBackToItsDefault) {
  StartWith("HKPlay=0374\r\nHKWalk=0374\r\n");  // Ctrl+Shift+F5 twice
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Error");
  EXPECT_EQ(dialogs.Caught()[0].text, "Invalid Walk hot-key, using default");
  EXPECT_EQ(hotKeyCodes[hotKeyPlay], 0x374);
  EXPECT_EQ(hotKeyCodes[hotKeyWalk], defaultHotKeyCodes[hotKeyWalk]);
  EXPECT_EQ(StatusText(kStatusHotKeys), "Play:CtrlShftF5  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  Stamp:CtrlF10  ");
  EXPECT_TRUE(HotKeyTaken(MOD_CONTROL, VK_F7));
}

TEST_F(HotKeysTest, ADefaultThatIsTakenToo) {
  // Play takes Ctrl+F6, so Pause can have neither its own code nor its default.
  StartWith("HKPlay=0275\r\nHKPause=0275\r\n");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Error", "Error!"}));
  ASSERT_EQ(dialogs.Caught().size(), 2u);
  EXPECT_EQ(dialogs.Caught()[0].text, "Invalid Pause hot-key, using default");
  EXPECT_EQ(dialogs.Caught()[1].text, "Default Hot Key invalid!");
  EXPECT_EQ(hotKeyCodes[hotKeyPause], defaultHotKeyCodes[hotKeyPause]);
  EXPECT_EQ(StatusText(kStatusHotKeys), "Play:CtrlF6  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  Stamp:CtrlF10  ");
  // The messages come again at the next registration, Cancel included.
  dialogs.Clear();
  ChangeHotKeys(DialogCatcher::Press(IDCANCEL));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Change HotKeys", "Error", "Error!"}));
}

TEST_F(HotKeysTest, CodeZeroFromTheFileIsSavedAsTheDefault) {
  StartWith("HKWalk=0\r\n");
  EXPECT_EQ(hotKeyCodes[hotKeyWalk], defaultHotKeyCodes[hotKeyWalk]);
  EXPECT_TRUE(dialogs.Caught().empty());
  DestroyMainWindow();
  EXPECT_NE(ReadBytes(DefaultFile()).find("HKWalk=0276\r\n"), std::string::npos);
}

TEST_F(HotKeysTest, ExtendedFlagChangesOnlyTheKeyName) {
  StartWith("HKRewind=0825\r\nHKFF=0025\r\n");  // extended Left for Rew, keypad Left for FF: one key
  ASSERT_EQ(dialogs.Caught().size(), 1u) << "both are the same virtual key without modifiers";
  EXPECT_EQ(dialogs.Caught()[0].text, "Invalid FF hot-key, using default");
  EXPECT_TRUE(HotKeyTaken(0, VK_LEFT));
  // The extended flag names the arrow key rather than the keypad's.
  EXPECT_EQ(StatusText(kStatusHotKeys), "Play:CtrlF5  Pause:CtrlF6  Walk:CtrlF7  Rew:Left  FF:CtrlF9  Stamp:CtrlF10  ");
}

TEST_F(HotKeysTest, DialogShowsTheCodesAndKeepsTheKeysAwayWhileOpen) {
  StartWith("HKPlay=0474\r\nHKFF=0378\r\nHKStamp=0654\r\n");
  std::array<LRESULT, hotKeyCount> shown{};
  bool freeWhileOpen = false;
  ChangeHotKeys([&](HWND dialog) {
    for (int id = 0; id < hotKeyCount; ++id) shown[id] = SendDlgItemMessageA(dialog, kControls[id], HKM_GETHOTKEY, 0, 0);
    freeWhileOpen = !HotKeyTaken(MOD_ALT, VK_F5) && !HotKeyTaken(MOD_CONTROL, VK_F6);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  EXPECT_EQ(shown, (std::array<LRESULT, hotKeyCount>{0x474, 0x275, 0x276, 0x277, 0x378, 0x654}));
  EXPECT_TRUE(freeWhileOpen);
  // Cancel: the codes as they were, registered again.
  EXPECT_EQ(hotKeyCodes, (std::array<HotKeyCode, hotKeyCount>{0x474, 0x275, 0x276, 0x277, 0x378, 0x654}));
  EXPECT_TRUE(HotKeyTaken(MOD_ALT, VK_F5));
  EXPECT_TRUE(HotKeyTaken(MOD_CONTROL, VK_F6));
}

TEST_F(HotKeysTest, DialogOkStoresAndRegistersTheNewCodes) {
  CreateMainWindow();
  // Walk to Ctrl+Alt+W, Rew to Shift+F11, Stamp to Ctrl+Shift+T; Play's control cleared.
  ChangeHotKeys(SetControlsAndPress({0, 0x275, 0x657, 0x17A, 0x278, 0x354}, IDOK));
  EXPECT_EQ(Captions(), std::vector<std::string>{"Change HotKeys"});
  EXPECT_EQ(hotKeyCodes, (std::array<HotKeyCode, hotKeyCount>{0x274, 0x275, 0x657, 0x17A, 0x278, 0x354}));
  EXPECT_EQ(StatusText(kStatusHotKeys),
            "Play:CtrlF5  Pause:CtrlF6  Walk:CtrlAltW  Rew:ShftF11  FF:CtrlF9  Stamp:CtrlShftT  ");
  EXPECT_TRUE(HotKeyTaken(MOD_CONTROL | MOD_SHIFT, 'T'));
  EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, VK_F10));
  EXPECT_TRUE(HotKeyTaken(MOD_CONTROL | MOD_ALT, 'W'));
  EXPECT_TRUE(HotKeyTaken(MOD_SHIFT, VK_F11));
  EXPECT_TRUE(HotKeyTaken(MOD_CONTROL, VK_F5)) << "a cleared control gives the default";
  EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, VK_F7));
  EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, VK_F8));

  DestroyMainWindow();
  const OptionsValues saved = ReadOptionsText(ReadBytes(DefaultFile()));
  EXPECT_EQ(saved.hotKeys[hotKeyWalk], 0x657u);
  EXPECT_EQ(saved.hotKeys[hotKeyPlay], 0x274u);
  EXPECT_EQ(saved.hotKeys[hotKeyStamp], 0x354u);
}

TEST_F(HotKeysTest, DialogCancelKeepsTheCodes) {
  CreateMainWindow();
  ChangeHotKeys(SetControlsAndPress({0x474, 0x474, 0x474, 0x474, 0x474, 0x474}, IDCANCEL));
  EXPECT_EQ(hotKeyCodes, defaultHotKeyCodes);
  EXPECT_EQ(StatusText(kStatusHotKeys), kDefaultLegend);
  EXPECT_EQ(Captions(), std::vector<std::string>{"Change HotKeys"});
  EXPECT_TRUE(HotKeyTaken(MOD_CONTROL, VK_F5));
}

}  // namespace
