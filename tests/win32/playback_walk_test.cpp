// Walk mode on the simulated device: chunks, repetitions, walk pauses, the
// cut last chunk, and how walking meets pause, fast wind and closing.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "app/player_state.h"
#include "app/window_parts.h"
#include "playback/media.h"
#include "playback/transport.h"
#include "playback/walk.h"
#include "res/resource.h"
#include "support/playback_fixture.h"

namespace {

class WalkTest : public PlaybackTest {
 protected:
  // Media of 20 s, open and paused, walk values of the built-in defaults.
  void SetUp() override {
    PlaybackTest::SetUp();
    StartWithFile(AddFile("talk.wav", 20000));
    SetWalk(3000, 1500, 1000, 3);
  }

  // The last play sent: where it starts (the device position when it has no
  // MCI_FROM) and where it ends.
  struct Chunk {
    std::int32_t from;
    std::int32_t to;
  };
  Chunk LastChunk(std::int32_t startPosition) const {
    const auto plays = Sent(MCI_PLAY);
    const SimMciCommand& p = plays.back();
    return {(p.flags & MCI_FROM) ? static_cast<std::int32_t>(p.from) : startPosition,
            static_cast<std::int32_t>(p.to)};
  }

  // Lets the running chunk play to its end; the notification is delivered.
  void FinishChunk() { sim.Advance(sim.PlayEnd(Device()) - DevicePosition()); }
};

TEST_F(WalkTest, WorkedExamplePlayByPlay) {
  sim.SetPosition(Device(), 10000);
  struct Expected {
    std::int32_t from, to;
    const char* counter;
  };
  const std::vector<Expected> expected = {
      {10000, 13000, "1 of 3"}, {10000, 13000, "2 of 3"}, {10000, 13000, "3 of 3"},
      {11500, 14500, "1 of 3"}, {11500, 14500, "2 of 3"}, {11500, 14500, "3 of 3"},
      {13000, 16000, "1 of 3"}, {13000, 16000, "2 of 3"}, {13000, 16000, "3 of 3"},
      {14500, 17500, "1 of 3"}, {14500, 17500, "2 of 3"}, {14500, 17500, "3 of 3"},
      {16000, 19000, "1 of 3"}, {16000, 19000, "2 of 3"}, {16000, 19000, "3 of 3"},
      {17500, 20000, "1 of 3"}};

  Command(IDT_WALK);
  EXPECT_EQ(StatusText(kStatusMode), "walking");
  EXPECT_EQ(StatusText(kStatusPaused), "");
  EXPECT_FALSE(ButtonChecked(IDT_PAUSE));
  EXPECT_FALSE(player.isPaused);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("play " + std::to_string(i + 1));
    ASSERT_EQ(CountSent(MCI_PLAY), static_cast<int>(i + 1));
    const SimMciCommand play = Sent(MCI_PLAY).back();
    // The first chunk starts where the device stands; the others name it.
    EXPECT_EQ(play.flags, i == 0 ? 0x9u : 0xDu);
    EXPECT_EQ(CallbackToWindow(play.callback), window);
    EXPECT_EQ(play.callback >> 32, 0u);
    const Chunk chunk = LastChunk(10000);
    EXPECT_EQ(chunk.from, expected[i].from);
    EXPECT_EQ(chunk.to, expected[i].to);
    EXPECT_EQ(StatusText(kStatusCounter), expected[i].counter);
    EXPECT_EQ(player.walkTimer, 0u);

    FinishChunk();
    if (i + 1 < expected.size()) {
      EXPECT_TRUE(player.isWalking);
      ASSERT_NE(player.walkTimer, 0u);  // the walk pause runs
      EXPECT_EQ(FireWalkTimer(), FALSE);
    }
  }
  // The last chunk was cut at the end and ended the walk; its end paused the
  // transport without an MCI_PAUSE, and no walk pause follows.
  EXPECT_FALSE(player.isWalking);
  EXPECT_TRUE(player.isPaused);
  EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
  EXPECT_EQ(StatusText(kStatusPaused), "paused");
  EXPECT_EQ(player.walkTimer, 0u);
  EXPECT_EQ(CountSent(MCI_PAUSE), 0);
  EXPECT_EQ(DevicePosition(), 20000);
  EXPECT_EQ(CountSent(MCI_PLAY), 16);
  // Each 1.5 s of media cost three plays of 3 s (the pauses are real timers).
  EXPECT_EQ(sim.Now(), 15 * 3000 + 2500);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(WalkTest, WalkHotKeyStartsAWalkLikeTheCommand) {
  sim.SetPosition(Device(), 4000);
  EXPECT_EQ(HotKey(2), TRUE);
  ASSERT_EQ(CountSent(MCI_PLAY), 1);
  EXPECT_EQ(LastChunk(4000).to, 7000);
  EXPECT_TRUE(player.isWalking);
  EXPECT_EQ(StatusText(kStatusCounter), "1 of 3");
}

TEST_F(WalkTest, TheWalkPauseLastsTheWalkPauseLength) {
  // The one test that lets the real walk-pause timer run: 500 ms.
  SetWalkPauseMs(window, 500);
  Command(IDT_WALK);
  FinishChunk();
  ASSERT_NE(player.walkTimer, 0u);
  const DWORD start = GetTickCount();
  MSG msg;
  while (CountSent(MCI_PLAY) < 2 && GetTickCount() - start < 5000) {
    if (PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE)) {
      if (msg.wParam == player.walkTimer) DispatchMessageA(&msg);
    } else {
      Sleep(5);
    }
  }
  const DWORD elapsed = GetTickCount() - start;
  ASSERT_EQ(CountSent(MCI_PLAY), 2);
  EXPECT_GE(elapsed, 400u);
  EXPECT_LT(elapsed, 2000u);
  EXPECT_EQ(player.walkTimer, 0u);  // acts once
  EXPECT_EQ(StatusText(kStatusCounter), "2 of 3");
}

TEST_F(WalkTest, LoopCountOnePlaysEachChunkOnceAndAdvancesByLengthLessBackspace) {
  SetWalk(3000, 1000, 0, 1);
  Command(IDT_WALK);
  std::vector<std::int32_t> starts{LastChunk(0).from};
  for (int i = 0; i < 3; ++i) {
    FinishChunk();
    FireWalkTimer();
    starts.push_back(LastChunk(0).from);
    EXPECT_EQ(StatusText(kStatusCounter), "1 of 1");
  }
  EXPECT_EQ(starts, (std::vector<std::int32_t>{0, 2000, 4000, 6000}));
}

TEST_F(WalkTest, BackspaceAboveWalkLengthRepeatsTheSameChunk) {
  SetWalk(1000, 2000, 500, 1);  // the walk length becomes the backspace, 2 s
  sim.SetPosition(Device(), 5000);
  Command(IDT_WALK);
  EXPECT_EQ(LastChunk(5000).to, 7000);
  for (int i = 0; i < 3; ++i) {
    FinishChunk();
    FireWalkTimer();
    EXPECT_EQ(LastChunk(0).from, 5000);
    EXPECT_EQ(LastChunk(0).to, 7000);
  }
}

TEST_F(WalkTest, BackspaceZeroJoinsChunksWithoutOverlap) {
  SetWalk(2000, 0, 500, 2);
  Command(IDT_WALK);
  std::vector<std::pair<std::int32_t, std::int32_t>> chunks{{LastChunk(0).from, LastChunk(0).to}};
  for (int i = 0; i < 3; ++i) {
    FinishChunk();
    FireWalkTimer();
    chunks.push_back({LastChunk(0).from, LastChunk(0).to});
  }
  const std::vector<std::pair<std::int32_t, std::int32_t>> expected{{0, 2000}, {0, 2000}, {2000, 4000}, {2000, 4000}};
  EXPECT_EQ(chunks, expected);
}

TEST_F(WalkTest, WalkPauseZeroStillStartsTheTimer) {
  SetWalkPauseMs(window, 0);
  Command(IDT_WALK);
  FinishChunk();
  EXPECT_NE(player.walkTimer, 0u);
  FireWalkTimer();
  EXPECT_EQ(CountSent(MCI_PLAY), 2);
}

TEST_F(WalkTest, WalkStartedNearTheEndPlaysToTheEndOnceAndStaysInWalkMode) {
  sim.SetPosition(Device(), 19000);
  Command(IDT_WALK);
  EXPECT_EQ(LastChunk(19000).to, 20000);
  EXPECT_TRUE(player.isWalking);
  FinishChunk();
  EXPECT_TRUE(player.isPaused);
  EXPECT_TRUE(player.isWalking);  // a resume after moving back walks again
  EXPECT_EQ(player.walkTimer, 0u);
  EXPECT_EQ(CountSent(MCI_PAUSE), 0);

  SeekTo(10000);
  Tick();  // ends the burst; paused, so nothing restarts
  EXPECT_EQ(CountSent(MCI_PLAY), 1);
  SetUnpauseRewindMs(window, 0);
  Command(IDT_PAUSE);
  ASSERT_EQ(CountSent(MCI_PLAY), 2);
  EXPECT_EQ(Sent(MCI_PLAY).back().flags, 0x9u);
  EXPECT_EQ(LastChunk(10000).to, 13000);
}

TEST_F(WalkTest, LoweringTheLoopCountMidChunkMovesOnAtTheNextPause) {
  SetLoops(5);
  Command(IDT_WALK);
  for (int i = 0; i < 2; ++i) {
    FinishChunk();
    FireWalkTimer();
  }
  EXPECT_EQ(StatusText(kStatusCounter), "3 of 5");
  SetLoops(2);
  FinishChunk();
  FireWalkTimer();
  EXPECT_EQ(StatusText(kStatusCounter), "1 of 2");
  EXPECT_EQ(LastChunk(0).from, 1500);  // one backspace before the end at 3000
}

TEST_F(WalkTest, PausingInAWalkPauseSendsNoCommandAndResumeRewindsAndRestartsTheCounter) {
  SetUnpauseRewindMs(window, 1000);
  sim.SetPosition(Device(), 10000);
  Command(IDT_WALK);
  FinishChunk();
  FireWalkTimer();
  FinishChunk();  // 2 of 3 ended at 13000; walk pause pending
  ASSERT_NE(player.walkTimer, 0u);
  sim.ClearLog();

  Command(IDT_PAUSE);
  EXPECT_TRUE(player.isPaused);
  EXPECT_EQ(player.walkTimer, 0u);
  for (const auto& c : sim.Log()) EXPECT_EQ(c.message, static_cast<UINT>(MCI_STATUS));
  EXPECT_EQ(FireWalkTimer(), FALSE);
  EXPECT_EQ(Call(WM_TIMER, 2), FALSE);  // a stale expiry of the killed timer does nothing
  EXPECT_EQ(CountSent(MCI_PLAY), 0);

  Command(IDT_PAUSE);
  ASSERT_EQ(CountSent(MCI_SEEK), 1);
  EXPECT_EQ(Sent(MCI_SEEK)[0].to, 12000u);
  ASSERT_EQ(CountSent(MCI_PLAY), 1);
  EXPECT_EQ(Sent(MCI_PLAY)[0].flags, 0x9u);
  EXPECT_EQ(Sent(MCI_PLAY)[0].to, 15000u);
  EXPECT_EQ(StatusText(kStatusCounter), "1 of 3");
  EXPECT_EQ(player.seekCount, 0);
}

TEST_F(WalkTest, PausingDuringAChunkPausesTheDevice) {
  Command(IDT_WALK);
  sim.Advance(1000);
  Command(IDT_PAUSE);
  ASSERT_EQ(CountSent(MCI_PAUSE), 1);
  EXPECT_FALSE(sim.IsPlaying(Device()));
  sim.Advance(5000);  // the aborted chunk starts no walk pause
  EXPECT_EQ(player.walkTimer, 0u);
  EXPECT_TRUE(player.isWalking);
}

TEST_F(WalkTest, FastWindingDuringAChunkRestartsTheWalkAtTheNewPositionWhenTheBurstEnds) {
  Command(IDT_WALK);
  sim.Advance(1000);
  HotKey(4);  // 1000 + 340
  sim.Advance(0);  // the aborted notification arrives and is ignored
  EXPECT_EQ(player.walkTimer, 0u);
  ASSERT_EQ(sim.Notifications().back().code, static_cast<WPARAM>(MCI_NOTIFY_ABORTED));
  Ticks(4);
  EXPECT_EQ(CountSent(MCI_PLAY), 1);
  Tick();
  ASSERT_EQ(CountSent(MCI_PLAY), 2);
  EXPECT_EQ(Sent(MCI_PLAY).back().flags, 0x9u);
  EXPECT_EQ(Sent(MCI_PLAY).back().to, 1340u + 3000u);
  EXPECT_EQ(StatusText(kStatusCounter), "1 of 3");
}

TEST_F(WalkTest, OnlySuccessfulNotificationsAreActedOn) {
  Command(IDT_WALK);
  for (WPARAM code : {MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_ABORTED}) {
    EXPECT_EQ(Call(MM_MCINOTIFY, code, Device()), FALSE) << code;
    EXPECT_EQ(player.walkTimer, 0u) << code;
  }
  // The success of an earlier play, delivered while the chunk still plays
  // (Walk pressed just as a chunk ended), and one of another device, are not
  // this chunk's end; the real end is.
  for (LPARAM device : {static_cast<LPARAM>(Device()), static_cast<LPARAM>(Device() + 1)}) {
    EXPECT_EQ(Call(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, device), FALSE);
    EXPECT_EQ(player.walkTimer, 0u);
  }
  FinishChunk();
  EXPECT_EQ(Call(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, Device()), TRUE);
  EXPECT_NE(player.walkTimer, 0u);
}

// A play that fails on its way (the sound card went away) posts
// MCI_NOTIFY_FAILURE: the box of the play that failed, then Paused.
TEST_F(WalkTest, AFailedPlayIsReportedUnderItsOwnCommandThenPauses) {
  struct Case {
    const char* what;
    int command;
    int chunksFirst;  // walk chunks finished before the failure
    const char* label;
  };
  constexpr Case kCases[] = {
      {"play", IDT_PLAY, 0, "Play file"},
      {"first walk chunk", IDT_WALK, 0, "First walk step"},
      {"later walk chunk", IDT_WALK, 1, "Walk"},
  };
  StopRealPollTimer();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Command(c.command);
    for (int i = 0; i < c.chunksFirst; ++i) {
      FinishChunk();
      FireWalkTimer();
    }
    dialogs.Clear();
    EXPECT_EQ(Call(MM_MCINOTIFY, MCI_NOTIFY_FAILURE, Device()), TRUE);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, MciErrorCaption(c.label));
    EXPECT_EQ(Boxes()[0].text, MciErrorText(MCIERR_HARDWARE));  // the simulated device gives no error
    EXPECT_TRUE(player.isPaused);
    EXPECT_EQ(StatusText(kStatusPaused), "paused");
    EXPECT_EQ(player.walkTimer, 0u);
    // A failure of a play already paused changes nothing more.
    EXPECT_EQ(Call(MM_MCINOTIFY, MCI_NOTIFY_FAILURE, Device()), TRUE);
    EXPECT_TRUE(player.isPaused);
  }
  // A late failure of a device closed since is not this recording's.
  dialogs.Clear();
  Command(IDT_PLAY);
  EXPECT_EQ(Call(MM_MCINOTIFY, MCI_NOTIFY_FAILURE, Device() + 1), FALSE);
  EXPECT_FALSE(player.isPaused);
  EXPECT_TRUE(Boxes().empty());
  Command(IDM_CLOSE);
  dialogs.Clear();
  EXPECT_EQ(Call(MM_MCINOTIFY, MCI_NOTIFY_FAILURE, 0), FALSE);  // nothing open: nothing to say
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(WalkTest, ANewWalkSupersedesTheRunningChunk) {
  Command(IDT_WALK);
  sim.Advance(500);
  Command(IDT_WALK);
  sim.Advance(0);
  ASSERT_FALSE(sim.Notifications().empty());
  EXPECT_EQ(sim.Notifications().back().code, static_cast<WPARAM>(MCI_NOTIFY_SUPERSEDED));
  EXPECT_EQ(player.walkTimer, 0u);
  FinishChunk();
  EXPECT_NE(player.walkTimer, 0u);  // only the latest play starts a pause
}

TEST_F(WalkTest, FailedPlaysAreReportedAndTheWalkWaits) {
  sim.Fail(MCI_PLAY, MCIERR_HARDWARE, 1);
  Command(IDT_WALK);
  ASSERT_EQ(Captions(), std::vector<std::string>{MciErrorCaption("First walk step")});
  EXPECT_EQ(Boxes()[0].text, MciErrorText(MCIERR_HARDWARE));
  EXPECT_EQ(StatusText(kStatusMode), "walking");
  sim.Advance(5000);
  EXPECT_EQ(player.walkTimer, 0u);

  dialogs.Clear();
  Command(IDT_WALK);
  FinishChunk();
  sim.Fail(MCI_PLAY, MCIERR_HARDWARE, 1);
  FireWalkTimer();
  EXPECT_EQ(Captions(), std::vector<std::string>{MciErrorCaption("Walk")});
  sim.Advance(5000);
  EXPECT_EQ(player.walkTimer, 0u);
}

// A device whose reported position lags its play for a moment after a
// restart finds the first chunk's end behind it: the chunk then plays from
// the position reported. Other failures are shown as they are, once.
TEST_F(WalkTest, AFirstStepEndingBehindThePlayStartsWhereThePositionSaid) {
  struct Case {
    const char* what;
    MCIERROR error;
    bool everyPlay;  // else only the play without MCI_FROM
    std::size_t plays;
    const char* box;  // nullptr: none
  };
  constexpr Case kCases[] = {
      {"out of range once", MCIERR_OUTOFRANGE, false, 2, nullptr},
      {"out of range both ways", MCIERR_OUTOFRANGE, true, 2, "First walk step"},
      {"another error", MCIERR_HARDWARE, false, 1, "First walk step"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    sim.SetPosition(Device(), 10000);
    sim.ClearLog();
    dialogs.Clear();
    const bool everyPlay = c.everyPlay;
    sim.FailWhen([everyPlay](const SimMciCommand& m) {
      return m.message == MCI_PLAY && (everyPlay || (m.flags & MCI_FROM) == 0);
    }, c.error, 1 + (c.everyPlay ? 1 : 0));
    HotKey(2);  // Walk
    sim.ClearFailures();
    const auto plays = Sent(MCI_PLAY);
    ASSERT_EQ(plays.size(), c.plays);
    EXPECT_EQ(Captions(), c.box ? std::vector<std::string>{MciErrorCaption(c.box)} : std::vector<std::string>{});
    if (c.box == nullptr) {
      EXPECT_EQ(plays.back().flags, static_cast<DWORD>(MCI_NOTIFY | MCI_FROM | MCI_TO));
      EXPECT_EQ(LastChunk(0).from, 10000);
      EXPECT_EQ(LastChunk(0).to, 13000);
      EXPECT_TRUE(sim.IsPlaying(Device()));
      EXPECT_EQ(StatusText(kStatusMode), "walking");
      Call(MM_MCINOTIFY, MCI_NOTIFY_FAILURE, Device());  // it fails later: still the first step's box
      EXPECT_EQ(Captions(), std::vector<std::string>{MciErrorCaption("First walk step")});
    }
  }
}

TEST_F(WalkTest, SilentWalkRestartHidesTheFirstStepFailureButNotThePositionRead) {
  Command(IDT_WALK);
  Command(IDT_PAUSE);
  sim.Fail(MCI_PLAY, MCIERR_HARDWARE, 1);
  Command(IDT_PAUSE);  // resume restarts the walk with report off
  EXPECT_TRUE(Boxes().empty());

  sim.FailWhen([](const SimMciCommand& c) { return c.message == MCI_STATUS && c.item == MCI_STATUS_POSITION; },
               MCIERR_HARDWARE, 1);
  StartWalk(window, false);
  EXPECT_EQ(Captions(), std::vector<std::string>{MciErrorCaption("Checking status")});
}

TEST_F(WalkTest, AFailedPositionReadStartsTheNextChunkAtZero) {
  sim.SetPosition(Device(), 10000);
  Command(IDT_WALK);
  FinishChunk();
  sim.FailWhen([](const SimMciCommand& c) { return c.message == MCI_STATUS && c.item == MCI_STATUS_POSITION; },
               MCIERR_HARDWARE, 1);
  FireWalkTimer();
  EXPECT_EQ(Captions(), std::vector<std::string>{MciErrorCaption("Checking status")});
  EXPECT_EQ(LastChunk(0).from, 0);
  EXPECT_EQ(LastChunk(0).to, 3000);
}

TEST_F(WalkTest, ClosingDuringAWalkPausePlaysNothingAfterwardsOnEitherDevice) {
  Command(IDT_WALK);
  FinishChunk();
  ASSERT_NE(player.walkTimer, 0u);
  const UINT_PTR staleTimer = player.walkTimer;
  const MCIDEVICEID first = Device();
  Command(IDM_CLOSE);
  EXPECT_EQ(player.walkTimer, 0u);
  EXPECT_EQ(Call(WM_TIMER, staleTimer), FALSE);

  OpenFile(AddFile("next.wav", 20000));
  ASSERT_NE(Device(), first);
  EXPECT_EQ(Call(WM_TIMER, staleTimer), FALSE);
  sim.Advance(5000);
  EXPECT_EQ(CountSent(MCI_PLAY), 0);
  EXPECT_TRUE(player.isPaused);
}

TEST_F(WalkTest, PlayDuringAWalkPauseCancelsThePause) {
  Command(IDT_WALK);
  FinishChunk();
  const UINT_PTR pending = player.walkTimer;
  ASSERT_NE(pending, 0u);
  Command(IDT_PLAY);
  EXPECT_EQ(player.walkTimer, 0u);
  EXPECT_EQ(Call(WM_TIMER, pending), FALSE);
  ASSERT_EQ(CountSent(MCI_PLAY), 2);  // the chunk and the play, no walk step after
  EXPECT_EQ(Sent(MCI_PLAY).back().flags, static_cast<DWORD>(MCI_NOTIFY));
  sim.Advance(1000);
  EXPECT_TRUE(sim.IsPlaying(Device()));  // playback goes on to the end
}

TEST_F(WalkTest, WalkDuringAWalkPauseCancelsThePause) {
  Command(IDT_WALK);
  FinishChunk();
  const UINT_PTR pending = player.walkTimer;
  ASSERT_NE(pending, 0u);
  Command(IDT_WALK);
  EXPECT_EQ(player.walkTimer, 0u);
  Call(WM_TIMER, pending);
  EXPECT_EQ(CountSent(MCI_PLAY), 2);
  EXPECT_EQ(StatusText(kStatusCounter), "1 of 3");
}

TEST_F(WalkTest, BurstEndDuringAWalkPauseCancelsThePause) {
  Command(IDT_WALK);
  FinishChunk();  // at 3000, walk pause pending
  const UINT_PTR pending = player.walkTimer;
  ASSERT_NE(pending, 0u);
  HotKey(3);  // rewind to 2660
  Ticks(5);   // the burst ends and the walk restarts there
  ASSERT_EQ(CountSent(MCI_PLAY), 2);
  EXPECT_EQ(player.walkTimer, 0u);
  Call(WM_TIMER, pending);
  EXPECT_EQ(CountSent(MCI_PLAY), 2);
  EXPECT_EQ(Sent(MCI_PLAY).back().to, 2660u + 3000u);
}

TEST_F(WalkTest, NothingWalksWithoutMedia) {
  Command(IDM_CLOSE);
  sim.ClearLog();
  Command(IDT_WALK);
  HotKey(2);
  EXPECT_TRUE(sim.Log().empty());
  EXPECT_FALSE(player.isWalking);
}

}  // namespace
