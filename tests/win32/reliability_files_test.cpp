// The user's files when they cannot be read: an options file or a bookmark
// file held open by another program is reported and never written over by a
// save nobody asked for. Bookmarks are on disk as soon as they change. A
// second start's file reaches the running window.
#include <windows.h>
#include <mmsystem.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/player_state.h"
#include "app/single_instance.h"
#include "bookmarks/bookmarks.h"
#include "res/resource.h"
#include "settings/options_text.h"
#include "settings/settings_state.h"
#include "support/playback_fixture.h"
#include "support/temp_dir.h"

namespace {

constexpr char kDefaultLegend[] =
    "Play:CtrlF5  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  Stamp:CtrlF10  ";

std::string SystemText(DWORD error) {
  char text[512] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                 sizeof text, nullptr);
  return text;
}

bool HotKeyTaken(UINT modifiers, UINT key) {
  if (!RegisterHotKey(nullptr, 0x7001, modifiers, key)) return true;
  UnregisterHotKey(nullptr, 0x7001);
  return false;
}

// A file opened by "another program" without sharing, until released.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~HeldFile() { Release(); }
  bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Release() {
    if (Held()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
 private:
  HANDLE handle_;
};

class UserFilesTest : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    ResetSettingsState();
    bookmarks = BookmarkTable{};
    // Hot keys are system-wide: a program of another check may hold them a moment.
    for (int waited = 0; waited < 10000 && HotKeyTaken(MOD_CONTROL, VK_F5); waited += 20) Sleep(20);
  }
  void TearDown() override {
    PlaybackTest::TearDown();
    ResetSettingsState();
    bookmarks = BookmarkTable{};
  }

  std::string DefaultFile() const { return TempFile("default.usr"); }
  std::string BookmarkFile(const std::string& media) const { return TempFile(media + ".BMK"); }
  static std::string ReadAll(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return "<missing>";
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  void AddNamed(const std::string& name) {
    dialogs.Then(DialogCatcher::TypeAndPress(IDC_POSITION_EDIT, name, IDOK));
    Command(IDM_ADD_BOOKMARK);
  }
  void DeleteHighlighted(UINT id) {
    HMENU menu = GetSubMenu(GetMenu(window), MENUPOS_BOOKMARK);
    Call(WM_MENUSELECT, MAKEWPARAM(id, MF_HILITE), reinterpret_cast<LPARAM>(menu));
    Call(WM_MENUCHAR, MAKEWPARAM(VK_BACK, MF_POPUP), reinterpret_cast<LPARAM>(menu));
  }
  // The message boxes shown, without the name dialogs.
  std::vector<CaughtDialog> Messages() const {
    std::vector<CaughtDialog> shown;
    for (const auto& d : Boxes()) {
      if (!d.text.empty()) shown.push_back(d);
    }
    return shown;
  }
};

TEST_F(UserFilesTest, FilesHeldOpenAreReportedKeepTheirBytesThroughCloseAndExitAndTheHotKeysWork) {
  const std::string options = "WalkLength=4.0\r\nHKPlay=0474\r\nHotKeySeekDelay=9\r\n";
  const std::string marks = "Intro\t 1:23.456\r\nQ2\t12:34.000\r\n";
  WriteAll(DefaultFile(), options);
  WriteAll(BookmarkFile("talk.wav"), marks);
  const std::string talk = AddFile("talk.wav", 900000);
  HeldFile heldOptions(DefaultFile());
  HeldFile heldMarks(BookmarkFile("talk.wav"));
  ASSERT_TRUE(heldOptions.Held() && heldMarks.Held());

  StartWithFile(talk);
  const std::string sharing = SystemText(ERROR_SHARING_VIOLATION);
  ASSERT_EQ(Messages().size(), 2u);
  for (const auto& box : Messages()) {
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.text, sharing);
  }
  // Nothing was read: the default keys are registered and shown.
  EXPECT_EQ(StatusText(kStatusHotKeys), kDefaultLegend);
  for (UINT key = VK_F5; key <= VK_F10; ++key) EXPECT_TRUE(HotKeyTaken(MOD_CONTROL, key)) << key;
  EXPECT_EQ(player.bookmarkCount, 0);
  heldOptions.Release();
  heldMarks.Release();

  // The session goes on: a bookmark added and one deleted, a setting changed.
  sim.SetPosition(Device(), 5000);
  AddNamed("new");
  DeleteHighlighted(IDM_BOOKMARK_FIRST);
  AddNamed("other");
  SetSliderPos(IDC_WALKPAUSE, 7);
  EXPECT_EQ(ReadAll(BookmarkFile("talk.wav")), marks);

  dialogs.Clear();
  Call(WM_CLOSE);  // close and exit
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(ReadAll(BookmarkFile("talk.wav")), marks);
  EXPECT_EQ(ReadAll(DefaultFile()), options);
  EXPECT_TRUE(FilesIn(programDir, "*.tmp").empty());
  for (UINT key = VK_F5; key <= VK_F10; ++key) EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, key)) << key;
}

TEST_F(UserFilesTest, AnUnreadOptionsFileIsWrittenOnlyWhenTheUserSavesIt) {
  WriteAll(DefaultFile(), "WalkLength=4.0\r\n");
  {
    HeldFile held(DefaultFile());
    CreateMainWindow();
  }
  ASSERT_EQ(Messages().size(), 1u);
  SetSliderPos(IDC_WALKPAUSE, 5);
  Command(IDM_SAVE_OPTIONS);  // asked for: written
  EXPECT_EQ(ReadOptionsText(ReadAll(DefaultFile())).walkPauseMs, 2500);
  SetSliderPos(IDC_WALKPAUSE, 7);
  DestroyMainWindow();  // the file now holds the session's settings: the exit saves too
  EXPECT_EQ(ReadOptionsText(ReadAll(DefaultFile())).walkPauseMs, 3500);
  EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(UserFilesTest, EveryBookmarkChangeIsOnDiskBeforeAnyClose) {
  StartWithFile(AddFile("talk.wav", 900000));
  const std::string file = BookmarkFile("talk.wav");
  sim.SetPosition(Device(), 83456);
  AddNamed("Intro");
  EXPECT_EQ(ReadAll(file), "Intro\t 1:23.456\r\n");
  sim.SetPosition(Device(), 754000);
  AddNamed("Q2");
  EXPECT_EQ(ReadAll(file), "Intro\t 1:23.456\r\nQ2\t12:34.000\r\n");
  sim.SetPosition(Device(), 5000);
  AddNamed("Intro");  // replaced
  EXPECT_EQ(ReadAll(file), "Intro\t 0:05.000\r\nQ2\t12:34.000\r\n");
  DeleteHighlighted(IDM_BOOKMARK_FIRST + 1);
  EXPECT_EQ(ReadAll(file), "Intro\t 0:05.000\r\n");
  DeleteHighlighted(IDM_BOOKMARK_FIRST);
  EXPECT_EQ(ReadAll(file), "<missing>") << "the last one deleted removes the file, as a close does";
  EXPECT_TRUE(player.isOpen);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(FilesIn(programDir, "*.tmp").empty());
}

// --- a second start's file, as the running window receives it ---------------

TEST_F(UserFilesTest, AHandedOverFileOpensAsFileOpenWouldOnceNoBoxIsOpen) {
  CreateMainWindow();
  StopRealPollTimer();
  const std::string second = AddFile("second talk.wav", 30000);
  const std::string text = "\"" + second + "\"";
  COPYDATASTRUCT data = HandOverData(text.c_str(), static_cast<DWORD>(text.size() + 1));
  COPYDATASTRUCT foreign = data;
  foreign.dwData = 1;
  EXPECT_EQ(SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&foreign)), FALSE);
  EXPECT_EQ(SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), TRUE);
  EXPECT_FALSE(player.isOpen) << "opened after the sender has its answer";

  // While a box of the window is open, the file waits for it to go.
  EnableWindow(window, FALSE);
  MSG msg;
  while (PeekMessageA(&msg, window, kHandOverMessage, kHandOverMessage, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_FALSE(player.isOpen);
  EnableWindow(window, TRUE);
  Call(WM_TIMER, kHandOverTimer);
  ASSERT_TRUE(player.isOpen);
  EXPECT_EQ(Caption(), "Dorvane: " + second);
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
