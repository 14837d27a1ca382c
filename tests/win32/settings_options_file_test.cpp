// Options files through the real main window: the start-up load, the save at
// exit, the four Options commands, bad files and files that cannot be
// read or written.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settings/hotkeys.h"
#include "settings/options_file.h"
#include "settings_fixture.h"

namespace {

using OptionsFileTest = SettingsTest;

// The file a first start without "default.usr" leaves at exit.
constexpr char kFirstExitFile[] =
    "WalkLength=3.0\r\nBackspace=1.5\r\nWalkPause=1.0\r\nUnPauseRew=0.0\r\nNumLoops=3\r\n"
    "HKPlay=0274\r\nHKPause=0275\r\nHKRewind=0277\r\nHKWalk=0276\r\nHKFF=0278\r\nFile=\r\n"
    "HotKeySpeedupDelay=30\r\nHotKeyFastRepeatSpeed=850\r\nHotKeySlowRepeatSpeed=340\r\nHotKeySeekDelay=5\r\n"
    "ButtonSpeedupDelay=38\r\nButtonFastRepeatSpeed=530\r\nButtonSlowRepeatSpeed=212\r\n";

const std::vector<std::string> kWrittenKeys{
    "WalkLength", "Backspace", "WalkPause", "UnPauseRew", "NumLoops", "HKPlay",
    "HKPause", "HKRewind", "HKWalk", "HKFF", "File", "HotKeySpeedupDelay",
    "HotKeyFastRepeatSpeed", "HotKeySlowRepeatSpeed", "HotKeySeekDelay", "ButtonSpeedupDelay",
    "ButtonFastRepeatSpeed", "ButtonSlowRepeatSpeed"};

TEST_F(OptionsFileTest, FirstStartAppliesTheBuiltInTextAndExitWritesThe320ByteFile) {
  CreateMainWindow();
  EXPECT_EQ(ShownSettings(), (Shown{6, 3, 2, 0, 3}));
  for (int id = 0; id < hotKeyCount; ++id) EXPECT_EQ(hotKeyCodes[id], defaultHotKeyCodes[id]) << id;
  EXPECT_EQ(timingOptions, defaultTimingOptions);
  EXPECT_EQ(std::string(player.optionsPath), DefaultFile());
  EXPECT_EQ(std::string(player.mediaPath), "");
  EXPECT_TRUE(dialogs.Caught().empty());
  EXPECT_EQ(ReadBytes(DefaultFile()), "<missing>") << "nothing is written at start";

  DestroyMainWindow();
  const std::string written = ReadBytes(DefaultFile());
  EXPECT_EQ(written.size(), 320u);
  EXPECT_EQ(written, kFirstExitFile);
  EXPECT_EQ(FilesInProgramDir(), std::vector<std::string>{"default.usr"}) << "no temporary file is left";
}

TEST_F(OptionsFileTest, TheBuiltInTextIsStringEleven) {
  char text[601] = "";
  const int length = LoadStringA(appInstance, IDS_DEFAULT_OPTIONS, text, sizeof text);
  EXPECT_EQ(length, 124);
  EXPECT_EQ(std::string(text), builtInDefaultOptions);
}

TEST_F(OptionsFileTest, StartWithDefaultFileAppliesItAndExitWritesItBack) {
  WriteBytes(DefaultFile(),
             "WalkLength=5.5\r\nbackspace=0.5\r\nWALKPAUSE=2\r\nUnPauseRew=1.5\r\nNumLoops=7\r\n"
             "HKPlay=0474\r\nHKFF=0378\r\nFile=C:\\talk files\\a=b.wav\r\nHotKeySeekDelay=9\r\n"
             "ButtonFastRepeatSpeed=-40\r\n");
  CreateMainWindow();
  EXPECT_EQ(ShownSettings(), (Shown{11, 1, 4, 3, 7}));
  EXPECT_EQ(std::string(player.mediaPath), "C:\\talk files\\a=b.wav");
  TimingOptions expected = defaultTimingOptions;
  expected.HotKeySeekDelay = 9;
  expected.ButtonFastRepeatSpeed = -40;
  EXPECT_EQ(timingOptions, expected);
  EXPECT_EQ(StatusText(kStatusHotKeys),
            "Play:AltF5  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlShftF9  Stamp:CtrlF10  ");

  DestroyMainWindow();
  EXPECT_EQ(ReadBytes(DefaultFile()),
            "WalkLength=5.5\r\nBackspace=0.5\r\nWalkPause=2.0\r\nUnPauseRew=1.5\r\nNumLoops=7\r\n"
            "HKPlay=0474\r\nHKPause=0275\r\nHKRewind=0277\r\nHKWalk=0276\r\nHKFF=0378\r\n"
            "File=C:\\talk files\\a=b.wav\r\nHotKeySpeedupDelay=30\r\nHotKeyFastRepeatSpeed=850\r\n"
            "HotKeySlowRepeatSpeed=340\r\nHotKeySeekDelay=9\r\nButtonSpeedupDelay=38\r\n"
            "ButtonFastRepeatSpeed=-40\r\nButtonSlowRepeatSpeed=212\r\n");
}

TEST_F(OptionsFileTest, SaveOptionsAsThenSaveAndExitGoToTheNewFile) {
  CreateMainWindow();
  const std::string mine = TempFile("mine.usr");
  SetSliderPos(IDC_WALKPAUSE, 5);
  dialogs.Then(ChooseFile(mine));
  EXPECT_EQ(Command(IDM_SAVE_OPTIONS_AS), TRUE);
  EXPECT_EQ(Captions(), std::vector<std::string>{"Save Dorvane User File As ..."});
  EXPECT_EQ(std::string(player.optionsPath), mine);
  EXPECT_EQ(ReadOptionsText(ReadBytes(mine)).walkPauseMs, 2500);

  SetSliderPos(IDC_WALKPAUSE, 7);
  EXPECT_EQ(Command(IDM_SAVE_OPTIONS), TRUE);
  EXPECT_EQ(ReadOptionsText(ReadBytes(mine)).walkPauseMs, 3500);

  SetSliderPos(IDC_WALKPAUSE, 9);
  DestroyMainWindow();
  EXPECT_EQ(ReadOptionsText(ReadBytes(mine)).walkPauseMs, 4500);
  EXPECT_EQ(ReadBytes(DefaultFile()), "<missing>");
  EXPECT_EQ(dialogs.Caught().size(), 1u);
}

TEST_F(OptionsFileTest, OpenOptionsSavesTheFileLeftThenAppliesTheChosenOne) {
  const std::string other = TempFile("other.usr");
  WriteBytes(other, "WalkLength=8.0\r\nNumLoops=2\r\nHotKeySeekDelay=11\r\nFile=x.mp3\r\n");
  CreateMainWindow();
  SetSliderPos(IDC_UNPAUSEREW, 4);
  timingOptions.HotKeySpeedupDelay = 77;
  dialogs.Then(ChooseFile(other));
  EXPECT_EQ(Command(IDM_OPEN_OPTIONS), TRUE);
  EXPECT_EQ(Captions(), std::vector<std::string>{"Open Dorvane User File"});

  const OptionsValues left = ReadOptionsText(ReadBytes(DefaultFile()));
  EXPECT_EQ(left.unpauseRewindMs, 2000);
  EXPECT_EQ(left.timing.HotKeySpeedupDelay, 77);

  EXPECT_EQ(std::string(player.optionsPath), other);
  EXPECT_EQ(ShownSettings(), (Shown{16, 3, 2, 4, 2})) << "a key the file lacks leaves its slider";
  TimingOptions expected = defaultTimingOptions;  // reset before the file is applied
  expected.HotKeySeekDelay = 11;
  EXPECT_EQ(timingOptions, expected);
  EXPECT_EQ(std::string(player.mediaPath), "x.mp3");
}

TEST_F(OptionsFileTest, CancelledOptionsDialogsChangeNothing) {
  CreateMainWindow();
  SetSliderPos(IDC_WALKLENGTH, 13);
  const Shown before = ShownSettings();
  EXPECT_EQ(Command(IDM_OPEN_OPTIONS), TRUE);  // unscripted dialogs are cancelled
  EXPECT_EQ(Command(IDM_SAVE_OPTIONS_AS), TRUE);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Open Dorvane User File", "Save Dorvane User File As ..."}));
  EXPECT_EQ(std::string(player.optionsPath), DefaultFile());
  EXPECT_EQ(ShownSettings(), before);
  EXPECT_TRUE(FilesInProgramDir().empty());
}

TEST_F(OptionsFileTest, OpenDefaultOptionsWhileCurrentChangesNothingVisible) {
  WriteBytes(DefaultFile(), "HKPlay=0474\r\nHKRewind=0825\r\nFile=C:\\a.wav\r\n");
  CreateMainWindow();
  SetSliderPos(IDC_WALKLENGTH, 9);
  SetSliderPos(IDC_BACKSPACE, 4);
  SetSliderPos(IDC_WALKPAUSE, 3);
  SetSliderPos(IDC_UNPAUSEREW, 5);
  SendMessageA(Item(IDC_LOOPS_UPDOWN), UDM_SETPOS, 0, MAKELPARAM(8, 0));
  timingOptions = {1, 2, 3, 4, 5, 6, 7};
  const Shown shown = ShownSettings();
  const auto codes = hotKeyCodes;
  const std::string legend = StatusText(kStatusHotKeys);

  EXPECT_EQ(Command(IDM_DEFAULT_OPTIONS), TRUE);
  EXPECT_EQ(ShownSettings(), shown);
  EXPECT_EQ(hotKeyCodes, codes);
  EXPECT_EQ(timingOptions, (TimingOptions{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(std::string(player.mediaPath), "C:\\a.wav");
  EXPECT_EQ(StatusText(kStatusHotKeys), legend);
  EXPECT_EQ(std::string(player.optionsPath), DefaultFile());
  EXPECT_TRUE(dialogs.Caught().empty());
}

// Bad files: read without harm, and written back as the 18 lines, which
// read back to exactly what the window shows.
class BadOptionsFileTest : public OptionsFileTest {
 protected:
  void StartWith(const std::string& bytes) {
    WriteBytes(DefaultFile(), bytes);
    CreateMainWindow();
  }

  void ExpectWrittenBackWellFormed() {
    const Shown shown = ShownSettings();
    const auto codes = hotKeyCodes;
    const TimingOptions timing = timingOptions;
    const std::string media = player.mediaPath;
    const std::string current = player.optionsPath;
    DestroyMainWindow();

    const std::string text = ReadBytes(current);
    EXPECT_LE(text.size(), optionsTextLimit);
    std::size_t start = 0;
    for (const std::string& key : kWrittenKeys) {
      const std::size_t end = text.find("\r\n", start);
      ASSERT_NE(end, std::string::npos) << key;
      const std::string line = text.substr(start, end - start);
      EXPECT_EQ(line.substr(0, key.size() + 1), key + "=") << line;
      start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "nothing after the 18 lines";

    const OptionsValues read = ReadOptionsText(text);
    EXPECT_EQ(read.walkLengthMs, std::max(shown.walkLength, shown.backspace) * 500);
    EXPECT_EQ(read.backspaceMs, shown.backspace * 500);
    EXPECT_EQ(read.walkPauseMs, shown.walkPause * 500);
    EXPECT_EQ(read.unpauseRewindMs, shown.unpauseRewind * 500);
    EXPECT_EQ(read.numLoops, shown.loops);
    for (int id = 0; id < hotKeyCount; ++id) EXPECT_EQ(read.hotKeys[id], codes[id]) << id;
    EXPECT_EQ(read.timing, timing);
    ASSERT_TRUE(read.file.has_value());
    EXPECT_EQ(media.substr(0, read.file->size()), *read.file);
  }
};

TEST_F(BadOptionsFileTest, EmptyFileLeavesTheControlsAndGivesTheDefaults) {
  StartWith("");
  EXPECT_EQ(SliderPos(IDC_WALKLENGTH), 0);
  EXPECT_EQ(hotKeyCodes, defaultHotKeyCodes);
  EXPECT_EQ(timingOptions, defaultTimingOptions);
  EXPECT_TRUE(dialogs.Caught().empty());
  ExpectWrittenBackWellFormed();
}

TEST_F(BadOptionsFileTest, BinaryGarbage) {
  std::string bytes;
  unsigned state = 12345;
  for (int i = 0; i < 4000; ++i) {
    state = state * 1103515245u + 12345u;
    bytes += static_cast<char>(state >> 16);
    if (i % 37 == 0) bytes += "\r=";
  }
  StartWith(bytes);
  ExpectWrittenBackWellFormed();
}

TEST_F(BadOptionsFileTest, TenMegabytesAreReadOnlyUpToTheLastLineWithinTheFirst600Bytes) {
  std::string bytes = "WalkLength=4.0\r\n";
  bytes += "X=" + std::string(580 - bytes.size(), 'x') + "\r\n";  // ends at byte 584
  bytes += "NumLoops=9\r\n";                                       // its CR is byte 594: applied
  bytes += "Backspace=2.0\r\n";                                    // crosses byte 600: ignored
  while (bytes.size() < 10 * 1024 * 1024) bytes += "WalkPause=4.0\r\n";
  StartWith(bytes);
  EXPECT_EQ(ShownSettings(), (Shown{8, 0, 0, 0, 9}));
  ExpectWrittenBackWellFormed();
}

TEST_F(BadOptionsFileTest, LfOnlyLinesAndALastLineWithoutCrLfAreNotApplied) {
  StartWith("WalkLength=4.0\nNumLoops=9\nHKPlay=0474\n");
  EXPECT_EQ(SliderPos(IDC_WALKLENGTH), 0);
  EXPECT_EQ(hotKeyCodes, defaultHotKeyCodes);
  DestroyMainWindow();

  WriteBytes(DefaultFile(), "WalkLength=4.0\r\nBackspace=2.0");
  StartNewProcess();
  CreateMainWindow();
  EXPECT_EQ(SliderPos(IDC_WALKLENGTH), 8);
  EXPECT_EQ(SliderPos(IDC_BACKSPACE), 0);
  ExpectWrittenBackWellFormed();
}

TEST_F(BadOptionsFileTest, RepeatedKeysTakeTheLaterValue) {
  StartWith("WalkLength=4.0\r\nwalklength=6.0\r\nHKPlay=0474\r\nHKPLAY=0374\r\nFile=a\r\nFILE=\r\n");
  EXPECT_EQ(SliderPos(IDC_WALKLENGTH), 12);
  EXPECT_EQ(hotKeyCodes[hotKeyPlay], 0x374);
  EXPECT_EQ(std::string(player.mediaPath), "");
  ExpectWrittenBackWellFormed();
}

TEST_F(BadOptionsFileTest, NumbersOutOfRangeAreHeldOrSaturated) {
  StartWith("WalkLength=99999999999\r\nBackspace=-1\r\nWalkPause=2.7\r\nNumLoops=70000\r\n"
            "HotKeySeekDelay=99999999999\r\nHotKeySpeedupDelay=-99999999999\r\nHKFF=123456789\r\n"
            "File=" + std::string(400, 'p') + "\r\n");
  EXPECT_EQ(ShownSettings(), (Shown{20, 0, 5, 0, 10}));
  EXPECT_EQ(timingOptions.HotKeySeekDelay, INT32_MAX);
  EXPECT_EQ(timingOptions.HotKeySpeedupDelay, INT32_MIN);
  EXPECT_EQ(std::string(player.mediaPath), std::string(400, 'p'));
  ExpectWrittenBackWellFormed();
}

TEST_F(BadOptionsFileTest, LoopCountsBelowTheRangeGiveOneAndAboveGiveTen) {
  CreateMainWindow();
  const struct {
    const char* text;
    int loops;
  } cases[] = {{"NumLoops=0\r\n", 1}, {"NumLoops=25\r\n", 10}, {"NumLoops=-3\r\n", 1},
               {"NumLoops=65541\r\n", 5}, {"NumLoops=abc\r\n", 1}};
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = TempFile("loops" + std::to_string(n++) + ".usr");
    WriteBytes(path, c.text);
    LoadUserOptions(window, path.c_str());
    EXPECT_EQ(GetLoopCount(window), c.loops) << c.text;
  }
  ExpectWrittenBackWellFormed();
}

// Files that cannot be read or written: the system's message, nothing lost.
using UnusableOptionsFileTest = OptionsFileTest;

TEST_F(UnusableOptionsFileTest, FolderInPlaceOfTheFileIsReportedAtStartAndNeverWrittenOver) {
  ASSERT_TRUE(CreateDirectoryA(DefaultFile().c_str(), nullptr));
  CreateMainWindow();
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Error");
  EXPECT_EQ(dialogs.Caught()[0].text.rfind("Access denied.", 0), 0u) << dialogs.Caught()[0].text;
  // Nothing was applied; the default hot keys are registered and shown.
  EXPECT_EQ(SliderPos(IDC_WALKLENGTH), 0);
  EXPECT_EQ(hotKeyCodes, defaultHotKeyCodes);
  EXPECT_EQ(StatusText(kStatusHotKeys),
            "Play:CtrlF5  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  Stamp:CtrlF10  ");
  EXPECT_EQ(std::string(player.optionsPath), DefaultFile());

  DestroyMainWindow();
  EXPECT_EQ(dialogs.Caught().size(), 1u) << "the exit does not try to write over what it could not read";
  EXPECT_NE(GetFileAttributesA(DefaultFile().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(FilesInProgramDir(), std::vector<std::string>{"default.usr"});
}

TEST_F(UnusableOptionsFileTest, ReadOnlyFileAtExitIsReportedAndKept) {
  WriteBytes(DefaultFile(), "WalkLength=4.0\r\n");
  ASSERT_TRUE(SetFileAttributesA(DefaultFile().c_str(), FILE_ATTRIBUTE_READONLY));
  CreateMainWindow();
  EXPECT_EQ(SliderPos(IDC_WALKLENGTH), 8);
  SetSliderPos(IDC_WALKLENGTH, 2);
  DestroyMainWindow();
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Error");
  EXPECT_EQ(dialogs.Caught()[0].text.rfind("Access denied.", 0), 0u) << dialogs.Caught()[0].text;
  EXPECT_EQ(ReadBytes(DefaultFile()), "WalkLength=4.0\r\n");
  EXPECT_EQ(FilesInProgramDir(), std::vector<std::string>{"default.usr"});
}

TEST_F(UnusableOptionsFileTest, FileHeldOpenByAnotherProgramAtExitIsReportedAndKept) {
  WriteBytes(DefaultFile(), "WalkLength=4.0\r\n");
  CreateMainWindow();
  HANDLE held = CreateFileA(DefaultFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  DestroyMainWindow();
  CloseHandle(held);
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Error");
  EXPECT_EQ(ReadBytes(DefaultFile()), "WalkLength=4.0\r\n");
  EXPECT_EQ(FilesInProgramDir(), std::vector<std::string>{"default.usr"});
}

TEST_F(UnusableOptionsFileTest, MissingFolderIsReportedOnLoadAndTheFileLeftStaysCurrent) {
  CreateMainWindow();
  const std::string lost = TempFile("gone\\lost.usr");
  LoadUserOptions(window, lost.c_str());
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Error");
  EXPECT_NE(ReadBytes(DefaultFile()), "<missing>") << "the file left is saved first";
  EXPECT_EQ(std::string(player.optionsPath), DefaultFile()) << "the file left stays current";

  DestroyMainWindow();
  EXPECT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(FilesInProgramDir(), std::vector<std::string>{"default.usr"});
}

}  // namespace
