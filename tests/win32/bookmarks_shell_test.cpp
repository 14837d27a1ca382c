// Bookmarks of an open media file on the simulated device: added through the
// real name dialog, listed in the real Bookmark menu, gone to and deleted
// from it; the bookmark file written at close and read at the next open.
#include <windows.h>
#include <mmsystem.h>

#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/player_state.h"
#include "bookmarks/bookmarks.h"
#include "playback/media.h"
#include "res/resource.h"
#include "support/playback_fixture.h"
#include "support/temp_dir.h"

namespace {

// Keys typed into the menu loop, one per tick of a thread timer that the
// loop itself dispatches; the loop is ended by force if it is still running
// when they are used up.
std::deque<WORD> menuKeys;
int menuTicksLeft = 0;

void CALLBACK TypeNextMenuKey(HWND, UINT, UINT_PTR, DWORD) {
  if (--menuTicksLeft < 0) {
    EndMenu();
    return;
  }
  if (menuKeys.empty()) return;
  const WORD key = menuKeys.front();
  menuKeys.pop_front();
  HWND focus = GetFocus() != nullptr ? GetFocus() : mainWindow;
  if (key == VK_BACK) {
    // Windows' menu loop hands Backspace to the owner as WM_MENUCHAR; Wine's
    // drops control characters, so the test hands it over as Windows does,
    // with the menu open and its item highlighted.
    HMENU bookmarkMenu = GetSubMenu(GetMenu(mainWindow), MENUPOS_BOOKMARK);
    SendMessageA(mainWindow, WM_MENUCHAR, MAKEWPARAM(8, MF_POPUP), reinterpret_cast<LPARAM>(bookmarkMenu));
  } else {
    PostMessageA(focus, WM_KEYDOWN, key, 0);
  }
}

struct MenuEntry {
  UINT id;
  std::string text;
  ULONG_PTR data;
};

class BookmarkTest : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    bookmarks = BookmarkTable{};
  }
  void TearDown() override {
    PlaybackTest::TearDown();
    bookmarks = BookmarkTable{};
  }

  HMENU BookmarkMenu() const { return GetSubMenu(GetMenu(window), MENUPOS_BOOKMARK); }

  // The Bookmark menu's items after "&Add Bookmark..." and the separator.
  std::vector<MenuEntry> MenuItems() const {
    std::vector<MenuEntry> items;
    HMENU menu = BookmarkMenu();
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
      char text[100] = "";
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_ID | MIIM_TYPE | MIIM_DATA;
      info.dwTypeData = text;
      info.cch = sizeof text;
      GetMenuItemInfoA(menu, i, TRUE, &info);
      items.push_back({info.fType == MFT_SEPARATOR ? 0u : info.wID, text, info.dwItemData});
    }
    return items;
  }

  // The whole menu: Add alone, or Add, a separator and these items in order.
  void ExpectMenu(const std::vector<MenuEntry>& want) const {
    const auto items = MenuItems();
    ASSERT_EQ(items.size(), want.empty() ? 1u : want.size() + 2);
    EXPECT_EQ(items[0].id, static_cast<UINT>(IDM_ADD_BOOKMARK));
    EXPECT_EQ(items[0].text, "&Add Bookmark...");
    if (want.empty()) return;
    MENUITEMINFOA separator{};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_TYPE;
    GetMenuItemInfoA(BookmarkMenu(), 1, TRUE, &separator);
    EXPECT_EQ(separator.fType, static_cast<UINT>(MFT_SEPARATOR));
    for (std::size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(items[i + 2].id, want[i].id) << i;
      EXPECT_EQ(items[i + 2].text, want[i].text) << i;
      EXPECT_EQ(items[i + 2].data, want[i].data) << i;
    }
  }

  // "&Add Bookmark..." with the name typed into the real dialog and OK.
  void AddNamed(const std::string& name) {
    dialogs.Then(DialogCatcher::TypeAndPress(IDC_POSITION_EDIT, name, IDOK));
    EXPECT_EQ(Command(IDM_ADD_BOOKMARK), TRUE);
  }

  // Opens the Bookmark menu from the keyboard (Alt+B, which highlights
  // "&Add Bookmark...") and types the keys; Enter chooses the highlighted
  // item, otherwise Escape leaves the menu. Then the commands the menu posted
  // are delivered.
  void UseBookmarkMenu(std::vector<WORD> keys) {
    if (keys.empty() || keys.back() != VK_RETURN) keys.insert(keys.end(), {VK_ESCAPE, VK_ESCAPE});
    menuKeys.assign(keys.begin(), keys.end());
    menuTicksLeft = static_cast<int>(keys.size()) + 20;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, TypeNextMenuKey);
    SendMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, 'b');
    KillTimer(nullptr, timer);
    EXPECT_TRUE(menuKeys.empty()) << "the menu loop ended before all keys were typed";
    MSG msg;
    while (PeekMessageA(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE)) DispatchMessageA(&msg);
  }

  std::string BookmarkFile(const std::string& mediaName) const { return TempFile(mediaName + ".BMK"); }
  static std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
  // The temporary files left in the program directory.
  std::vector<std::string> TempFilesLeft() const { return FilesIn(programDir, "*.tmp"); }
  void Open(const std::string& path) {
    OpenMediaFile(window, path.c_str());
    ASSERT_TRUE(player.isOpen);
  }
  bool SlotsAllFree() const {
    for (const Bookmark& b : bookmarks) {
      if (b.inUse != 0) return false;
    }
    return true;
  }

  void SelectItem(UINT id) {
    Call(WM_MENUSELECT, MAKEWPARAM(id, MF_HILITE), reinterpret_cast<LPARAM>(BookmarkMenu()));
  }
  INT_PTR MenuChar(WORD character) {
    return Call(WM_MENUCHAR, MAKEWPARAM(character, MF_POPUP), reinterpret_cast<LPARAM>(BookmarkMenu()));
  }
};

TEST_F(BookmarkTest, AddingNamesThePositionAndAppendsAnItem) {
  StartWithFile(AddFile("talk.wav", 900000));
  sim.SetPosition(Device(), 83456);
  sim.ClearLog();
  // Through the real menu: Alt+B highlights "&Add Bookmark...", Enter chooses it.
  dialogs.Then(DialogCatcher::TypeAndPress(IDC_POSITION_EDIT, "Intro", IDOK));
  UseBookmarkMenu({VK_RETURN});

  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Name Bookmark at  1:23.456");
  EXPECT_EQ(player.bookmarkCount, 1);
  ExpectMenu({{IDM_BOOKMARK_FIRST, "Intro\t 1:23.456", 83456}});
  EXPECT_EQ(BookmarkName(bookmarks[0]), "Intro");
  EXPECT_EQ(bookmarks[0].position, 83456);
  EXPECT_EQ(bookmarks[0].inUse, 1);
  // Two silent position reads (the title, then the stored position); no seek.
  EXPECT_EQ(CountSent(MCI_STATUS), 2);
  EXPECT_EQ(CountSent(MCI_SEEK), 0);

  // The position stored is where the media stands when the name is confirmed.
  sim.SetPosition(Device(), 754000);
  dialogs.Then([this](HWND dialog) {
    sim.SetPosition(Device(), 754321);
    DialogCatcher::TypeAndPress(IDC_POSITION_EDIT, "Q2", IDOK)(dialog);
  });
  EXPECT_EQ(Command(IDM_ADD_BOOKMARK), TRUE);
  EXPECT_EQ(dialogs.Caught().back().caption, "Name Bookmark at 12:34.000");
  ExpectMenu({{IDM_BOOKMARK_FIRST, "Intro\t 1:23.456", 83456}, {IDM_BOOKMARK_FIRST + 1, "Q2\t12:34.321", 754321}});
  EXPECT_EQ(player.bookmarkCount, 2);
}

TEST_F(BookmarkTest, CancelAddsNothingAndAClosedFileAsksNothing) {
  StartWithFile(AddFile("talk.wav", 60000));
  dialogs.Then(DialogCatcher::Press(IDCANCEL));
  Command(IDM_ADD_BOOKMARK);
  EXPECT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(player.bookmarkCount, 0);
  ExpectMenu({});

  Command(IDM_CLOSE);
  dialogs.Clear();
  EXPECT_EQ(Command(IDM_ADD_BOOKMARK), TRUE);
  EXPECT_TRUE(dialogs.Caught().empty());
  ExpectMenu({});
}

TEST_F(BookmarkTest, AFailedPositionReadIsReportedAndStoresZero) {
  StartWithFile(AddFile("talk.wav", 60000));
  sim.SetPosition(Device(), 7000);
  sim.Fail(MCI_STATUS, MCIERR_HARDWARE);
  AddNamed("x");
  ASSERT_EQ(dialogs.Caught().size(), 2u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Name Bookmark at  0:00.000");  // the silent read
  EXPECT_EQ(dialogs.Caught()[1].caption, MciErrorCaption("Checking status"));
  EXPECT_EQ(dialogs.Caught()[1].text, MciErrorText(MCIERR_HARDWARE));
  ExpectMenu({{IDM_BOOKMARK_FIRST, "x\t 0:00.000", 0}});
}

TEST_F(BookmarkTest, ASameNameMovesTheBookmarkAndCaseCounts) {
  StartWithFile(AddFile("talk.wav", 900000));
  sim.SetPosition(Device(), 1000);
  AddNamed("Intro");
  sim.SetPosition(Device(), 2000);
  AddNamed("intro");
  sim.SetPosition(Device(), 3000);
  AddNamed("Other");
  sim.SetPosition(Device(), 5000);
  AddNamed("Intro");

  EXPECT_EQ(player.bookmarkCount, 3);
  ExpectMenu({{IDM_BOOKMARK_FIRST + 1, "intro\t 0:02.000", 2000},
              {IDM_BOOKMARK_FIRST + 2, "Other\t 0:03.000", 3000},
              {IDM_BOOKMARK_FIRST, "Intro\t 0:05.000", 5000}});
  EXPECT_EQ(bookmarks[0].position, 5000);
}

TEST_F(BookmarkTest, NamesThatWouldNotReadBackGetBlanks) {
  StartWithFile(AddFile("talk.wav", 900000));
  sim.SetPosition(Device(), 4000);
  AddNamed("Q2: item 1.5");
  AddNamed("");
  ExpectMenu({{IDM_BOOKMARK_FIRST, "Q2  item 1 5\t 0:04.000", 4000}, {IDM_BOOKMARK_FIRST + 1, " \t 0:04.000", 4000}});
}

TEST_F(BookmarkTest, TheEleventhIsRefusedWithoutADialog) {
  StartWithFile(AddFile("talk.wav", 900000));
  for (int i = 0; i < 10; ++i) {
    sim.SetPosition(Device(), i * 1000);
    AddNamed("b" + std::to_string(i));
  }
  ASSERT_EQ(player.bookmarkCount, 10);
  dialogs.Clear();
  sim.ClearLog();
  EXPECT_EQ(Command(IDM_ADD_BOOKMARK), TRUE);
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Sorry");
  EXPECT_EQ(dialogs.Caught()[0].text, "Only 10 bookmarks allowed.");
  EXPECT_EQ(player.bookmarkCount, 10);
  EXPECT_EQ(MenuItems().size(), 12u);
  EXPECT_TRUE(sim.Log().empty());
}

TEST_F(BookmarkTest, ChoosingAnItemSeeksToItsPositionAndPlaybackResumes) {
  StartWithFile(AddFile("talk.wav", 900000));
  sim.SetPosition(Device(), 83456);
  AddNamed("Intro");
  sim.SetPosition(Device(), 500000);
  AddNamed("Late");

  // Through the real menu: open Bookmark, down past Add and the separator, Enter.
  sim.ClearLog();
  UseBookmarkMenu({VK_DOWN, VK_RETURN});
  auto seeks = Sent(MCI_SEEK);
  ASSERT_EQ(seeks.size(), 1u);
  EXPECT_EQ(seeks[0].to, 83456u);
  EXPECT_EQ(DevicePosition(), 83456);
  EXPECT_EQ(player.seekCount, 1);

  // Unpaused, the end of the seek burst restarts playback from there.
  Command(IDT_PAUSE);
  sim.ClearLog();
  EXPECT_EQ(Command(IDM_BOOKMARK_FIRST + 1), FALSE);
  seeks = Sent(MCI_SEEK);
  ASSERT_EQ(seeks.size(), 1u);
  EXPECT_EQ(seeks[0].to, 500000u);
  Ticks(10);
  EXPECT_TRUE(sim.IsPlaying(Device()));

  // A bookmark id without an item, and any bookmark while no file is open, do nothing.
  sim.ClearLog();
  EXPECT_EQ(Command(IDM_BOOKMARK_FIRST + 5), FALSE);
  EXPECT_EQ(CountSent(MCI_SEEK), 0);
  Command(IDM_CLOSE);
  sim.ClearLog();
  EXPECT_EQ(Command(IDM_BOOKMARK_FIRST), FALSE);
  EXPECT_TRUE(sim.Log().empty());
}

TEST_F(BookmarkTest, BackspaceOnAHighlightedItemDeletesIt) {
  StartWithFile(AddFile("talk.wav", 900000));
  sim.SetPosition(Device(), 1000);
  AddNamed("one");
  sim.SetPosition(Device(), 2000);
  AddNamed("two");

  // What the menu loop sends while the second bookmark is highlighted and
  // Backspace is pressed: the highlight, then the character.
  SelectItem(IDM_BOOKMARK_FIRST + 1);
  EXPECT_EQ(MenuChar(VK_BACK), TRUE);
  EXPECT_EQ(player.bookmarkCount, 1);
  ExpectMenu({{IDM_BOOKMARK_FIRST, "one\t 0:01.000", 1000}});
  EXPECT_EQ(bookmarks[1].inUse, 0);

  // Backspace while Add Bookmark is highlighted does nothing, and says so.
  EXPECT_EQ(Call(WM_MENUSELECT, MAKEWPARAM(IDM_ADD_BOOKMARK, MF_HILITE), reinterpret_cast<LPARAM>(BookmarkMenu())),
            FALSE);
  EXPECT_EQ(MenuChar(VK_BACK), FALSE);
  EXPECT_EQ(player.bookmarkCount, 1);

  // Other characters on a bookmark item do nothing either.
  SelectItem(IDM_BOOKMARK_FIRST);
  EXPECT_EQ(MenuChar('x'), FALSE);
  EXPECT_EQ(player.bookmarkCount, 1);

  // Deleting the last bookmark takes the separator too; Backspace again is
  // still a bookmark item's key but finds the slot free.
  EXPECT_EQ(MenuChar(VK_BACK), TRUE);
  EXPECT_EQ(player.bookmarkCount, 0);
  ExpectMenu({});
  EXPECT_EQ(MenuChar(VK_BACK), TRUE);
  EXPECT_EQ(player.bookmarkCount, 0);
  EXPECT_EQ(GetMenuItemCount(BookmarkMenu()), 1);

  // A freed slot is reused first by its old name, else the first free slot.
  AddNamed("two");
  AddNamed("new");
  ExpectMenu({{IDM_BOOKMARK_FIRST + 1, "two\t 0:02.000", 2000}, {IDM_BOOKMARK_FIRST, "new\t 0:02.000", 2000}});
}

TEST_F(BookmarkTest, CloseWritesTheFileAndTheNextOpenReadsItBackInSlotOrder) {
  const std::string talk = AddFile("talk.wav", 900000);
  StartWithFile(talk);
  sim.SetPosition(Device(), 83456);
  AddNamed("Intro");
  sim.SetPosition(Device(), 100);
  AddNamed("gone");
  sim.SetPosition(Device(), 754000);
  AddNamed("Q2");
  SelectItem(IDM_BOOKMARK_FIRST + 1);
  ASSERT_EQ(MenuChar(VK_BACK), TRUE);

  Command(IDM_CLOSE);
  EXPECT_EQ(ReadAll(BookmarkFile("talk.wav")), "Intro\t 1:23.456\r\nQ2\t12:34.000\r\n");
  EXPECT_EQ(player.bookmarkCount, 0);
  ExpectMenu({});
  EXPECT_TRUE(SlotsAllFree());
  // No temporary file is left behind.
  EXPECT_TRUE(TempFilesLeft().empty());

  // The file named alike in another directory shares the bookmark file; the
  // bookmarks come back in slots 0 and 1.
  Open(AddFile("C:\\elsewhere\\talk.wav", 900000));
  EXPECT_EQ(player.bookmarkCount, 2);
  ExpectMenu({{IDM_BOOKMARK_FIRST, "Intro\t 1:23.456", 83456}, {IDM_BOOKMARK_FIRST + 1, "Q2\t12:34.000", 754000}});
  EXPECT_EQ(BookmarkName(bookmarks[1]), "Q2");
  EXPECT_EQ(bookmarks[1].inUse, 1);
  EXPECT_EQ(bookmarks[2].inUse, 0);
}

TEST_F(BookmarkTest, OpeningAnotherFileSavesTheFirstFilesBookmarksUnderItsName) {
  const std::string first = AddFile("first.wav", 60000);
  const std::string second = AddFile("second.mp3", 60000, SimMedia::kMpeg);
  StartWithFile(first);
  sim.SetPosition(Device(), 1500);
  AddNamed("mark");
  Open(second);
  EXPECT_EQ(ReadAll(BookmarkFile("first.wav")), "mark\t 0:01.500\r\n");
  EXPECT_FALSE(Exists(BookmarkFile("second.mp3")));
  ExpectMenu({});

  // Reopening the same file writes and reads back the same bookmarks.
  Open(first);
  ExpectMenu({{IDM_BOOKMARK_FIRST, "mark\t 0:01.500", 1500}});
  Open(first);
  ExpectMenu({{IDM_BOOKMARK_FIRST, "mark\t 0:01.500", 1500}});
}

TEST_F(BookmarkTest, AFileClosedWithoutBookmarksLosesItsBookmarkFile) {
  const std::string talk = AddFile("talk.wav", 60000);
  WriteAll(BookmarkFile("talk.wav"), "old\t 0:05.000\r\n");
  StartWithFile(talk);
  ExpectMenu({{IDM_BOOKMARK_FIRST, "old\t 0:05.000", 5000}});
  SelectItem(IDM_BOOKMARK_FIRST);
  MenuChar(VK_BACK);
  Command(IDM_CLOSE);
  EXPECT_FALSE(Exists(BookmarkFile("talk.wav")));

  // A file without any tokens loads nothing (no separator) and goes at close.
  WriteAll(BookmarkFile("talk.wav"), "\r\n\r\n\t");
  Open(talk);
  ExpectMenu({});
  Command(IDM_CLOSE);
  EXPECT_FALSE(Exists(BookmarkFile("talk.wav")));

  // Closing with no file open touches no bookmark file.
  WriteAll(BookmarkFile("talk.wav"), "kept\t 0:01.000\r\n");
  Command(IDM_CLOSE);
  EXPECT_TRUE(Exists(BookmarkFile("talk.wav")));
}

TEST_F(BookmarkTest, ABookmarkFileThatCannotBeWrittenIsReportedAndTheOldOneKept) {
  const std::string talk = AddFile("talk.wav", 60000);
  const std::string old = "old\t 0:05.000\r\n";
  WriteAll(BookmarkFile("talk.wav"), old);
  StartWithFile(talk);
  sim.SetPosition(Device(), 9000);
  // Another program holds the old file open without sharing it.
  HANDLE held = CreateFileA(BookmarkFile("talk.wav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  dialogs.Clear();
  AddNamed("new");     // written at once: refused
  Command(IDM_CLOSE);  // written at close: refused again
  CloseHandle(held);

  ASSERT_EQ(dialogs.Caught().size(), 3u);  // the name dialog, then a box for each write
  EXPECT_EQ(dialogs.Caught()[1].caption, "Error");
  EXPECT_FALSE(dialogs.Caught()[1].text.empty());
  // At the close the session's bookmarks go beside the file, and the box says where.
  EXPECT_EQ(dialogs.Caught()[2].caption, "Bookmarks not saved");
  EXPECT_NE(dialogs.Caught()[2].text.find(BookmarkFile("talk.wav") + ".unsaved"), std::string::npos);
  EXPECT_EQ(ReadAll(BookmarkFile("talk.wav") + ".unsaved"), "old\t 0:05.000\r\nnew\t 0:09.000\r\n");
  EXPECT_EQ(ReadAll(BookmarkFile("talk.wav")), old);
  EXPECT_TRUE(TempFilesLeft().empty());
  // The menu is emptied and the slots freed all the same.
  EXPECT_EQ(player.bookmarkCount, 0);
  ExpectMenu({});
  EXPECT_TRUE(SlotsAllFree());
  EXPECT_FALSE(player.isOpen);
}

TEST_F(BookmarkTest, ADirectoryInTheBookmarkFilesPlaceGivesTheSystemsMessageAndTheSessionsBookmarksGoBeside) {
  const std::string talk = AddFile("talk.wav", 60000);
  ASSERT_TRUE(CreateDirectoryA(BookmarkFile("talk.wav").c_str(), nullptr));
  StartWithFile(talk);  // reading a directory is refused: the system's message, no bookmarks
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Error");
  EXPECT_FALSE(dialogs.Caught()[0].text.empty());
  ExpectMenu({});
  dialogs.Clear();
  AddNamed("Intro");
  ASSERT_EQ(dialogs.Caught().size(), 2u);  // the name dialog, then the warning
  EXPECT_EQ(dialogs.Caught()[1].caption, "Bookmarks not saved");
  dialogs.Clear();
  Command(IDM_CLOSE);

  const std::string unsaved = BookmarkFile("talk.wav") + ".unsaved";
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_NE(dialogs.Caught()[0].text.find(unsaved), std::string::npos);
  std::ifstream in(unsaved, std::ios::binary);
  std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, "Intro\t 0:00.000\r\n");
  EXPECT_TRUE(TempFilesLeft().empty());
  EXPECT_NE(GetFileAttributesA(BookmarkFile("talk.wav").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  ExpectMenu({});
  EXPECT_TRUE(SlotsAllFree());

  // The program goes on: the file opens again, and a bookmark can be added.
  Open(talk);
  AddNamed("again");
  EXPECT_EQ(player.bookmarkCount, 1);
}

TEST_F(BookmarkTest, HandMadeFilesLoadWithinTheTable) {
  const std::string talk = AddFile("talk.wav", 60000);

  // Garbage, a megabyte long.
  std::string garbage;
  std::uint32_t seed = 99;
  for (int i = 0; i < (1 << 20); ++i) {
    seed = seed * 1103515245u + 12345u;
    garbage += static_cast<char>(seed >> 24);
  }
  garbage[0] = 'x';
  WriteAll(BookmarkFile("talk.wav"), garbage);
  StartWithFile(talk);
  EXPECT_LE(player.bookmarkCount, 10);
  EXPECT_EQ(GetMenuItemCount(BookmarkMenu()), player.bookmarkCount == 0 ? 1 : player.bookmarkCount + 2);
  Command(IDM_CLOSE);

  // More than ten entries, a long name, missing numbers, a position far
  // beyond the media's end.
  std::string text;
  text += std::string(70, 'L') + "\t 0:01.000\r\n";
  text += "Far\t99:00.000\r\n";
  for (int i = 0; i < 12; ++i) text += "n" + std::to_string(i) + "\t 0:0" + std::to_string(i % 10) + ".000\r\n";
  text += "Short\t2";
  WriteAll(BookmarkFile("talk.wav"), text);
  Open(talk);
  ASSERT_EQ(player.bookmarkCount, 10);
  const auto items = MenuItems();
  ASSERT_EQ(items.size(), 12u);
  EXPECT_EQ(items[2].text, std::string(49, 'L') + "\t 0:01.000");
  EXPECT_EQ(items[3].text, "Far\t99:00.000");
  EXPECT_EQ(items[11].text, "n7\t 0:07.000");
  for (std::size_t i = 2; i < items.size(); ++i) EXPECT_EQ(items[i].id, IDM_BOOKMARK_FIRST + i - 2);

  // Going to the far bookmark seeks no further than the end.
  sim.ClearLog();
  Command(IDM_BOOKMARK_FIRST + 1);
  const auto seeks = Sent(MCI_SEEK);
  ASSERT_EQ(seeks.size(), 1u);
  EXPECT_LT(seeks[0].to, 60000u);

  // Missing numbers count 0.
  Command(IDM_CLOSE);
  WriteAll(BookmarkFile("talk.wav"), "Short\t2");
  Open(talk);
  ExpectMenu({{IDM_BOOKMARK_FIRST, "Short\t 2:00.000", 120000}});
}

}  // namespace
