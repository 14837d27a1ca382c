// The main window as start-up builds it: controls, no-file state, accessors,
// tooltips and context help.
#include <windows.h>
#include <commctrl.h>

#include "app/player_state.h"
#include "app/window_parts.h"
#include "res/resource.h"
#include "support/main_window_fixture.h"

namespace {

class StartupWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    CreateMainWindow("");
  }
};

TEST_F(StartupWindowTest, EmptyCommandLineGivesTheNoFileState) {
  EXPECT_EQ(Caption(), "Dorvane");
  for (int id : {IDT_PLAY, IDT_WALK, IDT_PAUSE, IDT_REWIND, IDT_FASTFORWARD}) {
    EXPECT_FALSE(ButtonEnabled(id)) << id;
  }
  EXPECT_TRUE(ButtonEnabled(IDT_OPEN));
  for (int id : {IDM_PLAY, IDM_WALK, IDM_PAUSE, IDM_JUMP, IDM_ADD_BOOKMARK, IDM_CLOSE}) {
    EXPECT_TRUE(MenuItemGrayed(id)) << id;
  }
  EXPECT_FALSE(MenuItemGrayed(IDM_OPEN));
  EXPECT_EQ(StatusText(kStatusLength), "0:00.000");
  EXPECT_EQ(StatusText(kStatusPosition), "0:00.000");
  // The paused look, with nothing sent to any device.
  EXPECT_TRUE(ButtonChecked(IDT_PAUSE));
  EXPECT_EQ(StatusText(kStatusPaused), "paused");
  EXPECT_TRUE(player.isPaused);
  EXPECT_TRUE(refusedMciCommands.empty());
}

TEST_F(StartupWindowTest, FocusStartsOnThePositionSlider) {
  EXPECT_EQ(GetFocus(), Item(IDC_POSITION));
}

TEST_F(StartupWindowTest, ControlsHaveTheirRangesAndTheSpeedSliderStartsAtNormal) {
  for (int id : {IDC_BACKSPACE, IDC_WALKLENGTH, IDC_WALKPAUSE, IDC_UNPAUSEREW}) {
    EXPECT_EQ(SendMessageA(Item(id), TBM_GETRANGEMIN, 0, 0), 0) << id;
    EXPECT_EQ(SendMessageA(Item(id), TBM_GETRANGEMAX, 0, 0), 20) << id;
  }
  EXPECT_EQ(SliderPos(IDC_SPEED), 5);
  EXPECT_EQ(SendMessageA(Item(IDC_SPEED), TBM_GETRANGEMAX, 0, 0), 10);
  const LRESULT range = SendMessageA(Item(IDC_LOOPS_UPDOWN), UDM_GETRANGE, 0, 0);
  EXPECT_EQ(HIWORD(range), 1);   // lower limit
  EXPECT_EQ(LOWORD(range), 10);  // upper limit
}

TEST_F(StartupWindowTest, ToolbarHasSevenButtonsAndStatusBarSixParts) {
  EXPECT_EQ(SendMessageA(Item(IDC_TOOLBAR), TB_BUTTONCOUNT, 0, 0), 7);
  TBBUTTON open{};
  SendMessageA(Item(IDC_TOOLBAR), TB_GETBUTTON, 0, reinterpret_cast<LPARAM>(&open));
  EXPECT_EQ(open.idCommand, IDT_OPEN);
  EXPECT_EQ(open.iBitmap, 12);  // the standard file-open image, after our five
  TBBUTTON pause{};
  SendMessageA(Item(IDC_TOOLBAR), TB_GETBUTTON, 6, reinterpret_cast<LPARAM>(&pause));
  EXPECT_EQ(pause.idCommand, IDT_PAUSE);
  EXPECT_EQ(pause.fsStyle & TBSTYLE_CHECK, TBSTYLE_CHECK);
  int edges[8] = {};
  EXPECT_EQ(SendMessageA(Item(IDC_STATUSBAR), SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)), 6);
  EXPECT_EQ(edges[0], 65);
  EXPECT_EQ(edges[4], 295);
  EXPECT_EQ(edges[5], -1);
}

TEST_F(StartupWindowTest, SettersTruncateToHalfSecondsAndTheSlidersClamp) {
  SetWalkPauseMs(window, 1499);
  EXPECT_EQ(SliderPos(IDC_WALKPAUSE), 2);
  EXPECT_EQ(GetWalkPauseMs(window), 1000);
  SetWalkPauseMs(window, 10000);
  EXPECT_EQ(SliderPos(IDC_WALKPAUSE), 20);
  SetWalkPauseMs(window, 12000);
  EXPECT_EQ(SliderPos(IDC_WALKPAUSE), 20);
  SetUnpauseRewindMs(window, 1200);
  EXPECT_EQ(GetUnpauseRewindMs(window), 1000);
  SetBackspaceMs(window, -700);
  EXPECT_EQ(GetBackspaceMs(window), 0);
  // Any integer is taken: the largest values never overflow the conversion.
  SetBackspaceMs(window, INT32_MAX);
  EXPECT_EQ(GetBackspaceMs(window), 10000);
  SetBackspaceMs(window, INT32_MIN);
  EXPECT_EQ(GetBackspaceMs(window), 0);
}

TEST_F(StartupWindowTest, WalkLengthIsNeverBelowTheBackspace) {
  SetBackspaceMs(window, 3000);
  SetWalkLengthMs(window, 1000);
  EXPECT_EQ(GetWalkLengthMs(window), 3000);
  EXPECT_EQ(SliderPos(IDC_WALKLENGTH), 2);
  SetWalkLengthMs(window, 4500);
  EXPECT_EQ(GetWalkLengthMs(window), 4500);
}

TEST_F(StartupWindowTest, LoopCountIsTheUpDownPosition) {
  SendMessageA(Item(IDC_LOOPS_UPDOWN), UDM_SETPOS, 0, MAKELPARAM(7, 0));
  EXPECT_EQ(GetLoopCount(window), 7);
  SetDlgItemTextA(window, IDC_LOOPS_EDIT, "4");
  EXPECT_EQ(GetLoopCount(window), 4);
}

TEST_F(StartupWindowTest, TooltipsAnswerTheSixToolbarCommandsOnly) {
  const char* expected[] = {"Open a file", "Playback file", "Walk through file",
                            "Hold to rewind", "Pause playback", "Hold to fast forward"};
  for (int id = IDT_OPEN; id <= IDT_FASTFORWARD; ++id) {
    TOOLTIPTEXTA tip{};
    tip.hdr.hwndFrom = Item(IDC_TOOLBAR);
    tip.hdr.idFrom = id;
    tip.hdr.code = TTN_NEEDTEXTA;
    EXPECT_EQ(Call(WM_NOTIFY, IDC_TOOLBAR, reinterpret_cast<LPARAM>(&tip)), TRUE);
    ASSERT_EQ(tip.hinst, GetModuleHandleA(nullptr));
    char text[64] = "";
    LoadStringA(tip.hinst, static_cast<UINT>(reinterpret_cast<UINT_PTR>(tip.lpszText)), text, sizeof text);
    EXPECT_STREQ(text, expected[id - IDT_OPEN]);
  }
  for (int id : {IDT_SEPARATOR, 130, 137, 0}) {
    TOOLTIPTEXTA tip{};
    tip.hdr.idFrom = id;
    tip.hdr.code = TTN_NEEDTEXTA;
    Call(WM_NOTIFY, IDC_TOOLBAR, reinterpret_cast<LPARAM>(&tip));
    EXPECT_EQ(tip.lpszText, nullptr) << id;
    EXPECT_EQ(tip.hinst, nullptr) << id;
  }
}

TEST_F(StartupWindowTest, ContextHelpIdsAreSetOnControlsAndMenus) {
  struct { int control; DWORD id; } controls[] = {
      {IDC_POSITION, 100}, {IDC_SPEED, 111}, {IDC_BACKSPACE, 101}, {IDC_WALKLENGTH, 102},
      {IDC_WALKPAUSE, 112}, {IDC_LOOPS_EDIT, 103}, {IDC_UNPAUSEREW, 121}};
  for (const auto& c : controls) EXPECT_EQ(GetWindowContextHelpId(Item(c.control)), c.id) << c.control;
  HMENU menu = GetMenu(window);
  EXPECT_EQ(GetMenuContextHelpId(GetSubMenu(menu, 0)), 116u);
  EXPECT_EQ(GetMenuContextHelpId(GetSubMenu(menu, 1)), 117u);
  EXPECT_EQ(GetMenuContextHelpId(GetSubMenu(menu, 2)), 0u);
  EXPECT_EQ(GetMenuContextHelpId(GetSubMenu(menu, 3)), 115u);
  EXPECT_EQ(GetMenuContextHelpId(GetSubMenu(menu, 4)), 118u);
}

TEST_F(StartupWindowTest, MenuBarHasItsFivePopupsInOrder) {
  HMENU menu = GetMenu(window);
  ASSERT_EQ(GetMenuItemCount(menu), 5);
  const char* names[] = {"&File", "&Options", "&Play", "&Bookmark", "&Help"};
  for (int i = 0; i < 5; ++i) {
    char text[32] = "";
    GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, names[i]);
  }
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu, MENUPOS_BOOKMARK)), 1);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, MENUPOS_OPTIONS), 5), static_cast<UINT>(IDM_SOUND_OPTIONS));
  EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, MENUPOS_OPTIONS), 6), static_cast<UINT>(IDM_CHANGE_HOTKEYS));
}

}  // namespace
