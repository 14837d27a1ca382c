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

#include "app/player_state.h"
#include "app/single_instance.h"
#include "app/window_parts.h"
#include "bookmarks/bookmarks.h"
#include "res/resource.h"
#include "settings/options_text.h"
#include "settings/settings_state.h"
#include "support/playback_fixture.h"
#include "support/temp_dir.h"

namespace {

constexpr char kDefaultLegend[] =
    "Play:CtrlF5  Pause:CtrlF6  Walk:CtrlF7  Rew:CtrlF8  FF:CtrlF9  Stamp:CtrlF10  ";

// The system's text without its line end, as a box built around it shows it.
std::string SystemMessageOf(DWORD error) {
  std::string text(512, '\0');
  text.resize(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             text.data(), static_cast<DWORD>(text.size()), nullptr));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

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

// A file opened by "another program" (without sharing unless told), until released.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path, DWORD share = 0)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
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

  // While the bookmark file stays held, each change says at once that it is not saved.
  sim.SetPosition(Device(), 5000);
  dialogs.Clear();
  AddNamed("new");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].caption, "Bookmarks not saved");
  EXPECT_NE(Messages()[0].text.find(BookmarkFile("talk.wav")), std::string::npos);
  EXPECT_NE(Messages()[0].text.find(SystemMessageOf(ERROR_SHARING_VIOLATION)), std::string::npos);
  EXPECT_NE(Messages()[0].text.find("will be saved as soon as the file can be read"), std::string::npos);

  // Once the other program lets go, the next change reads the file and
  // merges: nothing of the file's or the session's is lost.
  heldOptions.Release();
  heldMarks.Release();
  EXPECT_EQ(ReadAll(BookmarkFile("talk.wav")), marks);
  dialogs.Clear();
  sim.SetPosition(Device(), 6000);
  AddNamed("Q2");  // same name as one of the file's: the session's replaces it
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(ReadAll(BookmarkFile("talk.wav")), "Intro\t 1:23.456\r\nnew\t 0:05.000\r\nQ2\t 0:06.000\r\n");
  EXPECT_EQ(player.bookmarkCount, 3);
  SetSliderPos(IDC_WALKPAUSE, 7);

  dialogs.Clear();
  Call(WM_CLOSE);  // close and exit
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(ReadAll(BookmarkFile("talk.wav")), "Intro\t 1:23.456\r\nnew\t 0:05.000\r\nQ2\t 0:06.000\r\n");
  EXPECT_EQ(ReadAll(DefaultFile()), options) << "an options file not read is not saved over";
  EXPECT_TRUE(FilesIn(programDir, "*.tmp").empty());
  for (UINT key = VK_F5; key <= VK_F10; ++key) EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, key)) << key;
}

TEST_F(UserFilesTest, FilesReadByOtherProgramsOpenAndABookmarkFileStillHeldAtCloseKeepsTheSessionsBeside) {
  const std::string options = "WalkLength=4.0\r\n";
  const std::string marks = "Intro\t 1:23.456\r\n";
  const std::string talk = AddFile("talk.wav", 900000);
  const std::string unsaved = BookmarkFile("talk.wav") + ".unsaved";
  struct Case {
    const char* what;
    DWORD share;         // how the other program holds both files
    int releaseAfterMs;  // -1: held until the session's bookmark is added
    bool read;
  } cases[] = {
      {"an indexer reading with sharing", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, -1, true},
      {"a reader that shares reading only", FILE_SHARE_READ, -1, true},
      {"a virus scan for a moment", 0, 300, true},
      {"a program that never lets go", 0, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteAll(DefaultFile(), options);
    WriteAll(BookmarkFile("talk.wav"), marks);
    DeleteFileA(unsaved.c_str());
    ResetPlayerState();  // each case is a fresh start of the program
    player.programDir = programDir;
    HeldFile heldOptions(DefaultFile(), c.share), heldMarks(BookmarkFile("talk.wav"), c.share);
    HANDLE letGo = nullptr;
    if (c.releaseAfterMs >= 0) {
      struct Release {
        HeldFile* files[2];
        int ms;
      };
      static Release release;
      release = {{&heldOptions, &heldMarks}, c.releaseAfterMs};
      letGo = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
        Sleep(static_cast<DWORD>(release.ms));
        for (HeldFile* f : release.files) f->Release();
        return 0;
      }, nullptr, 0, nullptr);
    }
    StartWithFile(talk);
    if (letGo != nullptr) {
      WaitForSingleObject(letGo, INFINITE);
      CloseHandle(letGo);
    }
    EXPECT_EQ(Messages().size(), c.read ? 0u : 2u);
    EXPECT_EQ(SliderPos(IDC_WALKLENGTH), c.read ? 8 : 0);
    EXPECT_EQ(player.bookmarkCount, c.read ? 1 : 0);

    sim.SetPosition(Device(), 5000);
    AddNamed("new");
    if (c.read) {
      heldOptions.Release();
      heldMarks.Release();
    }
    dialogs.Clear();
    Call(WM_CLOSE);  // close and exit
    DestroyMainWindow();
    heldOptions.Release();
    heldMarks.Release();
    if (c.read) {
      EXPECT_TRUE(Messages().empty());
      EXPECT_EQ(ReadAll(BookmarkFile("talk.wav")), marks + "new\t 0:05.000\r\n");
      EXPECT_EQ(ReadAll(unsaved), "<missing>");
    } else {
      // The file held to the end keeps its bytes; the session's bookmark is
      // beside it, and the typist is told where.
      EXPECT_EQ(ReadAll(BookmarkFile("talk.wav")), marks);
      EXPECT_EQ(ReadAll(unsaved), "new\t 0:05.000\r\n");
      ASSERT_EQ(Messages().size(), 1u);
      EXPECT_NE(Messages()[0].text.find(unsaved), std::string::npos);
    }
    dialogs.Clear();
  }
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

TEST_F(UserFilesTest, AnMciErrorBoxBelongsToTheMainWindowAndAFileHandedOverMeanwhileWaits) {
  StartWithFile(AddFile("talk.wav", 900000));
  const std::string second = AddFile("second talk.wav", 30000);
  sim.Fail(MCI_PLAY, MCIERR_HARDWARE, 1);
  HWND owner = nullptr;
  bool opened = true;
  dialogs.Then([&](HWND box) {
    owner = GetWindow(box, GW_OWNER);
    // A file handed over while the box is open is not opened under it.
    const std::string text = "\"" + second + "\"";
    COPYDATASTRUCT data = HandOverData(text.c_str(), static_cast<DWORD>(text.size() + 1));
    SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    MSG msg;
    while (PeekMessageA(&msg, window, kHandOverMessage, kHandOverMessage, PM_REMOVE)) DispatchMessageA(&msg);
    opened = player.openMediaPath == second;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  Command(IDT_PLAY);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(owner, window);
  EXPECT_FALSE(opened);
  Call(WM_TIMER, kHandOverTimer);
  EXPECT_EQ(player.openMediaPath, second);
}

// --- a second start's file, as the running window receives it ---------------

TEST_F(UserFilesTest, ASecondStartBesideACopyThatDoesNotAnswerSaysSoOnceAndEnds) {
  // "Another copy": the name held, and no window of it that takes the file.
  char user[257] = "";
  DWORD size = sizeof user;
  GetUserNameA(user, &size);
  HANDLE held = CreateMutexA(nullptr, FALSE, (std::string("Local\\Dorvane.Running.") + user).c_str());
  ASSERT_NE(held, nullptr);
  EXPECT_FALSE(ClaimSingleInstance("\"C:\\talk.wav\"", 300));
  CloseHandle(held);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text.rfind("Another Dorvane is running but not answering.", 0), 0u);
  EXPECT_TRUE(FilesIn(programDir).empty()) << "no file touched";
}

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
