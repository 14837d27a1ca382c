// Foot pedals on the simulated device: a stand-in for the raw-input and HID
// calls feeds button sets as Infinity-pedal reports through WM_INPUT and
// WM_INPUT_DEVICE_CHANGE; the middle pedal's mode through the Advanced
// Options dialog and the options file.
#include <windows.h>
#include <wtsapi32.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/held_input.h"
#include "app/player_state.h"
#include "app/window_parts.h"
#include "pedal/pedal_input.h"
#include "pedal/pedal_machine.h"
#include "pedal/pedal_platform.h"
#include "pedal/pedal_report.h"
#include "res/resource.h"
#include "settings/hotkey_codes.h"
#include "settings/options_file.h"
#include "settings/settings_state.h"
#include "settings_fixture.h"
#include "support/playback_fixture.h"

namespace {

// A HID collection as the system lists it. The stand-in parser reads the
// Infinity layout: the report id byte, then one bit per button.
struct FakeDevice {
  HANDLE handle;
  DWORD vendor = 0x05F3, product = 0x00FF;
  USHORT page = 0x0C, usage = 0x03;
  bool describable = true, hasButtons = true;
  USHORT reportLength = 3;
  UCHAR reportId = 0;
};
struct FakeInput {
  HANDLE device;
  DWORD sizeHid, count;
  std::vector<BYTE> bytes;
  DWORD type = RIM_TYPEHID;
};

const auto kInfinity = reinterpret_cast<HANDLE>(0x1001);
std::vector<FakeDevice> devices;
std::vector<FakeInput> inputs;  // HRAWINPUT n is inputs[n - 1]
std::vector<std::vector<RAWINPUTDEVICE>> registrations;

FakeDevice* Find(HANDLE handle) {
  for (auto& d : devices)
    if (d.handle == handle) return &d;
  return nullptr;
}
FakeDevice* Of(PHIDP_PREPARSED_DATA data) {
  HANDLE handle;
  std::memcpy(&handle, data, sizeof handle);
  return Find(handle);
}

UINT WINAPI List(PRAWINPUTDEVICELIST list, PUINT count, UINT) {
  if (list == nullptr) return *count = static_cast<UINT>(devices.size()), 0;
  for (std::size_t i = 0; i < devices.size(); ++i) list[i] = {devices[i].handle, RIM_TYPEHID};
  return static_cast<UINT>(devices.size());
}
UINT WINAPI Info(HANDLE handle, UINT command, LPVOID data, PUINT size) {
  const FakeDevice* d = Find(handle);
  if (d == nullptr) return static_cast<UINT>(-1);  // gone
  if (command == RIDI_DEVICEINFO) {
    auto* info = static_cast<RID_DEVICE_INFO*>(data);
    info->dwType = RIM_TYPEHID;
    info->hid = {d->vendor, d->product, 1, d->page, d->usage};
    return sizeof *info;
  }
  if (!d->describable) return static_cast<UINT>(-1);
  if (data == nullptr) return *size = sizeof handle, 0;
  std::memcpy(data, &handle, sizeof handle);
  return sizeof handle;
}
BOOL WINAPI Register(PCRAWINPUTDEVICE list, UINT count, UINT) {
  registrations.emplace_back(list, list + count);
  return TRUE;
}
UINT WINAPI Data(HRAWINPUT handle, UINT, LPVOID data, PUINT size, UINT) {
  const FakeInput& in = inputs.at(reinterpret_cast<std::size_t>(handle) - 1);
  const UINT total = static_cast<UINT>(offsetof(RAWINPUT, data.hid.bRawData) + in.bytes.size());
  if (data == nullptr) return *size = total, 0;
  auto* raw = static_cast<RAWINPUT*>(data);
  raw->header = {in.type, total, in.device, RIM_INPUTSINK};
  raw->data.hid.dwSizeHid = in.sizeHid;
  raw->data.hid.dwCount = in.count;
  std::memcpy(raw->data.hid.bRawData, in.bytes.data(), in.bytes.size());
  return total;
}
NTSTATUS NTAPI Caps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) {
  *caps = {};
  caps->InputReportByteLength = Of(data)->reportLength;
  caps->NumberInputButtonCaps = 1;
  return HIDP_STATUS_SUCCESS;
}
NTSTATUS NTAPI ButtonCaps(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, PHIDP_BUTTON_CAPS caps, PUSHORT count,
                          PHIDP_PREPARSED_DATA data) {
  if (!Of(data)->hasButtons) return *count = 0, HIDP_STATUS_USAGE_NOT_FOUND;
  caps[0] = {};
  caps[0].UsagePage = 9;
  caps[0].ReportID = Of(data)->reportId;
  return *count = 1, HIDP_STATUS_SUCCESS;
}
NTSTATUS NTAPI Usages(HIDP_REPORT_TYPE, USAGE, USHORT, PUSAGE usages, PULONG count, PHIDP_PREPARSED_DATA data,
                      PCHAR report, ULONG length) {
  const FakeDevice* d = Of(data);
  if (length != d->reportLength) return HIDP_STATUS_INVALID_REPORT_LENGTH;
  if (static_cast<UCHAR>(report[0]) != d->reportId) return HIDP_STATUS_INCOMPATIBLE_REPORT_ID;
  ULONG n = 0;
  for (ULONG bit = 8; bit < length * 8; ++bit)
    if (report[bit / 8] & (1 << (bit % 8))) usages[n++] = static_cast<USAGE>(bit - 7);
  return *count = n, HIDP_STATUS_SUCCESS;
}

void InstallFakes() {
  devices = {FakeDevice{kInfinity}};
  inputs.clear();
  registrations.clear();
  ResetPedalState();
  pedalPlatform = {List, Info, Register, Data, Caps, ButtonCaps, Usages};
}
void RemoveFakes() {
  pedalPlatform = SystemPedalPlatform();
  ResetPedalState();
}

constexpr PedalButtons L = pedalLeft, M = pedalMiddle, R = pedalRight;

class PedalTest : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    InstallFakes();
    StartWithFile(AddFile("talk.wav", 120000));
  }
  void TearDown() override {
    PlaybackTest::TearDown();
    RemoveFakes();
  }
  void Send(FakeInput input) {
    inputs.push_back(std::move(input));
    EXPECT_EQ(Call(WM_INPUT, RIM_INPUTSINK, static_cast<LPARAM>(inputs.size())), FALSE);
  }
  void Press(PedalButtons buttons, HANDLE device = kInfinity) { Send({device, 3, 1, {0, buttons, 0}}); }
  void Plug(WPARAM change, HANDLE device = kInfinity) { Call(WM_INPUT_DEVICE_CHANGE, change, reinterpret_cast<LPARAM>(device)); }
  std::vector<DWORD> SeekTargets() const {
    std::vector<DWORD> targets;
    for (const auto& c : Sent(MCI_SEEK)) targets.push_back(c.to);
    return targets;
  }
};

TEST_F(PedalTest, APressActsOnceWhateverElseSaysItAndAReleaseIsNeverLost) {
  // Each row: what happens after the middle pedal goes down (hold to play),
  // and whether playback runs at the end.
  struct Case {
    const char* what;
    std::function<void()> then;
    bool playing;
  } cases[] = {
      {"the pedal's own hot key a moment later", [this] { Call(WM_HOTKEY, hotKeyPause); }, true},
      {"a Pause hot key pressed later", [this] { Sleep(kPedalEchoMs + 50); Call(WM_HOTKEY, hotKeyPause); },
       false},
      {"the session locked while held", [this] { Call(WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK); }, false},
      {"a release while a box is open, carried out when it goes",
       [this] {
         EnableWindow(window, FALSE);
         Press(0);
         EXPECT_TRUE(sim.IsPlaying(Device()));
         EnableWindow(window, TRUE);
         Call(WM_TIMER, kHeldInputTimer);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Press(M);
    ASSERT_TRUE(sim.IsPlaying(Device()));
    c.then();
    EXPECT_EQ(sim.IsPlaying(Device()), c.playing);
    Press(0);
    if (!player.isPaused) Call(WM_HOTKEY, hotKeyPause);
    Sleep(kPedalEchoMs + 10);
  }
  // A hot key pressed while a box is open waits for it too.
  EnableWindow(window, FALSE);
  Call(WM_HOTKEY, hotKeyPlay);
  EXPECT_TRUE(player.isPaused);
  EnableWindow(window, TRUE);
  Call(WM_TIMER, kHeldInputTimer);
  EXPECT_FALSE(player.isPaused);
}

TEST_F(PedalTest, RegistersTheConsumerPageAndPedalCollectionsButNeverAKeyboard) {
  const auto xkeys = reinterpret_cast<HANDLE>(0x2002), keyboard = reinterpret_cast<HANDLE>(0x2003),
             other = reinterpret_cast<HANDLE>(0x2004);
  devices.push_back({xkeys, 0x05F3, 0x0268, 0xFF00, 0x01});
  devices.push_back({keyboard, 0x05F3, 0x0268, 0x01, 0x06});
  devices.push_back({other, 0x046D, 0xC52B, 0xFF01, 0x01});
  DestroyMainWindow();
  registrations.clear();
  ResetPedalState();
  StartWithFile(AddFile("talk.wav", 120000));
  ASSERT_EQ(registrations.size(), 1u);
  const auto& wanted = registrations[0];
  ASSERT_EQ(wanted.size(), 2u);
  EXPECT_EQ(wanted[0].usUsagePage, 0x0C);
  EXPECT_EQ(wanted[0].dwFlags, static_cast<DWORD>(RIDEV_PAGEONLY | RIDEV_INPUTSINK | RIDEV_DEVNOTIFY));
  EXPECT_EQ(wanted[1].usUsagePage, 0xFF00);
  EXPECT_EQ(wanted[1].dwFlags, static_cast<DWORD>(RIDEV_INPUTSINK | RIDEV_DEVNOTIFY));
  for (const auto& d : wanted) EXPECT_EQ(d.hwndTarget, window);
  EXPECT_EQ(StatusText(kStatusCounter), "pedal");

  DestroyMainWindow();
  ASSERT_EQ(registrations.size(), 2u);
  for (const auto& d : registrations[1]) {
    EXPECT_TRUE(d.dwFlags & RIDEV_REMOVE);
    EXPECT_EQ(d.hwndTarget, nullptr);
  }
}

TEST_F(PedalTest, MiddleDownPlaysFromThePositionLessTheUnpauseRewindAndRepeatsChangeNothing) {
  SetUnpauseRewindMs(window, 2000);
  sim.SetPosition(Device(), 30000);
  Press(M);
  EXPECT_EQ(SeekTargets(), std::vector<DWORD>{28000});
  EXPECT_TRUE(sim.IsPlaying(Device()));
  EXPECT_FALSE(player.isPaused);
  EXPECT_EQ(StatusText(kStatusCounter), "pedal");
  Press(M);
  Press(M);
  EXPECT_EQ(CountSent(MCI_SEEK), 1);
  EXPECT_EQ(CountSent(MCI_PLAY), 1);
}

TEST_F(PedalTest, MiddleUpPausesUnlessPressToToggleIsChosen) {
  Press(M);
  sim.Advance(1500);
  Press(0);
  EXPECT_EQ(CountSent(MCI_PAUSE), 1);
  EXPECT_TRUE(player.isPaused);
  EXPECT_EQ(StatusText(kStatusPaused), "paused");
  pedalMode = 1;
  Press(M);
  Press(0);
  EXPECT_FALSE(player.isPaused);
  EXPECT_EQ(CountSent(MCI_PAUSE), 1);
}

TEST_F(PedalTest, LeftHeldSixtyTicksWindsLikeTheHeldRewindButtonAndPlayResumesOnRelease) {
  sim.SetPosition(Device(), 100000);
  HoldButton(IDT_REWIND, true);
  Ticks(60);
  HoldButton(IDT_REWIND, false);
  Tick();  // the burst ends
  const std::vector<DWORD> byButton = SeekTargets();
  sim.ClearLog();

  sim.SetPosition(Device(), 100000);
  Press(M);  // plays: no rewind after unpause is set
  sim.ClearLog();
  Press(M | L);
  Ticks(60);
  EXPECT_EQ(SeekTargets(), byButton);
  EXPECT_EQ(DevicePosition(), 100000 - 38 * 212 - 22 * 530);
  Press(M);
  Tick();
  EXPECT_EQ(CountSent(MCI_SEEK), 60) << "the wind stops at once";
  EXPECT_TRUE(sim.IsPlaying(Device()));
}

TEST_F(PedalTest, UnpluggedWhileHeldCountsAsAllPedalsUp) {
  Press(M | R);
  Tick();
  Plug(GIDC_REMOVAL);
  sim.ClearLog();
  Ticks(3);
  EXPECT_EQ(CountSent(MCI_SEEK), 0);
  EXPECT_TRUE(player.isPaused);
  EXPECT_EQ(StatusText(kStatusCounter), "");
}

TEST_F(PedalTest, PluggedInWhileRunningWorksAtOnceButLeavesAWalkCounterShown) {
  devices.push_back({reinterpret_cast<HANDLE>(0x3003)});
  Command(IDT_WALK);
  Plug(GIDC_ARRIVAL, devices.back().handle);
  EXPECT_EQ(StatusText(kStatusCounter), "1 of 3");
  Press(M, devices.back().handle);
  Press(0, devices.back().handle);
  EXPECT_TRUE(player.isPaused);
}

TEST_F(PedalTest, WithNoMediaOpenAReportDoesNothing) {
  Command(IDM_CLOSE);
  sim.ClearLog();
  Press(M);
  Press(L);
  EXPECT_TRUE(sim.Log().empty());
}

TEST_F(PedalTest, BadInputIsIgnored) {
  const auto gone = reinterpret_cast<HANDLE>(0x4004);
  devices.push_back({reinterpret_cast<HANDLE>(0x5005)});
  devices.back().describable = false;
  devices.push_back({reinterpret_cast<HANDLE>(0x6006)});
  devices.back().hasButtons = false;
  const std::vector<FakeInput> bad{
      {kInfinity, 3, 1, {7, M, 0}},            // unknown report id
      {kInfinity, 2, 1, {0, M}},               // shorter than the descriptor says
      {kInfinity, 3, 2, {0, M, 0}},            // claims more than arrived
      {gone, 3, 1, {0, M, 0}},                 // vanished before the query
      {devices[1].handle, 3, 1, {0, M, 0}},    // descriptor data unreadable
      {devices[2].handle, 3, 1, {0, M, 0}},    // no button usages
      {kInfinity, 3, 1, {0, M, 0}, RIM_TYPEKEYBOARD},
  };
  for (const FakeInput& input : bad) Send(input);
  EXPECT_TRUE(sim.Log().empty());
  EXPECT_TRUE(player.isPaused);
}

TEST_F(PedalTest, TheSystemParserIsLoadedWhenNeededAndRefusesDescriptorDataItCannotRead) {
  ResetPedalState();
  pedalPlatform.hidpGetCaps = nullptr;
  pedalPlatform.hidpGetSpecificButtonCaps = nullptr;
  pedalPlatform.hidpGetUsages = nullptr;
  Press(M);  // the stand-in's descriptor data is no real parser's data
  EXPECT_NE(pedalPlatform.hidpGetUsages, nullptr) << "hid.dll from the system folder";
  EXPECT_TRUE(sim.Log().empty());
  EXPECT_EQ(PedalWind(), 0);
}

// --- the pedal mode option -------------------------------------------------

class PedalOptionTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    InstallFakes();
  }
  void TearDown() override {
    SettingsTest::TearDown();
    RemoveFakes();
  }
  // Runs the Advanced Options dialog: reports which mode it shows, then
  // clicks the buttons given, in turn.
  bool RunDialogShowingToggle(std::vector<int> clicks) {
    bool toggle = false;
    dialogs.Then([&toggle, clicks](HWND dialog) {
      toggle = IsDlgButtonChecked(dialog, IDC_ADV_PEDAL_TOGGLE) == BST_CHECKED &&
               IsDlgButtonChecked(dialog, IDC_ADV_PEDAL_HOLD) != BST_CHECKED;
      for (int id : clicks) SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    });
    Command(IDM_ADVANCED_OPTIONS);
    return toggle;
  }
};

TEST_F(PedalOptionTest, ChosenInTheDialogSavedAfterTheEighteenLinesAndReadBack) {
  CreateMainWindow();
  EXPECT_FALSE(RunDialogShowingToggle({IDC_ADV_PEDAL_TOGGLE, IDCANCEL}));
  EXPECT_EQ(pedalMode, 0);
  RunDialogShowingToggle({IDC_ADV_PEDAL_TOGGLE, IDOK});
  EXPECT_EQ(pedalMode, 1);
  DestroyMainWindow();
  const std::string saved = ReadBytes(DefaultFile());
  EXPECT_EQ(saved.size(), 320u + 13u);
  EXPECT_EQ(saved.substr(320), "PedalMode=1\r\n");

  StartNewProcess();
  CreateMainWindow();
  EXPECT_EQ(pedalMode, 1);
  EXPECT_TRUE(RunDialogShowingToggle({IDC_ADV_RESTORE, IDOK}));
  EXPECT_EQ(pedalMode, 0);
  DestroyMainWindow();
  EXPECT_EQ(ReadBytes(DefaultFile()).size(), 320u) << "back at the default, the key is no longer written";
}

TEST_F(PedalOptionTest, ReadingThePedalsCanBeSwitchedOffAndIsKeptAsPedals0) {
  CreateMainWindow();
  ASSERT_EQ(registrations.size(), 1u);
  dialogs.Then([](HWND dialog) {
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ADV_READ_PEDALS), BST_CHECKED);
    SendMessageA(GetDlgItem(dialog, IDC_ADV_READ_PEDALS), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  });
  Command(IDM_ADVANCED_OPTIONS);
  ASSERT_EQ(registrations.size(), 2u);  // taken back at once
  for (const auto& d : registrations[1]) EXPECT_TRUE(d.dwFlags & RIDEV_REMOVE);
  DestroyMainWindow();
  EXPECT_EQ(ReadBytes(DefaultFile()).substr(320), "Pedals=0\r\n");

  StartNewProcess();
  registrations.clear();
  CreateMainWindow();
  EXPECT_TRUE(registrations.empty()) << "nothing is registered while it is off";
  WriteBytes(TempFile("on.usr"), "Pedals=7\r\n");  // out of range: the default, on
  LoadUserOptions(window, TempFile("on.usr").c_str());
  EXPECT_EQ(registrations.size(), 1u);
}

TEST_F(PedalOptionTest, OutOfRangeValuesGiveHoldToPlay) {
  WriteBytes(DefaultFile(), "PedalMode=1\r\n");
  CreateMainWindow();
  EXPECT_EQ(pedalMode, 1);
  WriteBytes(TempFile("odd.usr"), "PedalMode=5\r\n");
  LoadUserOptions(window, TempFile("odd.usr").c_str());
  EXPECT_EQ(pedalMode, 0);
}

}  // namespace
