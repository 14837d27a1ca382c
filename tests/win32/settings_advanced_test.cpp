// The Advanced Options dialog run from the Options menu: what its edits show,
// how OK reads them, Cancel and Restore Defaults.
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "audio/audio_device.h"
#include "settings/options_file.h"
#include "settings_fixture.h"

namespace {

// The edits in the order of the fields of TimingOptions.
constexpr std::array<int, 7> kEdits{IDC_ADV_HK_SPEEDUP,  IDC_ADV_HK_SLOW,  IDC_ADV_HK_FAST, IDC_ADV_HK_SEEKDELAY,
                                    IDC_ADV_BTN_SPEEDUP, IDC_ADV_BTN_SLOW, IDC_ADV_BTN_FAST};

class AdvancedOptionsTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    CreateMainWindow();
    dialogs.Clear();
  }

  // Runs the dialog: the edits' texts are recorded, then the script's steps
  // (an empty text leaves that edit as it is), then the buttons in turn.
  std::array<std::string, 7> Run(const std::array<const char*, 7>& texts, std::vector<int> buttons) {
    std::array<std::string, 7> shown;
    dialogs.Then([&shown, texts, buttons](HWND dialog) {
      for (std::size_t i = 0; i < kEdits.size(); ++i) {
        char text[40] = "";
        GetDlgItemTextA(dialog, kEdits[i], text, sizeof text);
        shown[i] = text;
        if (texts[i] != nullptr) SetDlgItemTextA(dialog, kEdits[i], texts[i]);
      }
      for (int button : buttons) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
    EXPECT_EQ(Command(IDM_ADVANCED_OPTIONS), TRUE);
    EXPECT_EQ(Captions(), std::vector<std::string>{"Advanced Options"});
    return shown;
  }

  static constexpr std::array<const char*, 7> kUntouched{};
};

TEST_F(AdvancedOptionsTest, EditsShowTheValuesInForce) {
  timingOptions = {0, -340, 2147483647, -2147483647 - 1, 1, 22, 333};
  const auto shown = Run(kUntouched, {IDCANCEL});
  EXPECT_EQ(shown, (std::array<std::string, 7>{"0", "-340", "2147483647", "-2147483648", "1", "22", "333"}));
}

TEST_F(AdvancedOptionsTest, OkReadsEachEditAsADecimalNumber) {
  Run({"12abc", " 7", "abc", "", "-5", "+40", "99999999999"}, {IDOK});
  EXPECT_EQ(timingOptions.HotKeySpeedupDelay, 12);
  EXPECT_EQ(timingOptions.HotKeySlowRepeatSpeed, 7);
  EXPECT_EQ(timingOptions.HotKeyFastRepeatSpeed, 850) << "letters keep the value";
  EXPECT_EQ(timingOptions.HotKeySeekDelay, 5) << "an emptied edit keeps the value";
  EXPECT_EQ(timingOptions.ButtonSpeedupDelay, -5);
  EXPECT_EQ(timingOptions.ButtonSlowRepeatSpeed, 40);
  EXPECT_EQ(timingOptions.ButtonFastRepeatSpeed, INT32_MAX) << "too long a number saturates";
}

TEST_F(AdvancedOptionsTest, CancelChangesNothing) {
  Run({"1", "2", "3", "4", "5", "6", "7"}, {IDCANCEL});
  EXPECT_EQ(timingOptions, defaultTimingOptions);
}

TEST_F(AdvancedOptionsTest, RestoreDefaultsFillsTheEditsAndOnlyOkTakesThem) {
  const TimingOptions changed{1, 2, 3, 4, 5, 6, 7};
  timingOptions = changed;
  Run(kUntouched, {IDC_ADV_RESTORE, IDCANCEL});
  EXPECT_EQ(timingOptions, changed);

  dialogs.Clear();
  std::array<std::string, 7> afterRestore;
  dialogs.Then([&afterRestore](HWND dialog) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ADV_RESTORE, BN_CLICKED), 0);
    for (std::size_t i = 0; i < kEdits.size(); ++i) {
      char text[40] = "";
      GetDlgItemTextA(dialog, kEdits[i], text, sizeof text);
      afterRestore[i] = text;
    }
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  Command(IDM_ADVANCED_OPTIONS);
  EXPECT_EQ(afterRestore, (std::array<std::string, 7>{"30", "340", "850", "5", "38", "212", "530"}));
  EXPECT_EQ(timingOptions, defaultTimingOptions);
}

TEST_F(AdvancedOptionsTest, ValuesTakenAreSavedToTheFileLeftByOpenDefaultOptions) {
  const std::string other = TempFile("other.usr");
  LoadUserOptions(window, other.c_str());  // missing: the built-in text, no message
  WriteBytes(DefaultFile(), "HotKeySeekDelay=8\r\n");
  Run({"60", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, {IDOK});
  EXPECT_EQ(timingOptions.HotKeySpeedupDelay, 60);

  Command(IDM_DEFAULT_OPTIONS);
  EXPECT_EQ(ReadOptionsText(ReadBytes(other)).timing.HotKeySpeedupDelay, 60);
  TimingOptions expected = defaultTimingOptions;
  expected.HotKeySeekDelay = 8;
  EXPECT_EQ(timingOptions, expected);
}

}  // namespace

namespace {

// The check box "Use the system's MCI devices": shows the choice in force,
// OK takes it, Cancel and Restore Defaults leave it, and the options file
// carries it after its 18 lines only while it is on.
TEST_F(AdvancedOptionsTest, SystemDevicesCheckBox) {
  struct Step {
    bool before;
    std::vector<int> buttons;
    bool after;
  } steps[] = {
      {false, {IDC_ADV_SYSTEM_DEVICES, IDOK}, true},
      {true, {IDC_ADV_RESTORE, IDOK}, true},
      {true, {IDC_ADV_SYSTEM_DEVICES, IDCANCEL}, true},
      {true, {IDC_ADV_SYSTEM_DEVICES, IDOK}, false},
  };
  for (const Step& step : steps) {
    useSystemDevices = step.before;
    bool shown = !step.before;
    std::string label;
    dialogs.Clear();
    dialogs.Then([&, buttons = step.buttons](HWND dialog) {
      shown = IsDlgButtonChecked(dialog, IDC_ADV_SYSTEM_DEVICES) == BST_CHECKED;
      char text[64] = "";
      GetDlgItemTextA(dialog, IDC_ADV_SYSTEM_DEVICES, text, sizeof text);
      label = text;
      for (int button : buttons) {
        if (button == IDC_ADV_SYSTEM_DEVICES) SendDlgItemMessageA(dialog, button, BM_CLICK, 0, 0);
        else PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
      }
    });
    EXPECT_EQ(Command(IDM_ADVANCED_OPTIONS), TRUE);
    EXPECT_EQ(shown, step.before);
    EXPECT_EQ(label, "Use the system's MCI devices");
    EXPECT_EQ(useSystemDevices, step.after);
  }

  useSystemDevices = true;
  DestroyMainWindow();
  const std::string written = ReadBytes(DefaultFile());
  EXPECT_EQ(written.substr(written.size() - 17), "SystemDevices=1\r\n");
  StartNewProcess();
  CreateMainWindow();
  EXPECT_TRUE(useSystemDevices) << "read back at start";
  useSystemDevices = false;
  DestroyMainWindow();
  EXPECT_EQ(ReadBytes(DefaultFile()).size(), 320u);
}

}  // namespace
