// Opening and closing media on the simulated device: the commands sent, the
// File-open and No-file states of the window, CD tracks, failures.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <fstream>

#include "app/command_line.h"
#include "app/player_state.h"
#include "app/window_parts.h"
#include "playback/transport_math.h"
#include "playback/media.h"
#include "playback/position_text.h"
#include "playback/transport.h"
#include "res/resource.h"
#include "support/playback_fixture.h"

namespace {

using OpenMediaTest = PlaybackTest;

TEST_F(OpenMediaTest, FileFromTheCommandLineOpensPausedAtItsStart) {
  const std::string path = AddFile("talk.wav", 60000);
  CreateMainWindow(path.c_str());

  // Open, milliseconds, length, speed probe, whether the length is settled:
  // exactly these, in this order.
  const auto& log = sim.Log();
  ASSERT_EQ(log.size(), 5u);
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
  EXPECT_EQ(log[4].item, static_cast<DWORD>(MCI_STATUS_READY));
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
  EXPECT_TRUE(Boxes().empty());
}


TEST_F(OpenMediaTest, FileOpenStateEnablesTransportAndSetsThePositionSlider) {
  CreateMainWindow(AddFile("talk.wav", 60000).c_str());
  for (int id : {IDT_PLAY, IDT_WALK, IDT_REWIND, IDT_FASTFORWARD, IDT_PAUSE}) EXPECT_TRUE(ButtonEnabled(id)) << id;
  for (int id : {IDM_PLAY, IDM_WALK, IDM_PAUSE, IDM_JUMP, IDM_ADD_BOOKMARK, IDM_CLOSE}) {
    EXPECT_FALSE(MenuItemGrayed(id)) << id;
  }
  EXPECT_EQ(SendMessageA(Item(IDC_POSITION), TBM_GETRANGEMIN, 0, 0), 1);
  EXPECT_EQ(SendMessageA(Item(IDC_POSITION), TBM_GETRANGEMAX, 0, 0), 601);
  // A tick mark every 30 steps (3 s): the first one after the start is at 31.
  EXPECT_EQ(SendMessageA(Item(IDC_POSITION), TBM_GETTIC, 0, 0), 31);
  EXPECT_FALSE(player.isWalking);
  EXPECT_EQ(player.bookmarkCount, 0);
}

TEST_F(OpenMediaTest, ShortMediaGetsATinySliderRangeWithoutTickMarks) {
  CreateMainWindow(AddFile("click.wav", 250).c_str());
  EXPECT_EQ(SendMessageA(Item(IDC_POSITION), TBM_GETRANGEMIN, 0, 0), 1);
  EXPECT_EQ(SendMessageA(Item(IDC_POSITION), TBM_GETRANGEMAX, 0, 0), 3);
  EXPECT_EQ(SendMessageA(Item(IDC_POSITION), TBM_GETTIC, 0, 0), -1);
}

TEST_F(OpenMediaTest, SpeedProbeEnablesTheSpeedSliderOnlyWhenTheDeviceAcceptsIt) {
  const std::string mp3 = AddFile("talk.mp3", 60000, SimMedia::kMpeg, true);
  const std::string wav = AddFile("talk.wav", 60000);
  CreateMainWindow(mp3.c_str());
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_SPEED)));
  OpenMediaFile(window, wav.c_str());
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_SPEED)));
  EXPECT_TRUE(Boxes().empty());  // the refused probe is silent
  OpenMediaFile(window, mp3.c_str());
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_SPEED)));
}

TEST_F(OpenMediaTest, NewMediaPlaysAtTheSpeedTheSliderShows) {
  const std::string first = AddFile("a.mp3", 60000, SimMedia::kMpeg, true);
  StartWithFile(first);
  for (int position : {8, 2, 5}) {
    MoveSlider(IDC_SPEED, position);
    OpenFile(AddFile("b" + std::to_string(position) + ".mp3", 60000, SimMedia::kMpeg, true));
    EXPECT_EQ(SliderPos(IDC_SPEED), position);
    EXPECT_EQ(sim.Speed(Device()), SpeedForSlider(position)) << "what the slider shows is what plays";
  }
}

TEST_F(OpenMediaTest, CdTrackOpensTheDriveAndSeeksToTheTrack) {
  for (const char* name : {"E:\\Track03.cda", "E:\\TRACK03.CDA"}) {
    SCOPED_TRACE(name);
    SimMedia disc;
    disc.length = 3000000;
    disc.trackStarts = {0, 200000, 450000, 700000};
    sim.AddCdDrive("E:", disc);
    if (window == nullptr) {
      CreateMainWindow(name);
    } else {
      sim.ClearLog();
      OpenMediaFile(window, name);
    }
    std::vector<SimMciCommand> log;
    for (const auto& c : sim.Log()) {
      if (c.message != MCI_CLOSE) log.push_back(c);
    }
    ASSERT_EQ(log.size(), 9u);
    EXPECT_EQ(log[0].message, static_cast<UINT>(MCI_OPEN));
    EXPECT_EQ(log[0].flags, 0x3202u);
    EXPECT_EQ(log[0].deviceType, static_cast<DWORD_PTR>(MCI_DEVTYPE_CD_AUDIO));
    EXPECT_EQ(log[0].element, "E:");
    EXPECT_EQ(log[1].message, static_cast<UINT>(MCI_STATUS));
    EXPECT_EQ(log[1].item, static_cast<DWORD>(MCI_STATUS_MEDIA_PRESENT));
    EXPECT_EQ(log[2].message, static_cast<UINT>(MCI_SET));  // milliseconds
    EXPECT_EQ(log[3].item, static_cast<DWORD>(MCI_STATUS_LENGTH));
    EXPECT_EQ(log[4].flags, 0x20000u);  // speed probe, refused
    EXPECT_NE(log[4].result, 0u);
    EXPECT_EQ(log[5].message, static_cast<UINT>(MCI_SET));
    EXPECT_EQ(log[5].flags, 0x400u);
    EXPECT_EQ(log[5].timeFormat, static_cast<DWORD>(MCI_FORMAT_TMSF));
    EXPECT_EQ(log[6].message, static_cast<UINT>(MCI_SEEK));
    EXPECT_EQ(log[6].flags, 0x8u);
    EXPECT_EQ(log[6].to, 3u);
    EXPECT_EQ(log[7].message, static_cast<UINT>(MCI_SET));
    EXPECT_EQ(log[7].flags, 0x400u);
    EXPECT_EQ(log[7].timeFormat, static_cast<DWORD>(MCI_FORMAT_MILLISECONDS));
    EXPECT_EQ(log[8].item, static_cast<DWORD>(MCI_STATUS_READY));

    EXPECT_EQ(player.mediaLength, 3000000);  // the whole disc
    EXPECT_EQ(DevicePosition(), 450000);
    EXPECT_EQ(sim.TimeFormat(Device()), static_cast<DWORD>(MCI_FORMAT_MILLISECONDS));
    EXPECT_FALSE(sim.IsPlaying(Device()));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_SPEED)));
    EXPECT_TRUE(player.isPaused);
    EXPECT_TRUE(Boxes().empty());
  }
}

TEST_F(OpenMediaTest, CdTrackSeekFailureIsSilent) {
  SimMedia disc;
  disc.length = 100000;
  disc.trackStarts = {0};
  sim.AddCdDrive("D:", disc);
  CreateMainWindow("D:\\Track05.cda");  // no track 5 on this disc
  EXPECT_TRUE(player.isOpen);
  EXPECT_EQ(DevicePosition(), 0);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(OpenMediaTest, NamesThatAreNotElevenCharactersOpenAsFiles) {
  for (const char* name : {"E:\\Track3.cda", "E:\\Track003.cda"}) {
    sim.AddFile(name, SimMedia{SimMedia::kWave, 5000});
    sim.ClearLog();
    if (window == nullptr) {
      CreateMainWindow(name);
    } else {
      OpenMediaFile(window, name);
    }
    const auto opens = Sent(MCI_OPEN);
    ASSERT_EQ(opens.size(), 1u) << name;
    EXPECT_EQ(opens[0].flags, 0x202u) << name;
    EXPECT_EQ(opens[0].element, name);
    EXPECT_TRUE(player.isOpen) << name;
  }
}

TEST_F(OpenMediaTest, APathWithoutBackslashIsItsOwnBaseName) {
  SimMedia disc;
  disc.length = 100000;
  disc.trackStarts = {0, 50000};
  sim.AddCdDrive("Tr", disc);
  CreateMainWindow("Track02.cda");
  const auto opens = Sent(MCI_OPEN);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].flags, 0x3202u);
  EXPECT_EQ(opens[0].element, "Tr");
  EXPECT_EQ(DevicePosition(), 50000);
}

TEST_F(OpenMediaTest, CdWithoutDiscIsReportedAndTheDeviceClosedAgain) {
  SimMedia empty;
  empty.discPresent = false;
  sim.AddCdDrive("E:", empty);
  CreateMainWindow("E:\\Track01.cda");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "Error");
  EXPECT_EQ(Boxes()[0].text, "No CD in drive");
  const auto closes = Sent(MCI_CLOSE);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].flags, static_cast<DWORD>(MCI_WAIT));
  EXPECT_EQ(sim.OpenCount(), 0);
  EXPECT_EQ(player.deviceId, 0u);
  EXPECT_FALSE(player.isOpen);
  EXPECT_EQ(player.pollTimer, 0u);
  EXPECT_EQ(Caption(), "Dorvane");
  EXPECT_FALSE(ButtonEnabled(IDT_PLAY));
  EXPECT_TRUE(MenuItemGrayed(IDM_CLOSE));
}

TEST_F(OpenMediaTest, FailedDiscQueryShowsItsBoxBeforeNoCd) {
  SimMedia disc;
  disc.length = 100000;
  sim.AddCdDrive("E:", disc);
  sim.FailWhen([](const SimMciCommand& c) { return c.message == MCI_STATUS && c.item == MCI_STATUS_MEDIA_PRESENT; },
               MCIERR_HARDWARE);
  CreateMainWindow("E:\\Track01.cda");
  EXPECT_EQ(Captions(), (std::vector<std::string>{MciErrorCaption("Checking status"), "Error"}));
  EXPECT_EQ(sim.OpenCount(), 0);
  EXPECT_FALSE(player.isOpen);
}

TEST_F(OpenMediaTest, FailingOpenShowsTheDeviceTextAndLeavesTheNoFileState) {
  const std::string first = AddFile("first.wav", 10000);
  SimMedia notMedia;
  notMedia.openError = MCIERR_INVALID_FILE;
  const std::string bad = TempFile("notes.txt");
  sim.AddFile(bad, notMedia);
  const std::string missing = TempFile("missing file.wav");
  struct Case {
    std::string path;
    MCIERROR error;
  };
  for (const Case& c : {Case{missing, MCIERR_FILE_NOT_FOUND}, Case{bad, MCIERR_INVALID_FILE}}) {
    SCOPED_TRACE(c.path);
    if (window == nullptr) CreateMainWindow(first.c_str());
    OpenMediaFile(window, first.c_str());
    const MCIDEVICEID previous = Device();
    sim.ClearLog();
    dialogs.Clear();
    OpenMediaFile(window, c.path.c_str());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, "Error in processing MCI command Open device");
    EXPECT_EQ(Boxes()[0].text, MciErrorText(c.error));
    // The file that was open was closed first.
    ASSERT_GE(sim.Log().size(), 2u);
    EXPECT_EQ(sim.Log()[0].message, static_cast<UINT>(MCI_CLOSE));
    EXPECT_EQ(sim.Log()[0].device, previous);
    EXPECT_EQ(sim.Log()[1].message, static_cast<UINT>(MCI_OPEN));
    EXPECT_EQ(sim.Log().size(), 2u);
    EXPECT_FALSE(player.isOpen);
    EXPECT_EQ(player.deviceId, 0u);
    EXPECT_EQ(player.pollTimer, 0u);
    EXPECT_EQ(player.mediaPath, c.path.c_str());
    EXPECT_EQ(Caption(), "Dorvane");
    EXPECT_EQ(StatusText(kStatusLength), "0:00.000");
    EXPECT_FALSE(ButtonEnabled(IDT_PLAY));
    EXPECT_TRUE(MenuItemGrayed(IDM_PLAY));
    EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
    Tick();  // nothing is open: no status read
    EXPECT_EQ(sim.Log().size(), 2u);
  }
}

TEST_F(OpenMediaTest, LongPathsAndPathsWithBlanksOpen) {
  std::string longPath = "C:\\" + std::string(252, 'a') + ".wav";  // 259 characters
  ASSERT_EQ(longPath.size(), 259u);
  sim.AddFile(longPath, SimMedia{SimMedia::kWave, 1000});
  CreateMainWindow(longPath.c_str());
  EXPECT_TRUE(player.isOpen);
  EXPECT_EQ(Caption(), "Dorvane: " + longPath);
  const std::string blanks = "C:\\My Recordings\\an interview.wav";
  sim.AddFile(blanks, SimMedia{SimMedia::kWave, 1000});
  OpenMediaFile(window, blanks.c_str());
  EXPECT_TRUE(player.isOpen);
  EXPECT_EQ(Sent(MCI_OPEN).back().element, blanks);
}

TEST_F(OpenMediaTest, FailuresAfterTheOpenAreReportedAndTheOpenGoesOn) {
  sim.Fail(MCI_SET, MCIERR_HARDWARE, 1);
  sim.FailWhen([](const SimMciCommand& c) { return c.message == MCI_STATUS && c.item == MCI_STATUS_LENGTH; },
               MCIERR_HARDWARE, 1);
  CreateMainWindow(AddFile("talk.wav", 60000).c_str());
  EXPECT_EQ(Captions(), (std::vector<std::string>{MciErrorCaption("Set Time Format ms"),
                                                  MciErrorCaption("Checking status")}));
  EXPECT_TRUE(player.isOpen);
  EXPECT_EQ(player.mediaLength, 0);
  EXPECT_EQ(StatusText(kStatusLength), " 0:00.000");
  EXPECT_EQ(SendMessageA(Item(IDC_POSITION), TBM_GETRANGEMAX, 0, 0), 1);
}

TEST_F(OpenMediaTest, OpeningAnotherFileWhilePlayingClosesTheFirstAndStartsPaused) {
  const std::string first = AddFile("first.wav", 60000);
  const std::string second = AddFile("second.wav", 30000);
  StartWithFile(first);
  const MCIDEVICEID one = Device();
  Command(IDT_PLAY);
  sim.Advance(5000);
  sim.ClearLog();
  OpenMediaFile(window, second.c_str());
  ASSERT_GE(sim.Log().size(), 2u);
  EXPECT_EQ(sim.Log()[0].message, static_cast<UINT>(MCI_CLOSE));
  EXPECT_EQ(sim.Log()[0].device, one);
  EXPECT_EQ(sim.Log()[1].message, static_cast<UINT>(MCI_OPEN));
  EXPECT_FALSE(sim.IsOpen(one));
  EXPECT_EQ(sim.OpenCount(), 1);
  EXPECT_EQ(DevicePosition(), 0);
  EXPECT_FALSE(sim.IsPlaying(Device()));
  EXPECT_TRUE(player.isPaused);
  EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
  EXPECT_EQ(StatusText(kStatusPaused), "paused");
  EXPECT_EQ(Caption(), "Dorvane: " + second);
  EXPECT_EQ(player.mediaLength, 30000);
  EXPECT_EQ(player.openMediaPath, second.c_str());
}

TEST_F(OpenMediaTest, OpeningTheOpenFileAgainClosesAndReopensIt) {
  const std::string path = AddFile("talk.wav", 60000);
  StartWithFile(path);
  const MCIDEVICEID first = Device();
  OpenMediaFile(window, path.c_str());
  EXPECT_FALSE(sim.IsOpen(first));
  EXPECT_NE(Device(), first);
  EXPECT_EQ(sim.OpenCount(), 1);
  EXPECT_TRUE(player.isOpen);
  EXPECT_EQ(player.deviceId, Device());
}

TEST_F(OpenMediaTest, CancellingTheOpenDialogChangesNothing) {
  const std::string path = AddFile("talk.wav", 60000);
  StartWithFile(path);
  Command(IDT_PLAY);
  sim.ClearLog();
  dialogs.Then(DialogCatcher::Press(IDCANCEL));
  EXPECT_EQ(Command(IDM_OPEN), TRUE);
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_TRUE(sim.Log().empty());
  EXPECT_TRUE(player.isOpen);
  EXPECT_TRUE(sim.IsPlaying(Device()));
  EXPECT_EQ(player.mediaPath, path.c_str());
}

TEST_F(OpenMediaTest, CloseReturnsToTheNoFileStateAndLeavesTheSlidersAlone) {
  StartWithFile(AddFile("talk.mp3", 60000, SimMedia::kMpeg, true));
  SetLoops(3);
  Command(IDT_WALK);
  MoveSlider(IDC_SPEED, 3);
  SetSliderPos(IDC_POSITION, 40);
  const MCIDEVICEID device = Device();
  sim.ClearLog();
  EXPECT_EQ(Command(IDM_CLOSE), TRUE);
  ASSERT_EQ(sim.Log().size(), 1u);
  EXPECT_EQ(sim.Log()[0].message, static_cast<UINT>(MCI_CLOSE));
  EXPECT_EQ(sim.Log()[0].device, device);
  EXPECT_EQ(sim.Log()[0].flags, static_cast<DWORD>(MCI_WAIT));
  EXPECT_FALSE(sim.Log()[0].hasParms);
  EXPECT_EQ(sim.OpenCount(), 0);

  EXPECT_FALSE(player.isOpen);
  EXPECT_EQ(player.deviceId, 0u);
  EXPECT_EQ(player.pollTimer, 0u);
  EXPECT_EQ(Caption(), "Dorvane");
  EXPECT_EQ(StatusText(kStatusLength), "0:00.000");
  EXPECT_EQ(StatusText(kStatusPosition), "0:00.000");
  EXPECT_EQ(StatusText(kStatusMode), "walking");  // parts 2 and 4 are left alone
  EXPECT_EQ(StatusText(kStatusCounter), "1 of 3");
  EXPECT_TRUE(player.isWalking);
  for (int id : {IDT_PLAY, IDT_WALK, IDT_REWIND, IDT_FASTFORWARD, IDT_PAUSE}) EXPECT_FALSE(ButtonEnabled(id)) << id;
  EXPECT_TRUE(ButtonEnabled(IDT_OPEN));
  for (int id : {IDM_PLAY, IDM_WALK, IDM_PAUSE, IDM_JUMP, IDM_ADD_BOOKMARK, IDM_CLOSE}) {
    EXPECT_TRUE(MenuItemGrayed(id)) << id;
  }
  // The paused look, through the pause toggle.
  EXPECT_TRUE(player.isPaused);
  EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
  EXPECT_EQ(StatusText(kStatusPaused), "paused");
  EXPECT_EQ(player.mediaLength, 60000);
  EXPECT_EQ(SliderPos(IDC_SPEED), 3);
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_SPEED)));
  EXPECT_EQ(SliderPos(IDC_POSITION), 40);
  EXPECT_EQ(SendMessageA(Item(IDC_POSITION), TBM_GETRANGEMAX, 0, 0), 601);
}

TEST_F(OpenMediaTest, ClosingWithNothingOpenSendsNothing) {
  CreateMainWindow("");
  Command(IDM_CLOSE);
  OpenFile(AddFile("talk.wav", 1000));
  Command(IDM_CLOSE);
  sim.ClearLog();
  Command(IDM_CLOSE);
  EXPECT_TRUE(sim.Log().empty());
  EXPECT_EQ(Caption(), "Dorvane");
}

TEST_F(OpenMediaTest, AFailingCloseIsReportedAndTheDeviceDroppedAnyway) {
  StartWithFile(AddFile("talk.wav", 1000));
  sim.Fail(MCI_CLOSE, MCIERR_HARDWARE, 1);
  Command(IDM_CLOSE);
  EXPECT_EQ(Captions(), std::vector<std::string>{MciErrorCaption("Close device")});
  EXPECT_EQ(player.deviceId, 0u);
  EXPECT_FALSE(player.isOpen);
  sim.ClearLog();
  Command(IDM_CLOSE);
  EXPECT_TRUE(sim.Log().empty());
}

TEST_F(OpenMediaTest, ClosingNeverTouchesTheBookmarkFileOfAFileValueLoadedMeanwhile) {
  // The bookmark file of another recording, which a close of talk.wav must
  // neither write nor delete, whatever mediaPath says by then.
  const std::string otherBookmarks = TempFile("lecture.wav.BMK");
  { std::ofstream(otherBookmarks) << "kept\n"; }
  const auto otherKept = [&] { return GetFileAttributesA(otherBookmarks.c_str()) != INVALID_FILE_ATTRIBUTES; };
  const std::string talk = AddFile("talk.wav", 1000);
  const char* fileOption = "C:\\other\\lecture.wav";  // loading an options file puts its File value here

  StartWithFile(talk);
  player.mediaPath = fileOption;
  EXPECT_EQ(player.openMediaPath, talk.c_str());
  Command(IDM_CLOSE);  // Close
  EXPECT_TRUE(otherKept());
  EXPECT_EQ(player.openMediaPath, "");

  OpenFile(talk);
  player.mediaPath = fileOption;
  OpenFile(AddFile("next.wav", 1000));  // another file opened
  EXPECT_TRUE(otherKept());

  OpenFile(talk);
  player.mediaPath = fileOption;
  Call(WM_CLOSE);  // the window closed
  EXPECT_TRUE(otherKept());
}

// A length that may change after the opening: the window asks for it again
// about once a second while the device says it is not ready or the position
// has passed the length shown, and at once on a seek past it; an ordinary
// file's ticks ask nothing more. The new length shows in the status bar and
// the position slider's range.
TEST_F(OpenMediaTest, TheLengthShownFollowsTheDevicesWhileItMayChange) {
  struct Case {
    const char* what;
    bool readyAtOpen;
    std::int32_t movedTo;  // the position after the length changed, ms (-1: not moved)
    bool seekPast;         // a seek to beyond the length shown
    bool follows;
  } cases[] = {
      {"an ordinary file", true, -1, false, false},
      {"a length still being measured", false, -1, false, true},
      {"a position past the length", true, 60500, false, true},
      {"a seek past the length", true, -1, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimMedia media;
    media.length = 60000;
    media.ready = c.readyAtOpen;
    const std::string path = TempFile(std::string(c.what) + ".mp3");
    sim.AddFile(path, media);
    if (window == nullptr) StartWithFile(path);
    else OpenFile(path);
    sim.SetLength(Device(), 61000, true);
    if (c.movedTo >= 0) sim.SetPosition(Device(), c.movedTo);
    if (c.seekPast) SeekTo(60900);
    Ticks(25);
    EXPECT_EQ(player.mediaLength, c.follows ? 61000 : 60000);
    EXPECT_EQ(StatusText(kStatusLength), FormatPosition(player.mediaLength));
    EXPECT_EQ(SendMessageA(Item(IDC_POSITION), TBM_GETRANGEMAX, 0, 0), PositionSliderRangeForLength(player.mediaLength).max);
    sim.ClearLog();
    Ticks(45);  // settled: the ticks ask for the position alone
    EXPECT_EQ(CountSent(MCI_STATUS), 45);
  }
}

}  // namespace
