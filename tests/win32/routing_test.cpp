// MainDialogProc's routing: the value returned for each message, the close
// and shut-down sequences, help, About, and the MCI command layer's reports.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/player_state.h"
#include "playback/mci.h"
#include "res/resource.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

namespace {

class RoutingTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // A WinHelp file in the program directory keeps every help call on WinHelp.
    WriteTextFile(TempFile("dorvane.hlp"), "");
    CreateMainWindow("");
  }
  HELPINFO Help(int contextType, int id, DWORD_PTR contextId) {
    HELPINFO info{};
    info.cbSize = sizeof info;
    info.iContextType = contextType;
    info.iCtrlId = id;
    info.dwContextId = contextId;
    return info;
  }
  bool HotKeyQueued() {
    MSG msg;
    return PeekMessageA(&msg, window, WM_HOTKEY, WM_HOTKEY, PM_NOREMOVE) != 0;
  }
};

TEST_F(RoutingTest, CommandsReturnWhatTheDialogManagerExpects) {
  EXPECT_EQ(Call(WM_COMMAND, IDT_PLAY), TRUE);
  EXPECT_EQ(Call(WM_COMMAND, IDT_WALK), TRUE);
  // Rewind and Fast Forward act only while held; a click does nothing.
  EXPECT_EQ(Call(WM_COMMAND, IDT_REWIND), FALSE);
  EXPECT_EQ(Call(WM_COMMAND, IDT_FASTFORWARD), FALSE);
  EXPECT_EQ(Call(WM_COMMAND, 4242), FALSE);
  // The notification code in the high word is ignored.
  EXPECT_EQ(Call(WM_COMMAND, MAKEWPARAM(IDM_HELP_TOPICS, 1)), TRUE);
  EXPECT_TRUE(refusedMciCommands.empty()) << "no file is open: nothing reaches a device";
}

TEST_F(RoutingTest, EnterAndEscapeDoNotCloseTheWindow) {
  EXPECT_EQ(Call(WM_COMMAND, IDOK), FALSE);
  EXPECT_EQ(Call(WM_COMMAND, IDCANCEL), FALSE);
  SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
  SendMessageA(window, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(helpCalls.empty());
}

TEST_F(RoutingTest, MessagesOutsideTheTableAndTheirFalseCasesReturnFalse) {
  EXPECT_EQ(Call(WM_USER + 1), FALSE);
  EXPECT_EQ(Call(WM_NOTIFY, 0, 0), FALSE);
  NMHDR other{Item(IDC_TOOLBAR), IDC_TOOLBAR, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(Call(WM_NOTIFY, IDC_TOOLBAR, reinterpret_cast<LPARAM>(&other)), FALSE);
  EXPECT_EQ(Call(WM_TIMER, 1), FALSE) << "no poll timer runs while no file is open";
  EXPECT_EQ(Call(WM_TIMER, 77), FALSE);
  EXPECT_EQ(Call(WM_HSCROLL, TB_THUMBTRACK, reinterpret_cast<LPARAM>(Item(IDC_POSITION))), FALSE);
  EXPECT_EQ(Call(WM_HSCROLL, TB_THUMBTRACK, reinterpret_cast<LPARAM>(Item(IDC_SPEED))), FALSE);
  EXPECT_EQ(Call(WM_HSCROLL, TB_THUMBTRACK, reinterpret_cast<LPARAM>(Item(IDC_BACKSPACE))), FALSE);
  EXPECT_EQ(Call(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 1), FALSE);
  EXPECT_EQ(Call(MM_MCINOTIFY, MCI_NOTIFY_SUPERSEDED, 1), FALSE);
  EXPECT_EQ(Call(WM_MENUCHAR, 'a'), FALSE);
  EXPECT_TRUE(refusedMciCommands.empty());
}

TEST_F(RoutingTest, MenuSelectRemembersTheHighlightedItem) {
  EXPECT_EQ(Call(WM_MENUSELECT, MAKEWPARAM(IDM_ADD_BOOKMARK, MF_HILITE)), FALSE);
  EXPECT_EQ(player.lastMenuItem, IDM_ADD_BOOKMARK);
  EXPECT_EQ(Call(WM_MENUSELECT, MAKEWPARAM(12003, MF_HILITE)), FALSE);
  EXPECT_EQ(player.lastMenuItem, 12003);
}

TEST_F(RoutingTest, HotKeysZeroToFourDrainTheQueueAndHigherIdsLeaveIt) {
  PostMessageA(window, WM_HOTKEY, 3, 0);
  EXPECT_EQ(Call(WM_HOTKEY, 6), FALSE);
  EXPECT_TRUE(HotKeyQueued()) << "an unknown id leaves the queue untouched";
  for (int id = 0; id <= 4; ++id) {
    PostMessageA(window, WM_HOTKEY, 4, 0);
    PostMessageA(window, WM_HOTKEY, 4, 0);
    player.seekDelayLeft = -9;
    EXPECT_EQ(Call(WM_HOTKEY, id), TRUE) << id;
    EXPECT_FALSE(HotKeyQueued()) << id;
    EXPECT_EQ(player.seekDelayLeft, 5) << "re-armed to HotKeySeekDelay";
  }
}

TEST_F(RoutingTest, FOneOnPlayMenuItemsOpensTheirOwnTopics) {
  struct { int item; ULONG_PTR topic; } cases[] = {
      {IDM_PLAY, 108}, {IDM_WALK, 107}, {IDM_PAUSE, 109}, {IDM_CHANGE_HOTKEYS, 106}, {IDM_JUMP, 114}};
  for (const auto& c : cases) {
    helpCalls.clear();
    HELPINFO info = Help(HELPINFO_MENUITEM, c.item, 117);
    EXPECT_EQ(Call(WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
    ASSERT_EQ(helpCalls.size(), 1u);
    EXPECT_EQ(helpCalls[0].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(helpCalls[0].data, c.topic) << c.item;
    EXPECT_EQ(helpCalls[0].file, programDir + "\\dorvane.hlp");
  }
}

TEST_F(RoutingTest, FOneElsewhereUsesTheContextIdOrTheContents) {
  HELPINFO menu = Help(HELPINFO_MENUITEM, IDM_SAVE_OPTIONS, 117);
  Call(WM_HELP, 0, reinterpret_cast<LPARAM>(&menu));
  HELPINFO slider = Help(HELPINFO_WINDOW, IDC_BACKSPACE, GetWindowContextHelpId(Item(IDC_BACKSPACE)));
  Call(WM_HELP, 0, reinterpret_cast<LPARAM>(&slider));
  HELPINFO label = Help(HELPINFO_WINDOW, IDC_BACKSPACE_LABEL, 0);
  Call(WM_HELP, 0, reinterpret_cast<LPARAM>(&label));
  ASSERT_EQ(helpCalls.size(), 3u);
  EXPECT_EQ(helpCalls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(helpCalls[0].data, 117u);
  EXPECT_EQ(helpCalls[1].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(helpCalls[1].data, 101u);
  EXPECT_EQ(helpCalls[2].command, static_cast<UINT>(HELP_CONTENTS));
  EXPECT_EQ(helpCalls[2].data, 0u);
}

TEST_F(RoutingTest, HelpTopicsAndAbout) {
  EXPECT_EQ(Call(WM_COMMAND, IDM_HELP_TOPICS), TRUE);
  ASSERT_EQ(helpCalls.size(), 1u);
  EXPECT_EQ(helpCalls[0].command, static_cast<UINT>(HELP_CONTENTS));
  EXPECT_EQ(Call(WM_COMMAND, IDM_ABOUT), TRUE);
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "About this program");
  EXPECT_EQ(dialogs.Caught()[0].text, aboutText);
  EXPECT_EQ(std::string(aboutText).find('\n'), std::string::npos);
}

// Records, in one list, the MCI commands and help calls of a shut-down.
std::vector<std::string>* events = nullptr;
MCIERROR WINAPI RecordMci(MCIDEVICEID device, UINT message, DWORD_PTR, DWORD_PTR) {
  events->push_back(message == MCI_CLOSE ? "close device " + std::to_string(device) : "mci");
  return 0;
}
BOOL WINAPI RecordHelp(HWND, LPCSTR, UINT command, ULONG_PTR) {
  events->push_back(command == HELP_QUIT ? "help quit" : "help");
  return TRUE;
}

class ShutDownTest : public RoutingTest {
 protected:
  void SetUp() override {
    RoutingTest::SetUp();
    events = &log;
    mciSendCommandHook = RecordMci;
    winHelpHook = RecordHelp;
    // A device as an open file leaves it, so the close has something to close.
    player.deviceId = 9;
  }
  void TearDown() override {
    events = nullptr;
    RoutingTest::TearDown();
  }
  void ExpectShutDown() {
    EXPECT_FALSE(IsWindow(window));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "close device 9");
    EXPECT_EQ(log[1], "help quit");
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u) << "the exit code";
    EXPECT_EQ(player.deviceId, 0u);
    window = nullptr;
  }
  std::vector<std::string> log;
};

TEST_F(ShutDownTest, CloseBoxClosesTheMediaThenDestroysTheWindow) {
  EXPECT_EQ(Call(WM_CLOSE), FALSE);
  ExpectShutDown();
}

TEST_F(ShutDownTest, ExitRunsTheSameSequence) {
  EXPECT_EQ(Call(WM_COMMAND, IDM_EXIT), TRUE);
  ExpectShutDown();
}

// The MCI command layer on its own.
MCIERROR WINAPI FailWithFileNotFound(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR parms) {
  if (parms != 0) reinterpret_cast<MCI_STATUS_PARMS*>(parms)->dwReturn = 12345;  // garbage left behind
  return MCIERR_FILE_NOT_FOUND;
}

TEST_F(RoutingTest, FailingCommandWithALabelShowsTheDevicesText) {
  mciSendCommandHook = FailWithFileNotFound;
  MCI_OPEN_PARMSA open{};
  open.lpstrElementName = "C:\\missing.wav";
  EXPECT_EQ(SendMciCommand(0, MCI_OPEN, kOpenFileFlags, &open, mci_label::kOpen), 1);
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Error in processing MCI command Open device");
  char expected[200] = "";
  mciGetErrorStringA(MCIERR_FILE_NOT_FOUND, expected, sizeof expected);
  EXPECT_FALSE(std::string(expected).empty());
  EXPECT_EQ(dialogs.Caught()[0].text, expected);
}

TEST_F(RoutingTest, FailingCommandWithoutALabelIsSilentAndStatusReadsZero) {
  mciSendCommandHook = FailWithFileNotFound;
  EXPECT_EQ(SendMciCommand(3, MCI_PAUSE, 0, nullptr, nullptr), 1);
  EXPECT_EQ(QueryMciStatus(MCI_STATUS_POSITION, false), 0);
  EXPECT_TRUE(dialogs.Caught().empty());
  EXPECT_EQ(QueryMciStatus(MCI_STATUS_LENGTH, true), 0);
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Error in processing MCI command Checking status");
}

TEST_F(RoutingTest, SystemErrorShowsTheSystemsTextUnderError) {
  ShowSystemError(window, ERROR_ACCESS_DENIED);
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Error");
  EXPECT_NE(dialogs.Caught()[0].text.find("denied"), std::string::npos) << dialogs.Caught()[0].text;
}

}  // namespace
