// Opening and closing media on the simulated device: the commands sent, the
// File-open and No-file states of the window, CD tracks, failures.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include "app/main_window.h"
#include "app/player_state.h"
#include "playback/media.h"
#include "res/resource.h"
#include "support/playback_fixture.h"

namespace {

using OpenMediaTest = PlaybackTest;

TEST_F(OpenMediaTest, FileFromTheCommandLineOpensPausedAtItsStart) {
  const std::string path = AddFile("talk.wav", 60000);
  CreateMainWindow(path.c_str());

  // Open, milliseconds, length, speed probe: exactly these, in this order.
  const auto& log = sim.Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].message, static_cast<UINT>(MCI_OPEN));
  EXPECT_EQ(log[0].device, 0u);
  EXPECT_EQ(log[0].flags, 0x202u);
  EXPECT_EQ(log[0].element, path);
  EXPECT_EQ(log[1].message, static_cast<UINT>(MCI_SET));
  EXPECT_EQ(log[1].flags, 0x402u);
  EXPECT_EQ(log[1].timeFormat, static_cast<DWORD>(MCI_FORMAT_MILLISECONDS));
  EXPECT_EQ(log[2].message, static_cast<UINT>(MCI_STATUS));
  EXPECT_EQ(log[2].flags, static_cast<DWORD>(MCI_STATUS_ITEM));
  EXPECT_EQ(log[2].item, static_cast<DWORD>(MCI_STATUS_LENGTH));
  EXPECT_EQ(log[3].message, static_cast<UINT>(MCI_SET));
  EXPECT_EQ(log[3].flags, 0x20000u);
  EXPECT_EQ(log[3].speed, 1000u);
  for (std::size_t i = 1; i < log.size(); ++i) EXPECT_EQ(log[i].device, sim.LastOpened()) << i;

  EXPECT_TRUE(player.isOpen);
  EXPECT_EQ(player.deviceId, sim.LastOpened());
  EXPECT_EQ(player.mediaLength, 60000);
  EXPECT_NE(player.pollTimer, 0u);
  EXPECT_EQ(Caption(), "Dorvane: " + path);
  EXPECT_EQ(StatusText(kStatusLength), " 1:00.000");
  EXPECT_EQ(StatusText(kStatusPaused), "paused");
  EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
  EXPECT_FALSE(sim.IsPlaying(Device()));
  EXPECT_EQ(DevicePosition(), 0);
  EXPECT_TRUE(dialogs.Caught().empty());
}

}  // namespace
