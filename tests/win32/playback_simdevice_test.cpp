// The simulated MCI device itself: the behaviour of a real device that the
// playback tests rely on (stops, notifications, rates, closed devices).
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include "support/sim_mci.h"

namespace {

class SimDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim.deliver = false;
    SimMedia mp3;
    mp3.kind = SimMedia::kMpeg;
    mp3.length = 10000;
    mp3.speedSupported = true;
    sim.AddFile("C:\\a.mp3", mp3);
    MCI_OPEN_PARMSA open{};
    open.lpstrElementName = "c:\\A.MP3";  // paths compare without case
    ASSERT_EQ(Send(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, &open), 0u);
    id = open.wDeviceID;
  }
  void TearDown() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
    }
  }
  MCIERROR Send(MCIDEVICEID device, UINT message, DWORD flags, void* parms) {
    return mciSendCommandHook(device, message, flags, reinterpret_cast<DWORD_PTR>(parms));
  }
  MCIERROR Play(DWORD flags, DWORD from = 0, DWORD to = 0) {
    MCI_PLAY_PARMS play{};
    play.dwCallback = 0x1234;
    play.dwFrom = from;
    play.dwTo = to;
    return Send(id, MCI_PLAY, flags, &play);
  }
  std::vector<WPARAM> Codes() const {
    std::vector<WPARAM> codes;
    for (const auto& n : sim.Notifications()) codes.push_back(n.code);
    return codes;
  }

  SimMci sim;
  SimMciHook hook{sim};
  MCIDEVICEID id = 0;
};

TEST_F(SimDeviceTest, PlaysAreSupersededAbortedOrSuccessful) {
  ASSERT_EQ(Play(MCI_NOTIFY | MCI_TO, 0, 3000), 0u);
  ASSERT_EQ(Play(MCI_NOTIFY | MCI_FROM | MCI_TO, 1000, 2000), 0u);
  sim.Advance(999);
  EXPECT_TRUE(sim.IsPlaying(id));
  sim.Advance(1);
  EXPECT_FALSE(sim.IsPlaying(id));
  EXPECT_EQ(sim.Position(id), 2000);
  ASSERT_EQ(Play(MCI_NOTIFY), 0u);
  MCI_SEEK_PARMS seek{};
  seek.dwTo = 500;
  ASSERT_EQ(Send(id, MCI_SEEK, MCI_TO, &seek), 0u);
  EXPECT_EQ(Codes(), (std::vector<WPARAM>{MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_ABORTED}));
  EXPECT_EQ(sim.Notifications()[0].window, CallbackToWindow(0x1234));
  EXPECT_EQ(sim.Position(id), 500);
  EXPECT_FALSE(sim.IsPlaying(id));
  // Beyond the media, or backwards: refused, nothing changes.
  EXPECT_EQ(Play(MCI_NOTIFY | MCI_TO, 0, 10001), static_cast<MCIERROR>(MCIERR_OUTOFRANGE));
  EXPECT_EQ(Play(MCI_NOTIFY | MCI_TO, 0, 100), static_cast<MCIERROR>(MCIERR_OUTOFRANGE));
  EXPECT_EQ(sim.Notifications().size(), 3u);
}

TEST_F(SimDeviceTest, SpeedChangesTheRateAndIsRefusedWhereUnsupported) {
  DgvSetParms speed{};
  speed.dwSpeed = 1250;
  ASSERT_EQ(Send(id, MCI_SET, kDgvSetSpeed, &speed), 0u);
  Play(MCI_NOTIFY);
  sim.Advance(2000);
  EXPECT_EQ(sim.Position(id), 2500);

  sim.AddFile("C:\\b.wav", SimMedia{SimMedia::kWave, 1000});
  MCI_OPEN_PARMSA open{};
  open.lpstrElementName = "C:\\b.wav";
  ASSERT_EQ(Send(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, &open), 0u);
  EXPECT_NE(open.wDeviceID, id);
  EXPECT_EQ(Send(open.wDeviceID, MCI_SET, kDgvSetSpeed, &speed), static_cast<MCIERROR>(MCIERR_NONAPPLICABLE_FUNCTION));
}

TEST_F(SimDeviceTest, ClosedDevicesAndInjectedFailuresAnswerWithErrors) {
  sim.Fail(MCI_STATUS, MCIERR_HARDWARE, 1);
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_LENGTH;
  EXPECT_EQ(Send(id, MCI_STATUS, MCI_STATUS_ITEM, &status), static_cast<MCIERROR>(MCIERR_HARDWARE));
  EXPECT_EQ(status.dwReturn, 0u);
  EXPECT_EQ(Send(id, MCI_STATUS, MCI_STATUS_ITEM, &status), 0u);
  EXPECT_EQ(status.dwReturn, 10000u);

  Play(MCI_NOTIFY);
  ASSERT_EQ(Send(id, MCI_CLOSE, MCI_WAIT, nullptr), 0u);
  EXPECT_EQ(Codes().back(), static_cast<WPARAM>(MCI_NOTIFY_ABORTED));
  EXPECT_EQ(Play(MCI_NOTIFY), static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
  MCI_OPEN_PARMSA open{};
  open.lpstrElementName = "C:\\missing.wav";
  EXPECT_EQ(Send(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, &open), static_cast<MCIERROR>(MCIERR_FILE_NOT_FOUND));
  EXPECT_EQ(sim.Log().back().result, static_cast<MCIERROR>(MCIERR_FILE_NOT_FOUND));
  EXPECT_EQ(sim.OpenCount(), 0);
}

}  // namespace
