#include "app/main_window.h"

#include <commctrl.h>

#include <array>
#include <vector>

#include "app/command_line.h"
#include "app/dpi_scale.h"
#include "app/player_state.h"
#include "app/toolbar_images.h"
#include "app/window_parts.h"
#include "app/window_dpi.h"
#include "filesel/media_types.h"
#include "pedal/pedal_input.h"
#include "playback/media.h"
#include "res/resource.h"
#include "settings/options_file.h"

namespace {

// The seven toolbar buttons, left to right: image, command, state, style.
struct ButtonSpec {
  int image;
  int command;
  BYTE style;
};
constexpr int kOwnImages = 5;                     // rewind, fast forward, play, pause, walk
constexpr int kFileOpenImage = kOwnImages + STD_FILEOPEN;  // the standard bitmap follows ours
constexpr std::array<ButtonSpec, 7> kButtons{{
    {kFileOpenImage, IDT_OPEN, TBSTYLE_BUTTON},
    {-1, IDT_SEPARATOR, TBSTYLE_SEP},
    {2, IDT_PLAY, TBSTYLE_BUTTON},
    {4, IDT_WALK, TBSTYLE_BUTTON},
    {0, IDT_REWIND, TBSTYLE_BUTTON},
    {1, IDT_FASTFORWARD, TBSTYLE_BUTTON},
    {3, IDT_PAUSE, TBSTYLE_CHECK},
}};

// Right edges of the six status-bar parts; the last, the legend of the six
// hot keys, runs to the window edge. The first five are as wide as their
// longest texts need ("600:00.000" for ten hours, "walking", "10 of 10"), so
// that the legend of the default keys is shown whole. These are the edges at
// 96 DPI; SetStatusParts scales them to the window's DPI.
constexpr std::array<int, 6> kStatusEdges{65, 130, 185, 240, 295, -1};
constexpr std::array<int, 4> kValueSliders{IDC_BACKSPACE, IDC_WALKLENGTH, IDC_WALKPAUSE, IDC_UNPAUSEREW};
constexpr int kSliderSteps = 20;  // 0..20 half-second steps

struct ContextId {
  int control;
  DWORD id;
};
constexpr std::array<ContextId, 7> kControlHelp{{
    {IDC_POSITION, HELPID_POSITION},
    {IDC_SPEED, HELPID_SPEED},
    {IDC_BACKSPACE, HELPID_BACKSPACE},
    {IDC_WALKLENGTH, HELPID_WALKLENGTH},
    {IDC_WALKPAUSE, HELPID_WALKPAUSE},
    {IDC_LOOPS_EDIT, HELPID_LOOPS},
    {IDC_UNPAUSEREW, HELPID_UNPAUSEREW},
}};
constexpr std::array<ContextId, 4> kMenuHelp{{
    {MENUPOS_FILE, HELPID_FILE_MENU},
    {MENUPOS_BOOKMARK, HELPID_BOOKMARK_MENU},
    {MENUPOS_OPTIONS, HELPID_OPTIONS_MENU},
    {MENUPOS_HELP, HELPID_HELP_MENU},
}};

LRESULT SendItem(HWND window, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendDlgItemMessageA(window, id, message, wParam, lParam);
}

void InitToolbar(HWND window, unsigned dpi) {
  SendItem(window, IDC_TOOLBAR, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
  AddToolbarImages(GetDlgItem(window, IDC_TOOLBAR), dpi);
  std::array<TBBUTTON, kButtons.size()> buttons{};
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    buttons[i].iBitmap = kButtons[i].image;
    buttons[i].idCommand = kButtons[i].command;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = kButtons[i].style;
    buttons[i].iString = -1;
  }
  SendItem(window, IDC_TOOLBAR, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
}

void InitSliders(HWND window) {
  SendItem(window, IDC_LOOPS_UPDOWN, UDM_SETRANGE, 0, MAKELPARAM(10, 1));
  for (int id : kValueSliders) {
    SendItem(window, id, TBM_SETRANGEMIN, TRUE, 0);
    SendItem(window, id, TBM_SETRANGEMAX, TRUE, kSliderSteps);
    SendItem(window, id, TBM_SETTICFREQ, 2, 0);
  }
  SendItem(window, IDC_SPEED, TBM_SETRANGEMIN, TRUE, 0);
  SendItem(window, IDC_SPEED, TBM_SETRANGEMAX, TRUE, 10);
  SendItem(window, IDC_SPEED, TBM_SETPOS, TRUE, 5);
  SendItem(window, IDC_SPEED, TBM_SETTICFREQ, 1, 0);
}

void SetContextHelpIds(HWND window) {
  for (const auto& c : kControlHelp) SetWindowContextHelpId(GetDlgItem(window, c.control), c.id);
  HMENU menu = GetMenu(window);
  for (const auto& m : kMenuHelp) SetMenuContextHelpId(GetSubMenu(menu, m.control), m.id);
}

}  // namespace

void InitMainWindow(HWND window, const char* commandLine) {
  InitToolbar(window, WindowDpi(window));
  SetStatusParts(window, WindowDpi(window));
  MakePositionDisplay(window);
  InitSliders(window);
  LoadUserOptions(window, DefaultOptionsPath().c_str());
  BuildMediaFilter();
  player.bookmarkCount = 0;
  const std::string path = MediaPathFromCommandLine(commandLine != nullptr ? commandLine : "");
  if (!path.empty()) {
    OpenMediaFile(window, path.c_str());
  } else {
    CloseMediaFile(window, "");
  }
  SetContextHelpIds(window);
  StartPedals(window);
}

void RescaleWindowParts(HWND window, unsigned dpi) {
  // A toolbar's images cannot be swapped for ones of another size, so the
  // toolbar is made anew in the same place and with the same id.
  HWND old = GetDlgItem(window, IDC_TOOLBAR);
  std::array<LRESULT, kButtons.size()> states{};
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    states[i] = SendMessageA(old, TB_GETSTATE, static_cast<WPARAM>(kButtons[i].command), 0);
  }
  const auto style = static_cast<DWORD>(GetWindowLongPtrA(old, GWL_STYLE));
  DestroyWindow(old);
  HWND fresh = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", style, 0, 0, 0, 0, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)), appInstance, nullptr);
  if (fresh == nullptr) return;
  SendMessageA(fresh, WM_SETFONT, SendMessageA(window, WM_GETFONT, 0, 0), FALSE);
  InitToolbar(window, dpi);
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    if (states[i] != -1) {
      SendMessageA(fresh, TB_SETSTATE, static_cast<WPARAM>(kButtons[i].command), MAKELPARAM(states[i], 0));
    }
  }
  SendMessageA(fresh, TB_AUTOSIZE, 0, 0);
  SetStatusParts(window, dpi);
}

void SetStatusParts(HWND window, unsigned dpi) {
  const std::vector<int> edges = ScaleStatusEdges(kStatusEdges, dpi);
  SendItem(window, IDC_STATUSBAR, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

bool SupplyToolbarTooltip(NMHDR* header) {
  if (header->idFrom < IDT_OPEN || header->idFrom > IDT_FASTFORWARD) return false;
  auto* tip = reinterpret_cast<TOOLTIPTEXTA*>(header);
  tip->hinst = appInstance;
  tip->lpszText = MAKEINTRESOURCEA(header->idFrom + 100);
  return true;
}
