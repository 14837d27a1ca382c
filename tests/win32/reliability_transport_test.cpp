// The transport where the typist's timing meets a slow or stopped device:
// a pause right after a wind or at the end of a walk chunk, a key pressed
// during a slow seek, and bursts with a hand-edited HotKeySeekDelay.
#include <windows.h>
#include <mmsystem.h>

#include <climits>

#include "app/player_state.h"
#include "app/window_parts.h"
#include "res/resource.h"
#include "settings/settings_state.h"
#include "support/playback_fixture.h"

namespace {

class StoppedDeviceTest : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    StartWithFile(AddFile("talk.wav", 120000));
  }
  void PlayFrom(std::int32_t ms) {
    sim.SetPosition(Device(), ms);
    Command(IDT_PLAY);
  }
  void ExpectPausedWithoutBox() {
    EXPECT_TRUE(Boxes().empty()) << (Boxes().empty() ? "" : Boxes()[0].caption);
    EXPECT_TRUE(player.isPaused);
    EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
    EXPECT_EQ(StatusText(kStatusPaused), "paused");
  }
};

TEST_F(StoppedDeviceTest, PauseRightAfterAHotKeyWindShowsNoBoxAndStaysPaused) {
  PlayFrom(10000);
  HotKey(4);
  ASSERT_FALSE(sim.IsPlaying(Device())) << "the seek stopped the device";
  EXPECT_EQ(HotKey(1), TRUE);
  ExpectPausedWithoutBox();
  EXPECT_EQ(CountSent(MCI_PAUSE), 0);
  Ticks(10);  // the burst ends without resuming
  EXPECT_EQ(CountSent(MCI_PLAY), 1);
  EXPECT_EQ(DevicePosition(), 10340);
}

TEST_F(StoppedDeviceTest, PauseAtTheEndOfAWalkChunkShowsNoBoxAndTheWalkStaysPaused) {
  SetWalk(3000, 1500, 1000, 3);
  sim.SetPosition(Device(), 10000);
  Command(IDT_WALK);
  sim.deliver = false;  // the chunk ends; its notification is not handled yet
  sim.Advance(3000);
  ASSERT_FALSE(sim.IsPlaying(Device()));
  EXPECT_EQ(Command(IDT_PAUSE), TRUE);
  ExpectPausedWithoutBox();
  EXPECT_EQ(CountSent(MCI_PAUSE), 0);

  SimMci::DeliverNotifications();  // the chunk's late end
  EXPECT_EQ(player.walkTimer, 0u) << "no walk pause starts while paused";
  EXPECT_EQ(CountSent(MCI_PLAY), 1);
  EXPECT_TRUE(player.isPaused);
}

TEST_F(StoppedDeviceTest, PauseWhilePlayingOrWhenTheDeviceCannotSayStillPausesIt) {
  for (bool modeFails : {false, true}) {
    PlayFrom(10000);
    sim.ClearLog();
    if (modeFails) {
      sim.FailWhen([](const SimMciCommand& c) { return c.message == MCI_STATUS && c.item == MCI_STATUS_MODE; },
                   MCIERR_UNSUPPORTED_FUNCTION);
    }
    Command(IDT_PAUSE);
    EXPECT_EQ(CountSent(MCI_PAUSE), 1) << modeFails;
    EXPECT_FALSE(sim.IsPlaying(Device())) << modeFails;
    ExpectPausedWithoutBox();
    sim.ClearFailures();
  }
}

// --- hot keys queued behind a slow seek -----------------------------------

TEST_F(StoppedDeviceTest, APauseQueuedBehindAFastForwardIsActedOnItsRepeatsAreDropped) {
  PlayFrom(10000);
  // Pressed while the first Fast forward's seek blocks the program.
  for (WPARAM id : {4, 4, 1, 4, 1, 4}) PostMessageA(window, WM_HOTKEY, id, MAKELPARAM(MOD_CONTROL, VK_F6));
  EXPECT_EQ(HotKey(4), TRUE);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, window, WM_HOTKEY, WM_HOTKEY, PM_NOREMOVE)) << "the queue is drained";
  EXPECT_EQ(CountSent(MCI_SEEK), 1) << "one seek: the repeats were dropped";
  ExpectPausedWithoutBox();
  Ticks(10);
  EXPECT_EQ(CountSent(MCI_PLAY), 1) << "paused: the burst's end resumes nothing";
  EXPECT_EQ(DevicePosition(), 10340);
}

// --- the end of a hot-key burst -------------------------------------------

TEST_F(StoppedDeviceTest, HotKeySeekDelayOfTheLowestIntegerOrZeroEndsTheBurstOnTheFirstTick) {
  for (int delay : {INT_MIN, 0, -1}) {
    timingOptions.HotKeySeekDelay = delay;
    PlayFrom(10000);
    HotKey(4);
    Tick();
    EXPECT_EQ(CountSent(MCI_PLAY), 2) << delay;
    EXPECT_EQ(player.seekCount, 0) << delay;
    EXPECT_EQ(player.seekDelayLeft, 0) << delay;
    sim.ClearLog();
  }
}

}  // namespace
