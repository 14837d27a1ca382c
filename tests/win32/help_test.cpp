// The help calls: HTML Help on dorvane.chm when no dorvane.hlp is present,
// the message when neither file is there, and the "?" of the two dialogs.
// (With dorvane.hlp present the WinHelp calls are checked in routing_test.)
#include <windows.h>
#include <htmlhelp.h>

#include <cstring>
#include <string>

#include "app/command_line.h"
#include "app/main_dialog.h"
#include "app/player_state.h"
#include "app/system_library.h"
#include "res/resource.h"
#include "settings/advanced_options.h"
#include "settings/hotkeys.h"
#include "settings/sound_options.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

namespace {

HELPINFO Help(int contextType, int id, DWORD_PTR contextId) {
  HELPINFO info{};
  info.cbSize = sizeof info;
  info.iContextType = contextType;
  info.iCtrlId = id;
  info.dwContextId = contextId;
  return info;
}

class HtmlHelpTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(WriteTextFile(TempFile("dorvane.chm"), "ITSF"));
    CreateMainWindow("");
  }
  // F1 as the system reports it, then the one HTML Help call it made.
  void ExpectTopic(const HELPINFO& info, ULONG_PTR topic, const char* what) {
    helpCalls.clear();
    EXPECT_EQ(Call(WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
    ASSERT_EQ(helpCalls.size(), 1u) << what;
    EXPECT_TRUE(helpCalls[0].html) << what;
    EXPECT_EQ(helpCalls[0].command, static_cast<UINT>(HH_HELP_CONTEXT)) << what;
    EXPECT_EQ(helpCalls[0].data, topic) << what;
    EXPECT_EQ(helpCalls[0].file, TempFile("dorvane.chm")) << what;
  }
};

TEST_F(HtmlHelpTest, AStaleWinHelpFileDoesNotTakeF1AndTheViewerComesOnlyFromTheSystemFolder) {
  ASSERT_TRUE(WriteTextFile(TempFile("dorvane.hlp"), ""));
  helpCalls.clear();
  Call(WM_COMMAND, IDM_HELP_TOPICS);
  ASSERT_EQ(helpCalls.size(), 1u);
  EXPECT_EQ(helpCalls[0].file, programDir + "\\dorvane.chm");

  // A copy planted beside the program is never the one loaded.
  char exe[MAX_PATH] = "", system[MAX_PATH] = "", loaded[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const std::string planted = ProgramDirOf(exe) + "\\hhctrl.ocx";
  ASSERT_TRUE(WriteTextFile(planted, "MZ not a library"));
  const HMODULE viewer = LoadSystemLibrary("hhctrl.ocx");
  DeleteFileA(planted.c_str());
  ASSERT_NE(viewer, nullptr);
  GetModuleFileNameA(viewer, loaded, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_EQ(_strnicmp(loaded, system, std::strlen(system)), 0) << loaded;
}

TEST_F(HtmlHelpTest, FOneOnEachControlAsksForItsContextId) {
  struct { int control; ULONG_PTR topic; } cases[] = {
      {IDC_POSITION, 100}, {IDC_BACKSPACE, 101}, {IDC_WALKLENGTH, 102}, {IDC_LOOPS_EDIT, 103},
      {IDC_SPEED, 111},    {IDC_WALKPAUSE, 112}, {IDC_UNPAUSEREW, 121}};
  for (const auto& c : cases) {
    // The id the system puts into HELPINFO is the one set on the control.
    const HELPINFO info = Help(HELPINFO_WINDOW, c.control, GetWindowContextHelpId(Item(c.control)));
    ExpectTopic(info, c.topic, std::to_string(c.control).c_str());
  }
}

TEST_F(HtmlHelpTest, FOneOnMenusAndPlayMenuItems) {
  HMENU menu = GetMenu(window);
  struct { int position; int item; ULONG_PTR topic; } menus[] = {
      {MENUPOS_FILE, IDM_OPEN, 116}, {MENUPOS_OPTIONS, IDM_SAVE_OPTIONS, 117},
      {MENUPOS_BOOKMARK, IDM_ADD_BOOKMARK, 115}, {MENUPOS_HELP, IDM_ABOUT, 118}};
  for (const auto& m : menus) {
    const HELPINFO info = Help(HELPINFO_MENUITEM, m.item, GetMenuContextHelpId(GetSubMenu(menu, m.position)));
    ExpectTopic(info, m.topic, std::to_string(m.item).c_str());
  }
  struct { int item; ULONG_PTR topic; } items[] = {
      {IDM_PLAY, 108}, {IDM_WALK, 107}, {IDM_PAUSE, 109}, {IDM_CHANGE_HOTKEYS, 106}, {IDM_JUMP, 114}};
  for (const auto& i : items) ExpectTopic(Help(HELPINFO_MENUITEM, i.item, 0), i.topic, std::to_string(i.item).c_str());
}

TEST_F(HtmlHelpTest, HelpTopicsShowsTheContentsAndQuitClosesEveryHelpWindow) {
  EXPECT_EQ(Call(WM_COMMAND, IDM_HELP_TOPICS), TRUE);
  HELPINFO label = Help(HELPINFO_WINDOW, IDC_BACKSPACE_LABEL, 0);
  Call(WM_HELP, 0, reinterpret_cast<LPARAM>(&label));
  ASSERT_EQ(helpCalls.size(), 2u);
  for (const HelpCall& call : helpCalls) {
    EXPECT_TRUE(call.html);
    EXPECT_EQ(call.command, static_cast<UINT>(HH_DISPLAY_TOC));
    EXPECT_EQ(call.file, TempFile("dorvane.chm"));
  }
  helpCalls.clear();
  DestroyMainWindow();
  ASSERT_EQ(helpCalls.size(), 1u);
  EXPECT_TRUE(helpCalls[0].html);
  EXPECT_EQ(helpCalls[0].command, static_cast<UINT>(HH_CLOSE_ALL));
  EXPECT_EQ(helpCalls[0].file, "") << "HH_CLOSE_ALL names no file";
  EXPECT_TRUE(dialogs.Caught().empty());
}

TEST_F(HtmlHelpTest, TheTwoDialogsWithAQuestionMarkShowTheirOwnTopic) {
  struct { int dialog; DLGPROC proc; ULONG_PTR topic; } cases[] = {
      {IDD_HOTKEYS, HotKeysDialogProc, 106}, {IDD_ADVANCED, AdvancedOptionsDialogProc, HELPTOPIC_ADVANCED_OPTIONS},
      {IDD_SOUND, SoundOptionsDialogProc, HELPTOPIC_SOUND_OPTIONS}};
  for (const auto& c : cases) {
    helpCalls.clear();
    dialogs.Then([](HWND dialog) {
      // "?" then a click on the first edit or hot-key control of the dialog.
      HELPINFO info = Help(HELPINFO_WINDOW, 0, 0);
      SendMessageA(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
      DialogCatcher::Press(IDCANCEL)(dialog);
    });
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(c.dialog), window, c.proc, 0);
    ASSERT_EQ(helpCalls.size(), 1u) << c.dialog;
    EXPECT_TRUE(helpCalls[0].html);
    EXPECT_EQ(helpCalls[0].command, static_cast<UINT>(HH_HELP_CONTEXT));
    EXPECT_EQ(helpCalls[0].data, c.topic) << c.dialog;
  }
}

// Neither help file in the program directory.
class NoHelpFileTest : public MainWindowTest {};

TEST_F(NoHelpFileTest, FOneSaysWhichFileIsMissingAndQuitSaysNothing) {
  CreateMainWindow("");
  HELPINFO slider = Help(HELPINFO_WINDOW, IDC_POSITION, 100);
  EXPECT_EQ(Call(WM_HELP, 0, reinterpret_cast<LPARAM>(&slider)), TRUE);
  Call(WM_COMMAND, IDM_HELP_TOPICS);
  EXPECT_TRUE(helpCalls.empty());
  ASSERT_EQ(dialogs.Caught().size(), 2u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Error");
  EXPECT_NE(dialogs.Caught()[0].text.find(TempFile("dorvane.chm")), std::string::npos) << dialogs.Caught()[0].text;
  dialogs.Clear();
  DestroyMainWindow();
  EXPECT_TRUE(helpCalls.empty());
  EXPECT_TRUE(dialogs.Caught().empty()) << "closing the program shows nothing";
}

TEST_F(NoHelpFileTest, AProgramDirectoryOf259CharactersIsNamedWhole) {
  CreateMainWindow("");
  std::string longDir = "C:\\" + std::string(256, 'd');
  player.programDir = longDir;
  ASSERT_EQ(std::string(player.programDir).size(), 259u);
  HELPINFO slider = Help(HELPINFO_WINDOW, IDC_POSITION, 100);
  Call(WM_HELP, 0, reinterpret_cast<LPARAM>(&slider));
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_NE(dialogs.Caught()[0].text.find(longDir + "\\dorvane.chm"), std::string::npos);
  player.programDir = programDir;
}

TEST_F(NoHelpFileTest, AFolderNamedLikeTheHelpFileIsNoHelpFile) {
  CreateDirectoryA(TempFile("dorvane.hlp").c_str(), nullptr);
  ASSERT_TRUE(WriteTextFile(TempFile("dorvane.chm"), ""));
  CreateMainWindow("");
  Call(WM_COMMAND, IDM_HELP_TOPICS);
  ASSERT_EQ(helpCalls.size(), 1u);
  EXPECT_TRUE(helpCalls[0].html) << "a zero-byte dorvane.chm is still handed to HTML Help, which reports it";
}

}  // namespace
