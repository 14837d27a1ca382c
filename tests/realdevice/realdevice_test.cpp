// Dorvane's playback on the system's own MCI devices (Wine's wave and MPEG
// devices), on recordings made when the tests run. Time is real here, and
// Wine's positions move in steps and notifications arrive late, so the
// checks take ranges; exact values only where the device stands still.
//
// The recordings are found in the folder named by DORVANE_MEDIA_DIR, or else
// in the folder "media" beside this program.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/player_state.h"
#include "app/window_parts.h"
#include "playback/mci.h"
#include "playback/media.h"
#include "res/resource.h"
#include "support/main_window_fixture.h"
#include "support/playback_fixture.h"
#include "real_time.h"

namespace {

// Every command Dorvane sends, passed on to the real device and noted.
struct SentCommand {
  UINT message;
  DWORD flags;
  DWORD from;
  DWORD to;
  MCIERROR result;
};
std::vector<SentCommand> sentCommands;

MCIERROR WINAPI RecordAndSend(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parms) {
  SentCommand sent{message, static_cast<DWORD>(flags), 0, 0, 0};
  if (parms != 0 && message == MCI_PLAY) {
    sent.from = reinterpret_cast<const MCI_PLAY_PARMS*>(parms)->dwFrom;
    sent.to = reinterpret_cast<const MCI_PLAY_PARMS*>(parms)->dwTo;
  } else if (parms != 0 && message == MCI_SEEK) {
    sent.to = reinterpret_cast<const MCI_SEEK_PARMS*>(parms)->dwTo;
  }
  sent.result = mciSendCommandA(device, message, flags, parms);
  sentCommands.push_back(sent);
  return sent.result;
}

class RealDeviceTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    sentCommands.clear();
    mciSendCommandHook = RecordAndSend;
  }

  void TearDown() override {
    // Close the real device before the window goes, as Exit does.
    if (window != nullptr && player.isOpen) Call(WM_COMMAND, IDM_CLOSE);
    MainWindowTest::TearDown();
  }

  std::string Media(const char* name) const { return MediaDir() + "\\" + name; }

  // Opens the recording from the command line, as start-up does.
  void StartWith(const char* name) {
    const std::string path = Media(name);
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "missing recording " << path;
    CreateMainWindow(path.c_str());
    ASSERT_TRUE(player.isOpen) << path;
    sentCommands.clear();
  }


  // The device's position, asked directly so that it is not noted.
  std::int32_t Position() const {
    MCI_STATUS_PARMS status{};
    status.dwItem = MCI_STATUS_POSITION;
    if (mciSendCommandA(player.deviceId, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)) != 0) {
      return -1;
    }
    return static_cast<std::int32_t>(status.dwReturn);
  }

  // After a play was started: whether sound output runs, that is whether the
  // position moves within three seconds.
  bool SoundRuns() {
    return PumpUntil([this] { return Position() > 0; }, 3000);
  }

  std::vector<SentCommand> Sent(UINT message) const {
    std::vector<SentCommand> found;
    for (const auto& c : sentCommands) {
      if (c.message == message) found.push_back(c);
    }
    return found;
  }
};

#define SKIP_WITHOUT_SOUND()                                                                        \
  if (!SoundRuns()) GTEST_SKIP() << "no sound output: the MCI position never moved (start a sound " \
                                    "server, e.g. a PulseAudio null sink, as scripts/test does)"

TEST_F(RealDeviceTest, WavPlaysAndItsPositionAdvances) {
  StartWith("speech.wav");
  EXPECT_NEAR(player.mediaLength, 6000, 50);
  EXPECT_EQ(StatusText(kStatusLength), " 0:06.000");
  Call(WM_COMMAND, IDT_PLAY);
  ASSERT_EQ(Sent(MCI_PLAY).size(), 1u);
  EXPECT_EQ(Sent(MCI_PLAY)[0].result, 0u);
  SKIP_WITHOUT_SOUND();
  PumpFor(1500);
  const std::int32_t position = Position();
  EXPECT_GE(position, 1000);
  EXPECT_LE(position, 4000);
  EXPECT_EQ(StatusText(kStatusMode), "playing");
  EXPECT_NE(StatusText(kStatusPosition), " 0:00.000");  // the poll tick shows it
  EXPECT_GT(SliderPos(IDC_POSITION), 1);
  EXPECT_TRUE(WithoutHotKeyWarnings(dialogs.Caught()).empty());
}

TEST_F(RealDeviceTest, PauseAndResumeRewindTwoSeconds) {
  StartWith("speech.wav");
  SetUnpauseRewindMs(window, 2000);
  Call(WM_COMMAND, IDT_PLAY);
  SKIP_WITHOUT_SOUND();
  ASSERT_TRUE(PumpUntil([this] { return Position() >= 2500; }, 5000));
  Call(WM_COMMAND, IDT_PAUSE);
  EXPECT_TRUE(player.isPaused);
  PumpFor(300);
  const std::int32_t paused = Position();
  PumpFor(500);
  EXPECT_EQ(Position(), paused);  // the device stands still
  EXPECT_GE(paused, 2500);

  Call(WM_COMMAND, IDT_PAUSE);
  EXPECT_FALSE(player.isPaused);
  const auto seeks = Sent(MCI_SEEK);
  ASSERT_EQ(seeks.size(), 1u);
  EXPECT_EQ(seeks[0].to, static_cast<DWORD>(paused - 2000));
  EXPECT_EQ(seeks[0].result, 0u);
  EXPECT_EQ(Sent(MCI_PLAY).size(), 2u);
  ASSERT_TRUE(PumpUntil([&] { return Position() > paused - 2000 + 300; }, 3000))
      << "stayed at " << Position();
  EXPECT_LT(Position(), paused + 1000);
  EXPECT_TRUE(WithoutHotKeyWarnings(dialogs.Caught()).empty());
}

TEST_F(RealDeviceTest, ShortWalkReachesTwoOfTwoAndAdvances) {
  StartWith("speech.wav");
  SetBackspaceMs(window, 500);
  SetWalkLengthMs(window, 1000);
  SetWalkPauseMs(window, 500);
  SendDlgItemMessageA(window, IDC_LOOPS_UPDOWN, UDM_SETPOS, 0, MAKELPARAM(2, 0));
  Call(WM_COMMAND, IDT_WALK);
  EXPECT_EQ(StatusText(kStatusCounter), "1 of 2");
  SKIP_WITHOUT_SOUND();
  ASSERT_TRUE(PumpUntil([this] { return StatusText(kStatusCounter) == "2 of 2"; }, 6000));
  // The repetition plays the same second again.
  const SentCommand again = Sent(MCI_PLAY).back();
  EXPECT_EQ(again.flags, 0xDu);
  EXPECT_LE(again.from, 400u);
  EXPECT_EQ(again.to, again.from + 1000);

  ASSERT_TRUE(PumpUntil([this] { return StatusText(kStatusCounter) == "1 of 2"; }, 6000));
  // The next chunk starts one backspace before the end of the last.
  const SentCommand next = Sent(MCI_PLAY).back();
  EXPECT_GE(next.from, 300u);
  EXPECT_LE(next.from, 1500u);
  EXPECT_EQ(next.to, next.from + 1000);
  EXPECT_TRUE(player.isWalking);
  EXPECT_EQ(StatusText(kStatusMode), "walking");
  EXPECT_TRUE(WithoutHotKeyWarnings(dialogs.Caught()).empty());
}

TEST_F(RealDeviceTest, TheEndOfTheMediaPauses) {
  StartWith("tone.wav");
  EXPECT_NEAR(player.mediaLength, 2000, 50);
  Call(WM_COMMAND, IDT_PLAY);
  EXPECT_FALSE(player.isPaused);
  SKIP_WITHOUT_SOUND();
  ASSERT_TRUE(PumpUntil([] { return player.isPaused != FALSE; }, 6000)) << "position " << Position();
  EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
  EXPECT_EQ(StatusText(kStatusPaused), "paused");
  EXPECT_GE(Position(), player.mediaLength - 2);
  EXPECT_TRUE(Sent(MCI_PAUSE).empty());  // at the end nothing is left to pause
  EXPECT_TRUE(WithoutHotKeyWarnings(dialogs.Caught()).empty());
}

TEST_F(RealDeviceTest, SpeedSliderIsDisabledForWaveAndEnabledForMp3) {
  StartWith("speech.wav");
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_SPEED)));
  // Without sound output the MPEG device cannot open at all.
  Call(WM_COMMAND, IDT_PLAY);
  SKIP_WITHOUT_SOUND();
  Call(WM_COMMAND, IDM_CLOSE);
  const std::string mp3 = Media("speech.mp3");
  // The open of another file, as the Open command does once a file is picked.
  OpenMediaFile(window, mp3.c_str());
  ASSERT_TRUE(player.isOpen);
  EXPECT_NEAR(player.mediaLength, 6000, 200);
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_SPEED)));
  EXPECT_TRUE(WithoutHotKeyWarnings(dialogs.Caught()).empty());
}

}  // namespace

namespace {

// What Wine's own devices answer for paths that hold no media: each is
// reported under "Open device" with the device's text, the recording that
// was open is closed first, and the window is left in its no-file state.
TEST_F(RealDeviceTest, PathsWithoutMediaAreReportedAndLeaveTheNoFileState) {
  StartWith("tone.wav");
  const std::string notMedia = TempFile("notes.wav");
  HANDLE file = CreateFileA(notMedia.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, "these are typed notes, not sound", 32, &written, nullptr);
  CloseHandle(file);
  const std::string folder = TempFile("a folder.wav");
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string longPath = programDir + "\\" + std::string(258 - programDir.size() - 4, 'x') + ".wav";
  ASSERT_EQ(longPath.size(), 259u);  // a path of a missing file at the system's limit

  for (const std::string& path : {TempFile("no such talk.wav"), notMedia, folder, longPath}) {
    SCOPED_TRACE(path);
    OpenMediaFile(window, Media("tone.wav").c_str());
    ASSERT_TRUE(player.isOpen);
    dialogs.Clear();
    OpenMediaFile(window, path.c_str());
    ASSERT_EQ(dialogs.Caught().size(), 1u);
    EXPECT_EQ(dialogs.Caught()[0].caption, "Error in processing MCI command Open device");
    EXPECT_FALSE(dialogs.Caught()[0].text.empty());
    EXPECT_FALSE(player.isOpen);
    EXPECT_EQ(player.deviceId, 0u);
    EXPECT_EQ(Caption(), "Dorvane");
    EXPECT_FALSE(ButtonEnabled(IDT_PLAY));
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
