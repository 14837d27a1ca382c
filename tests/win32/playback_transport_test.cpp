// The transport on the simulated device: play, pause and resume, seeks and
// their bursts, held toolbar buttons and hot keys, the sliders, the Jump
// dialog and the end of the media.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "app/player_state.h"
#include "app/window_parts.h"
#include "playback/transport.h"
#include "res/resource.h"
#include "settings/settings_state.h"
#include "support/playback_fixture.h"

namespace {

bool IsPositionRead(const SimMciCommand& c) { return c.message == MCI_STATUS && c.item == MCI_STATUS_POSITION; }

class TransportTest : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    StartWithFile(AddFile("talk.wav", 120000));
  }
  std::vector<DWORD> SeekTargets() const {
    std::vector<DWORD> targets;
    for (const auto& c : Sent(MCI_SEEK)) targets.push_back(c.to);
    return targets;
  }
  // Plays from the device's position, as the Play command does.
  void PlayFrom(std::int32_t ms) {
    sim.SetPosition(Device(), ms);
    Command(IDT_PLAY);
  }
};

// --- play, pause, resume -------------------------------------------------

TEST_F(TransportTest, PlaySendsOneNotifiedPlayToTheEndAndShowsPlaying) {
  SetStatusText(window, kStatusCounter, "2 of 3");
  EXPECT_EQ(Command(IDT_PLAY), TRUE);
  ASSERT_EQ(CountSent(MCI_PLAY), 1);
  const SimMciCommand play = Sent(MCI_PLAY)[0];
  EXPECT_EQ(play.flags, static_cast<DWORD>(MCI_NOTIFY));
  EXPECT_EQ(play.device, Device());
  EXPECT_EQ(CallbackToWindow(play.callback), window);
  EXPECT_EQ(play.from, 0u);
  EXPECT_EQ(play.to, 0u);
  EXPECT_FALSE(player.isPaused);
  EXPECT_FALSE(player.isWalking);
  EXPECT_FALSE(ButtonChecked(IDT_PAUSE));
  EXPECT_EQ(StatusText(kStatusMode), "playing");
  EXPECT_EQ(StatusText(kStatusPaused), "");
  EXPECT_EQ(StatusText(kStatusCounter), "");
  EXPECT_EQ(sim.PlayEnd(Device()), 120000);
}

TEST_F(TransportTest, PlayWhilePausedStartsWhereItStandsWithoutRewinding) {
  SetUnpauseRewindMs(window, 2000);
  PlayFrom(30000);
  EXPECT_EQ(CountSent(MCI_SEEK), 0);
  sim.Advance(1000);
  EXPECT_EQ(DevicePosition(), 31000);
}

TEST_F(TransportTest, PauseStopsTheDeviceWithoutRewinding) {
  PlayFrom(30000);
  sim.Advance(500);
  EXPECT_EQ(Command(IDT_PAUSE), TRUE);
  ASSERT_EQ(CountSent(MCI_PAUSE), 1);
  EXPECT_EQ(Sent(MCI_PAUSE)[0].flags, 0u);
  EXPECT_FALSE(Sent(MCI_PAUSE)[0].hasParms);
  EXPECT_TRUE(player.isPaused);
  EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
  EXPECT_EQ(StatusText(kStatusPaused), "paused");
  EXPECT_EQ(CountSent(MCI_SEEK), 0);
  EXPECT_EQ(DevicePosition(), 30500);
}

TEST_F(TransportTest, ResumeRewindsAndRestartsSilently) {
  SetUnpauseRewindMs(window, 2000);
  PlayFrom(30000);
  HotKey(1);  // pause
  sim.ClearLog();
  sim.Fail(MCI_PLAY, MCIERR_HARDWARE, 1);
  EXPECT_EQ(Command(IDT_PAUSE), TRUE);  // resume
  EXPECT_EQ(SeekTargets(), std::vector<DWORD>{28000});
  EXPECT_EQ(CountSent(MCI_PLAY), 1);
  EXPECT_TRUE(Boxes().empty());  // the restart's failure is silent
  EXPECT_FALSE(player.isPaused);
  EXPECT_FALSE(ButtonChecked(IDT_PAUSE));
  EXPECT_EQ(StatusText(kStatusPaused), "");
  EXPECT_EQ(player.seekCount, 0);
  EXPECT_EQ(player.seekDelayLeft, 0);
  Tick();
  EXPECT_EQ(CountSent(MCI_PLAY), 1);  // the rewind is no burst: no second start
}

TEST_F(TransportTest, ResumeWithARewindLargerThanThePositionResumesFromZero) {
  SetUnpauseRewindMs(window, 5000);
  sim.SetPosition(Device(), 1200);
  Command(IDT_PAUSE);
  EXPECT_EQ(SeekTargets(), std::vector<DWORD>{0});
  EXPECT_TRUE(sim.IsPlaying(Device()));
}

TEST_F(TransportTest, PausedAtTheEndTogglePauseDoesNothing) {
  sim.SetPosition(Device(), 120000 - 1);
  Command(IDT_PAUSE);
  EXPECT_TRUE(player.isPaused);
  EXPECT_EQ(CountSent(MCI_SEEK), 0);
  EXPECT_EQ(CountSent(MCI_PLAY), 0);
  EXPECT_EQ(CountSent(MCI_PAUSE), 0);
}

TEST_F(TransportTest, ClickingPauseAtTheEndKeepsTheButtonDown) {
  sim.SetPosition(Device(), 120000 - 1);
  // A real click: the check button flips itself before its command arrives.
  RECT button{};
  SendMessageA(Item(IDC_TOOLBAR), TB_GETRECT, IDT_PAUSE, reinterpret_cast<LPARAM>(&button));
  const LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
  SendMessageA(Item(IDC_TOOLBAR), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(Item(IDC_TOOLBAR), WM_LBUTTONUP, 0, at);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_TRUE(player.isPaused);
  EXPECT_TRUE(ButtonChecked(IDT_PAUSE)) << "the button must keep showing the paused transport";
  EXPECT_EQ(StatusText(kStatusPaused), "paused");
}

TEST_F(TransportTest, TogglePauseWithoutMediaOnlySetsThePausedLookOnce) {
  Command(IDM_CLOSE);
  player.isPaused = FALSE;
  SetToolbarButtonChecked(window, IDT_PAUSE, false);
  SetStatusText(window, kStatusPaused, "");
  sim.ClearLog();
  TogglePause(window);
  EXPECT_TRUE(player.isPaused);
  EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
  EXPECT_EQ(StatusText(kStatusPaused), "paused");
  TogglePause(window);
  EXPECT_TRUE(player.isPaused);
  EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
  EXPECT_TRUE(sim.Log().empty());
}

TEST_F(TransportTest, PlayingToTheEndPausesWithoutAPauseCommand) {
  PlayFrom(119000);
  sim.Advance(1000);
  EXPECT_TRUE(player.isPaused);
  EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
  EXPECT_EQ(StatusText(kStatusPaused), "paused");
  EXPECT_EQ(CountSent(MCI_PAUSE), 0);
  EXPECT_EQ(DevicePosition(), 120000);
}

TEST_F(TransportTest, ALengthBeyondTheSignedRangeCountsAsAlwaysAtTheEnd) {
  // A device answering 0x80000000 ms: the end checks must not wrap around.
  OpenFile(AddFile("huge.wav", INT32_MIN));
  ASSERT_EQ(player.mediaLength, INT32_MIN);
  Command(IDT_PAUSE);  // resume from the paused start: nothing to resume
  EXPECT_EQ(CountSent(MCI_SEEK), 0);
  EXPECT_EQ(CountSent(MCI_PLAY), 0);
  EXPECT_TRUE(player.isPaused);
  player.isPaused = FALSE;
  Command(IDT_PAUSE);
  EXPECT_EQ(CountSent(MCI_PAUSE), 0);
  EXPECT_EQ(Call(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, Device()), TRUE);  // the end of the media
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TransportTest, ASuccessfulPlayEndingShortOfTheEndChangesNothingOutsideWalkMode) {
  PlayFrom(1000);
  // The device stops on its own short of the end (the play was over).
  mciSendCommandHook(Device(), MCI_PAUSE, 0, 0);
  sim.SetPosition(Device(), 50000);
  EXPECT_EQ(Call(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, Device()), FALSE);
  EXPECT_FALSE(player.isPaused);
  // Within 2 ms of the end counts as the end.
  sim.SetPosition(Device(), 120000 - 2);
  EXPECT_EQ(Call(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, Device()), TRUE);
  EXPECT_TRUE(player.isPaused);
}

TEST_F(TransportTest, FailuresOfUserCommandsAreReportedWithTheirLabels) {
  sim.Fail(MCI_PLAY, MCIERR_HARDWARE, 1);
  Command(IDT_PLAY);
  Command(IDT_PLAY);  // now it plays: a stopped device is not sent a pause
  sim.Fail(MCI_PAUSE, MCIERR_HARDWARE, 1);
  Command(IDT_PAUSE);
  sim.Fail(MCI_SEEK, MCIERR_OUTOFRANGE, 1);
  SeekTo(1000);
  const std::vector<std::string> expected{MciErrorCaption("Play file"), MciErrorCaption("Pause"),
                                          MciErrorCaption("Seek to")};
  EXPECT_EQ(Captions(), expected);
  ASSERT_EQ(Boxes().size(), 3u);
  EXPECT_EQ(Boxes()[2].text, MciErrorText(MCIERR_OUTOFRANGE));
  // The state changes are made all the same.
  EXPECT_TRUE(player.isPaused);
  EXPECT_EQ(player.seekCount, 1);
}

TEST_F(TransportTest, PositionReadsOfPauseAndHotKeysReportButThePollTickIsSilent) {
  sim.FailWhen(IsPositionRead, MCIERR_HARDWARE);
  Tick();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(StatusText(kStatusPosition), " 0:00.000");
  HotKey(4);
  EXPECT_EQ(Captions(), std::vector<std::string>{MciErrorCaption("Checking status")});
  EXPECT_EQ(SeekTargets(), std::vector<DWORD>{340});  // a failed read counts as 0
}

// --- seeks --------------------------------------------------------------

TEST_F(TransportTest, SeekToClampsToTheMedia) {
  SeekTo(120001);
  SeekTo(120000);
  SeekTo(-5);
  SeekTo(INT64_MAX);
  SeekTo(INT64_MIN);
  EXPECT_EQ(SeekTargets(), (std::vector<DWORD>{119999, 120000, 0, 119999, 0}));
  for (const auto& c : Sent(MCI_SEEK)) EXPECT_EQ(c.flags, static_cast<DWORD>(MCI_TO));
  EXPECT_EQ(player.seekCount, 5);
}

TEST_F(TransportTest, SeekToWithoutMediaSendsNothing) {
  Command(IDM_CLOSE);
  sim.ClearLog();
  const std::int32_t before = player.seekCount;
  SeekTo(1000);
  EXPECT_TRUE(sim.Log().empty());
  EXPECT_EQ(player.seekCount, before);
}

TEST_F(TransportTest, PositionDisplayFollowsTheDevice) {
  sim.SetPosition(Device(), 61234);
  EXPECT_EQ(Tick(), TRUE);
  EXPECT_EQ(StatusText(kStatusPosition), " 1:01.234");
  EXPECT_EQ(SliderPos(IDC_POSITION), 613);
}

// --- held toolbar buttons ------------------------------------------------

TEST_F(TransportTest, HoldingFastForwardSixtyTicksFromOneMinuteReaches79716) {
  PlayFrom(60000);
  HoldButton(IDT_FASTFORWARD, true);
  Ticks(60);
  EXPECT_EQ(DevicePosition(), 79716);
  const auto targets = SeekTargets();
  ASSERT_EQ(targets.size(), 60u);
  EXPECT_EQ(targets[37] - targets[36], 212u);
  EXPECT_EQ(targets[38] - targets[37], 530u);
  EXPECT_EQ(StatusText(kStatusPosition), " 1:19.716");
  EXPECT_EQ(CountSent(MCI_PLAY), 1);  // stopped while held
  EXPECT_FALSE(sim.IsPlaying(Device()));

  HoldButton(IDT_FASTFORWARD, false);
  Tick();  // the first tick after release ends the burst
  EXPECT_EQ(CountSent(MCI_PLAY), 2);
  EXPECT_TRUE(sim.IsPlaying(Device()));
  EXPECT_EQ(player.seekCount, 0);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TransportTest, HoldingRewindNearTheStartSeeksToZeroEveryTick) {
  sim.SetPosition(Device(), 300);
  HoldButton(IDT_REWIND, true);
  Ticks(3);
  EXPECT_EQ(SeekTargets(), (std::vector<DWORD>{88, 0, 0}));
}

TEST_F(TransportTest, ButtonSpeedupDelayZeroMakesEveryStepFast) {
  timingOptions.ButtonSpeedupDelay = 0;
  HoldButton(IDT_FASTFORWARD, true);
  Ticks(2);
  EXPECT_EQ(SeekTargets(), (std::vector<DWORD>{530, 1060}));
}

TEST_F(TransportTest, RewindAndFastForwardCommandsDoNothing) {
  EXPECT_EQ(Command(IDT_REWIND), FALSE);
  EXPECT_EQ(Command(IDT_FASTFORWARD), FALSE);
  EXPECT_TRUE(sim.Log().empty());
}

TEST_F(TransportTest, WhilePausedABurstOnlyMovesThePosition) {
  HoldButton(IDT_FASTFORWARD, true);
  Ticks(3);
  HoldButton(IDT_FASTFORWARD, false);
  Ticks(10);
  EXPECT_EQ(DevicePosition(), 636);
  EXPECT_EQ(CountSent(MCI_PLAY), 0);
  EXPECT_EQ(player.seekCount, 0);
  EXPECT_TRUE(player.isPaused);
}

// --- hot keys ------------------------------------------------------------

TEST_F(TransportTest, HotKeyFastForwardResumesOnTheFifthTickSilently) {
  PlayFrom(10000);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(HotKey(4), TRUE);
  EXPECT_EQ(SeekTargets(), (std::vector<DWORD>{10340, 10680, 11020}));
  EXPECT_EQ(player.seekDelayLeft, 5);
  sim.Fail(MCI_PLAY, MCIERR_HARDWARE, 1);
  Ticks(4);
  EXPECT_EQ(CountSent(MCI_PLAY), 1);
  Tick();
  EXPECT_EQ(CountSent(MCI_PLAY), 2);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(player.seekCount, 0);
}

TEST_F(TransportTest, HotKeyStepsSpeedUpAfterThirtySeeks) {
  sim.SetPosition(Device(), 60000);
  for (int i = 0; i < 32; ++i) HotKey(3);
  const auto targets = SeekTargets();
  ASSERT_EQ(targets.size(), 32u);
  EXPECT_EQ(targets[29], 60000u - 30 * 340);
  EXPECT_EQ(targets[31], 60000u - 30 * 340 - 2 * 850);
}

TEST_F(TransportTest, HotKeySeekDelayOfOneOrZeroEndsTheBurstOnTheFirstTick) {
  for (int delay : {1, 0}) {
    timingOptions.HotKeySeekDelay = delay;
    PlayFrom(10000);
    HotKey(4);
    EXPECT_EQ(CountSent(MCI_PLAY), 1) << delay;
    Tick();
    EXPECT_EQ(CountSent(MCI_PLAY), 2) << delay;
    sim.ClearLog();
  }
}

TEST_F(TransportTest, PauseHotKeyDuringABurstPausesAndTheBurstRestartsNothing) {
  PlayFrom(10000);
  HotKey(4);
  HotKey(1);
  EXPECT_TRUE(player.isPaused);
  Ticks(10);
  EXPECT_EQ(CountSent(MCI_PLAY), 1);
  EXPECT_EQ(player.seekCount, 0);
}

TEST_F(TransportTest, HotKeyDrainsQueuedHotKeysAndIgnoresUnknownIds) {
  for (int i = 0; i < 4; ++i) PostMessageA(window, WM_HOTKEY, 4, 0);
  PostMessageA(window, WM_HOTKEY, 7, 0);
  EXPECT_EQ(HotKey(3), TRUE);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, window, WM_HOTKEY, WM_HOTKEY, PM_NOREMOVE));
  // The rewind, then the queued Fast forward once: its repeats are dropped.
  EXPECT_EQ(CountSent(MCI_SEEK), 2);

  // An id outside 0..5: no action, no drain, the delay left alone.
  player.seekDelayLeft = 2;
  PostMessageA(window, WM_HOTKEY, 4, 0);
  EXPECT_EQ(HotKey(6), FALSE);
  EXPECT_TRUE(PeekMessageA(&msg, window, WM_HOTKEY, WM_HOTKEY, PM_REMOVE));
  EXPECT_EQ(player.seekDelayLeft, 2);
  EXPECT_EQ(CountSent(MCI_SEEK), 2);
}

TEST_F(TransportTest, PlayHotKeyLeavesTheSeekDelaySoAButtonBurstEndsOnTheFifthTick) {
  HotKey(0);  // play; seekDelayLeft becomes 5
  HoldButton(IDT_REWIND, true);
  sim.SetPosition(Device(), 5000);
  Ticks(2);
  HoldButton(IDT_REWIND, false);
  Ticks(4);
  EXPECT_EQ(CountSent(MCI_PLAY), 1);
  Tick();
  EXPECT_EQ(CountSent(MCI_PLAY), 2);
}

TEST_F(TransportTest, HotKeysWithoutMediaDoNothingButStillDrain) {
  Command(IDM_CLOSE);
  sim.ClearLog();
  PostMessageA(window, WM_HOTKEY, 4, 0);
  for (int id = 0; id < 5; ++id) EXPECT_EQ(HotKey(id), TRUE) << id;
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, window, WM_HOTKEY, WM_HOTKEY, PM_NOREMOVE));
  EXPECT_TRUE(sim.Log().empty());
}

// --- sliders -------------------------------------------------------------

TEST_F(TransportTest, PositionSliderSeeksToItsSpanAndPlaybackResumesOnTheNextTick) {
  Command(IDT_PLAY);
  EXPECT_EQ(MoveSlider(IDC_POSITION, 1), TRUE);
  EXPECT_EQ(MoveSlider(IDC_POSITION, 301), TRUE);
  EXPECT_EQ(SeekTargets(), (std::vector<DWORD>{0, 30000}));
  Tick();
  EXPECT_EQ(SliderPos(IDC_POSITION), 301);
  EXPECT_EQ(CountSent(MCI_PLAY), 2);
}

TEST_F(TransportTest, SpeedSliderSetsThousandthsOfNormalSpeed) {
  sim.ClearLog();
  OpenFile(AddFile("talk.mp3", 60000, SimMedia::kMpeg, true));
  for (int p : {0, 5, 10}) EXPECT_EQ(MoveSlider(IDC_SPEED, p), FALSE);
  const auto sets = Sent(MCI_SET);
  ASSERT_EQ(sets.size(), 3u);
  for (const auto& s : sets) EXPECT_EQ(s.flags, 0x20000u);
  EXPECT_EQ(sets[0].speed, 750u);
  EXPECT_EQ(sets[1].speed, 1000u);
  EXPECT_EQ(sets[2].speed, 1250u);
  EXPECT_EQ(sim.Speed(Device()), 1250u);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TransportTest, SpeedRefusedByTheDeviceIsReported) {
  MoveSlider(IDC_SPEED, 7);
  EXPECT_EQ(Captions(), std::vector<std::string>{MciErrorCaption("Set Speed")});
  EXPECT_EQ(Boxes()[0].text, MciErrorText(MCIERR_NONAPPLICABLE_FUNCTION));
}

TEST_F(TransportTest, SlidersDoNothingWithoutMedia) {
  Command(IDM_CLOSE);
  sim.ClearLog();
  EXPECT_EQ(MoveSlider(IDC_POSITION, 50), FALSE);
  EXPECT_EQ(MoveSlider(IDC_SPEED, 2), FALSE);
  EXPECT_EQ(MoveSlider(IDC_BACKSPACE, 2), FALSE);
  EXPECT_TRUE(sim.Log().empty());
}

// --- Jump dialog -----------------------------------------------------------

struct JumpCase {
  const char* typed;
  std::vector<DWORD> seeks;
};

TEST_F(TransportTest, JumpDialogSeeksToTheTypedPosition) {
  const JumpCase cases[] = {
      {"2:30", {150000}}, {"2", {120000}},   {"1:75", {135000}}, {"-1:30", {}},
      {"abc", {}},        {"", {}},          {":30", {}},        {"-2:00", {0}},
      {"0:45x", {45000}}, {"1;30", {60000}}, {"99999999999:99", {599999}},
  };
  OpenFile(AddFile("long.wav", 600000));
  for (const auto& c : cases) {
    sim.ClearLog();
    dialogs.Clear();
    dialogs.Then(DialogCatcher::TypeAndPress(IDC_POSITION_EDIT, c.typed, IDOK));
    EXPECT_EQ(Command(IDM_JUMP), TRUE);
    EXPECT_EQ(Captions(), std::vector<std::string>{"Enter new file position (minutes:seconds)"}) << c.typed;
    EXPECT_EQ(SeekTargets(), c.seeks) << '"' << c.typed << '"';
  }
}

TEST_F(TransportTest, JumpDialogStartsAtTheCurrentPositionAndCancelSeeksNowhere) {
  sim.SetPosition(Device(), 754321);
  std::string shown;
  dialogs.Then([&shown](HWND dialog) {
    char text[40] = "";
    GetDlgItemTextA(dialog, IDC_POSITION_EDIT, text, sizeof text);
    shown = text;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  Command(IDM_JUMP);
  EXPECT_EQ(shown, "12:34");
  EXPECT_EQ(CountSent(MCI_SEEK), 0);
  // The starting position is read silently.
  sim.FailWhen(IsPositionRead, MCIERR_HARDWARE, 1);
  Command(IDM_JUMP);
  EXPECT_EQ(Captions(), (std::vector<std::string>(2, "Enter new file position (minutes:seconds)")));
}

TEST_F(TransportTest, JumpDialogProcAnswersOnlyItsMessages) {
  // Driven directly, the procedure's results: -1 for Cancel, the position for OK.
  dialogs.Then([](HWND dialog) {
    EXPECT_EQ(JumpDialogProc(dialog, WM_SIZE, 0, 0), FALSE);
    EXPECT_EQ(JumpDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_POSITION_EDIT, EN_CHANGE), 0), FALSE);
    SetDlgItemTextA(dialog, IDC_POSITION_EDIT, "12:34");
    EXPECT_EQ(JumpDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0), TRUE);
  });
  Command(IDM_JUMP);
  EXPECT_EQ(SeekTargets(), std::vector<DWORD>{119999});  // 754000 clamped
}

TEST_F(TransportTest, JumpSeekResumesPlaybackOnTheNextTickUnlessPaused) {
  dialogs.Then(DialogCatcher::TypeAndPress(IDC_POSITION_EDIT, "1:00", IDOK));
  Command(IDM_JUMP);
  Tick();
  EXPECT_EQ(CountSent(MCI_PLAY), 0);
  Command(IDT_PLAY);
  dialogs.Then(DialogCatcher::TypeAndPress(IDC_POSITION_EDIT, "0:10", IDOK));
  Command(IDM_JUMP);
  Tick();
  EXPECT_EQ(CountSent(MCI_PLAY), 2);
  EXPECT_EQ(DevicePosition(), 10000);
}

// --- bursts across files ---------------------------------------------------

TEST_F(TransportTest, ABurstLeftAtCloseIsCountedDownAfterTheNextOpenAndRestartsNothing) {
  Command(IDT_PLAY);
  HotKey(4);
  OpenFile(AddFile("next.wav", 30000));
  EXPECT_EQ(player.seekCount, 1);
  Ticks(5);
  EXPECT_EQ(player.seekCount, 0);
  EXPECT_EQ(CountSent(MCI_PLAY), 0);
  EXPECT_TRUE(player.isPaused);
}

}  // namespace
