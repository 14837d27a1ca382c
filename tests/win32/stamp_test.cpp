// The Stamp hot key: the events it types through SendInput, its
// registration and fall-back, its row in Change HotKeys, the legend, and the
// "Timestamp format" list of Advanced Options.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "app/player_state.h"
#include "settings/settings_state.h"
#include "stamp/stamp_input.h"
#include "support/playback_fixture.h"
#include "settings_fixture.h"

namespace {

// What SendInput was given, call by call, and which keys read as held.
std::vector<std::vector<INPUT>> sentInput;
std::set<int> heldKeys;

UINT WINAPI RecordSendInput(UINT count, LPINPUT inputs, int size) {
  EXPECT_EQ(size, static_cast<int>(sizeof(INPUT)));
  sentInput.emplace_back(inputs, inputs + count);
  return count;
}
SHORT WINAPI FakeKeyState(int key) { return heldKeys.count(key) ? static_cast<SHORT>(0x8000) : 0; }

// Seam installed for one test, the real calls put back after it.
struct InputRecorder {
  InputRecorder() {
    sentInput.clear();
    heldKeys.clear();
    sendInputHook = RecordSendInput;
    asyncKeyStateHook = FakeKeyState;
  }
  ~InputRecorder() {
    sendInputHook = SendInput;
    asyncKeyStateHook = GetAsyncKeyState;
  }
};

// One keyboard event as the test writes it.
struct Key {
  WORD vk;
  WORD scan;  // compared only for Unicode events
  DWORD flags;
  friend bool operator==(const Key& a, const Key& b) {
    return a.vk == b.vk && a.flags == b.flags && (!(a.flags & KEYEVENTF_UNICODE) || a.scan == b.scan);
  }
};
std::vector<Key> Keys(const std::vector<INPUT>& inputs) {
  std::vector<Key> keys;
  for (const INPUT& in : inputs) {
    EXPECT_EQ(in.type, static_cast<DWORD>(INPUT_KEYBOARD));
    keys.push_back({in.ki.wVk, in.ki.wScan, in.ki.dwFlags});
  }
  return keys;
}
std::vector<Key> Typed(const std::string& text) {
  std::vector<Key> keys;
  for (char c : text) {
    keys.push_back({0, static_cast<WORD>(c), KEYEVENTF_UNICODE});
    keys.push_back({0, static_cast<WORD>(c), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP});
  }
  return keys;
}

class StampTypingTest : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    StartWithFile(AddFile("talk.wav", 4 * 3600000));
  }
  void TearDown() override {
    PlaybackTest::TearDown();
    ResetSettingsState();
  }
  InputRecorder recorder;
};

TEST_F(StampTypingTest, ReleasesTheHotKeysHeldModifiersThenTypesOneUnicodePairPerCharacter) {
  constexpr DWORD up = KEYEVENTF_KEYUP;
  constexpr DWORD extendedUp = KEYEVENTF_KEYUP | KEYEVENTF_EXTENDEDKEY;
  struct Case {
    HotKeyCode code;
    std::set<int> held;
    int format;
    std::int32_t position;
    std::vector<Key> released;
    std::string text;
  };
  const Case cases[] = {
      {0x0279, {VK_LCONTROL}, 0, 83456, {{VK_LCONTROL, 0, up}}, "[0:01:23] "},
      {0x0779, {VK_RCONTROL, VK_RMENU, VK_LSHIFT, VK_RSHIFT, VK_LWIN}, 2, 3723400,
       {{0xE8, 0, 0}, {0xE8, 0, up},  // so that Alt's release opens no menu
        {VK_RCONTROL, 0, extendedUp}, {VK_RMENU, 0, extendedUp}, {VK_LSHIFT, 0, up}, {VK_RSHIFT, 0, up}},
       "#01:02:03-4# "},
      {0x0279, {}, 1, 999, {}, "[0:00:00.9] "},                 // Ctrl already let go
      {0x0479, {VK_LCONTROL, VK_LSHIFT}, 3, 0, {}, "0:00:00 "},  // held, but not the hot key's
  };
  for (const Case& c : cases) {
    hotKeyCodes[hotKeyStamp] = c.code;
    stampFormat = c.format;
    heldKeys = c.held;
    sim.SetPosition(Device(), c.position);
    sentInput.clear();
    EXPECT_EQ(HotKey(hotKeyStamp), TRUE);
    ASSERT_EQ(sentInput.size(), 1u) << "one call, so the user's own keys cannot come between";
    std::vector<Key> expected = c.released;
    for (const Key& k : Typed(c.text)) expected.push_back(k);
    // The modifiers let go are pressed again: the keyboard is left as held.
    for (Key k : c.released) {
      if (k.vk == 0xE8) continue;
      k.flags &= ~static_cast<DWORD>(KEYEVENTF_KEYUP);
      expected.push_back(k);
    }
    EXPECT_EQ(Keys(sentInput[0]), expected) << c.text;
  }
  // Into a program run as administrator nothing can be typed: the status bar says so.
  foregroundElevatedHook = [] { return true; };
  sentInput.clear();
  EXPECT_EQ(HotKey(hotKeyStamp), TRUE);
  foregroundElevatedHook = IsForegroundElevated;
  EXPECT_TRUE(sentInput.empty());
  EXPECT_EQ(StatusText(kStatusCounter), "cannot type into a program run as administrator");
}

TEST_F(StampTypingTest, LeavesTheTransportAsItIsAndTypesNothingWithoutAFile) {
  Command(IDT_PLAY);
  sim.Advance(2500);
  sim.ClearLog();
  const std::int32_t delayBefore = player.seekDelayLeft;
  PostMessageA(window, WM_HOTKEY, hotKeyFF, 0);
  EXPECT_EQ(HotKey(hotKeyStamp), TRUE);
  MSG queued{};
  EXPECT_TRUE(PeekMessageA(&queued, window, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) << "other keys stay queued";
  ASSERT_EQ(sim.Log().size(), 1u);
  EXPECT_EQ(sim.Log()[0].message, static_cast<UINT>(MCI_STATUS));
  EXPECT_TRUE(sim.IsPlaying(Device()));
  EXPECT_FALSE(player.isPaused);
  EXPECT_EQ(player.seekDelayLeft, delayBefore);
  ASSERT_EQ(sentInput.size(), 1u);
  EXPECT_EQ(Keys(sentInput[0]), Typed("[0:00:02] "));

  // Paused stays paused, and a failing position read shows no box.
  Command(IDT_PAUSE);
  sim.Fail(MCI_STATUS, MCIERR_DEVICE_NOT_READY);
  dialogs.Clear();
  HotKey(hotKeyStamp);
  EXPECT_TRUE(player.isPaused);
  EXPECT_TRUE(dialogs.Caught().empty());
  sim.ClearFailures();

  Command(IDM_CLOSE);
  sentInput.clear();
  EXPECT_EQ(HotKey(hotKeyStamp), TRUE);
  EXPECT_TRUE(sentInput.empty());
}

class StampSettingsTest : public SettingsTest {};

TEST_F(StampSettingsTest, TheSixthKeyFallsBackLikeTheOthers) {
  // Another program holds Ctrl+Shift+S.
  ASSERT_TRUE(RegisterHotKey(nullptr, 0x6001, MOD_CONTROL | MOD_SHIFT, 'S'));
  for (const char* file : {"HKStamp=0274\r\n", "HKStamp=0353\r\n"}) {
    WriteBytes(DefaultFile(), file);
    dialogs.Clear();
    CreateMainWindow();
    ASSERT_EQ(dialogs.Caught().size(), 1u) << file;
    EXPECT_EQ(dialogs.Caught()[0].text, "Invalid Stamp hot-key, using default");
    EXPECT_EQ(hotKeyCodes[hotKeyStamp], 0x279);
    EXPECT_TRUE(HotKeyTaken(MOD_CONTROL, VK_F10));
    DestroyMainWindow();
    StartNewProcess();
    // Written back as the default: not at all, so the file is the 18 lines.
    EXPECT_EQ(ReadBytes(DefaultFile()).size(), 320u);
  }
  UnregisterHotKey(nullptr, 0x6001);
}

TEST_F(StampSettingsTest, EveryStatusBarPartHoldsItsLongestTextUncut) {
  CreateMainWindow();
  const std::string legend = StatusText(kStatusHotKeys);
  EXPECT_EQ(legend, "Play:CtrlF5  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  Stamp:CtrlF10  ");
  // Ten hours of media, the longer mode, a two-digit walk counter, the legend
  // without its trailing blanks.
  const std::array<std::string, 6> longest{"600:00.000", "600:00.000", "walking", "paused", "10 of 10",
                                           legend.substr(0, legend.find_last_not_of(' ') + 1)};
  HWND bar = Item(IDC_STATUSBAR);
  HDC dc = GetDC(bar);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(bar, WM_GETFONT, 0, 0)));
  for (int part = 0; part < 6; ++part) {
    RECT rect{};
    ASSERT_TRUE(SendMessageA(bar, SB_GETRECT, part, reinterpret_cast<LPARAM>(&rect)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, longest[part].c_str(), static_cast<int>(longest[part].size()), &extent);
    // The bar draws its text a few pixels in from the part's edges.
    EXPECT_LE(extent.cx + 8, rect.right - rect.left) << longest[part];
  }
  SelectObject(dc, old);
  ReleaseDC(bar, dc);
}

TEST_F(StampSettingsTest, ChangeHotKeysHasTheStampKeyBelowPlayInTheSameColumn) {
  CreateMainWindow();
  std::array<RECT, 3> rects{};  // Play's control, the Stamp label, the Stamp control
  char label[64] = "";
  dialogs.Then([&](HWND dialog) {
    const std::array<int, 3> ids{IDC_HK_PLAY, IDC_HK_STAMP_LABEL, IDC_HK_STAMP};
    for (std::size_t i = 0; i < ids.size(); ++i) GetWindowRect(GetDlgItem(dialog, ids[i]), &rects[i]);
    GetDlgItemTextA(dialog, IDC_HK_STAMP_LABEL, label, sizeof label);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  Command(IDM_CHANGE_HOTKEYS);
  EXPECT_STREQ(label, "Insert &timestamp");
  EXPECT_EQ(rects[1].left, rects[0].left);
  EXPECT_EQ(rects[2].left, rects[0].left);
  EXPECT_GT(rects[1].top, rects[0].bottom);
  EXPECT_GE(rects[2].top, rects[1].bottom);
}

class TimestampFormatListTest : public SettingsTest {
 protected:
  // Runs Advanced Options: records the list's items and selection, selects
  // the given item (-1: leaves it), then presses the buttons in turn.
  void Run(int select, std::vector<int> buttons) {
    dialogs.Then([this, select, buttons](HWND dialog) {
      HWND list = GetDlgItem(dialog, IDC_ADV_STAMP_FORMAT);
      items.clear();
      char text[64];
      for (int i = 0; SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text)) > 0; ++i) items.push_back(text);
      shown = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
      if (select >= 0) SendMessageA(list, CB_SETCURSEL, select, 0);
      for (int button : buttons) SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
    EXPECT_EQ(Command(IDM_ADVANCED_OPTIONS), TRUE);
  }
  std::vector<std::string> items;
  int shown = -2;
};

TEST_F(TimestampFormatListTest, OffersTheFourFormatsAndOnlyOkTakesTheChoice) {
  CreateMainWindow();
  Run(2, {IDOK});
  EXPECT_EQ(items, (std::vector<std::string>{"[0:01:23]", "[0:01:23.4]", "#00:01:23-4#", "0:01:23"}));
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(stampFormat, 2);
  Run(3, {IDCANCEL});
  EXPECT_EQ(shown, 2);
  Run(-1, {IDC_ADV_RESTORE, IDCANCEL});
  EXPECT_EQ(stampFormat, 2);

  // The format goes to the file after the 18 lines, and comes back from it.
  DestroyMainWindow();
  const std::string saved = ReadBytes(DefaultFile());
  EXPECT_EQ(saved.substr(320), "StampFormat=2\r\n");
  StartNewProcess();
  CreateMainWindow();
  EXPECT_EQ(stampFormat, 2);
  Run(-1, {IDC_ADV_RESTORE, IDOK});
  EXPECT_EQ(stampFormat, 0);
  DestroyMainWindow();
  EXPECT_EQ(ReadBytes(DefaultFile()).size(), 320u) << "the default again: the file of the 18 lines";
}

}  // namespace
