#include "app/window_parts.h"

#include <commctrl.h>

#include <string>

#include "app/player_state.h"
#include "res/resource.h"

namespace {

constexpr int kMsPerStep = 500;  // the walk sliders move in half seconds

LRESULT SendItem(HWND window, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendDlgItemMessageA(window, id, message, wParam, lParam);
}

std::int32_t SliderMs(HWND window, int id) {
  return static_cast<std::int32_t>(SendItem(window, id, TBM_GETPOS)) * kMsPerStep;
}

void SetSliderMs(HWND window, int id, std::int32_t ms) {
  // Truncating division: a value between steps goes down to the step below.
  // Computed in 64 bits so that any integer is safe; the control clamps.
  const long long position = static_cast<long long>(ms) * 2 / 1000;
  SendItem(window, id, TBM_SETPOS, TRUE, static_cast<LPARAM>(position));
}

// ---- the position display ---------------------------------------------------
// The position text changes 20 times a second while playing. Set in the status
// bar, each change repaints the bar at once, and a themed bar paints its whole
// background to do so. Instead a small window over the inside of the position
// part paints the text itself: on the bar's own picture of that place without
// text (taken once, again when the bar's layout, theme or colours change),
// with the bar's font and text colour, where the bar puts a part's text; the
// part's edge line stays the bar's.
// The bar still answers for the text (SB_GETTEXT, as a screen reader asks):
// the text is handed to the bar when it is asked for, not on every tick, as
// each hand-over costs the bar an invalidation and a paint that would be left
// out anyway (several calls to the window system).

constexpr char kPositionTextClass[] = "DorvanePositionText";
constexpr int kPartEdge = 1;    // the line the bar draws around a part
constexpr int kTextIndent = 3;  // the bar's text starts this far right of the part's left edge

// An off-screen picture kept between paints.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  HGDIOBJ oldFont = nullptr;
  HFONT font = nullptr;  // the font last selected into dc by SetFont
  void Make(HDC like, int width, int height) {
    Free();
    dc = CreateCompatibleDC(like);
    bitmap = CreateCompatibleBitmap(like, width, height);
    old = SelectObject(dc, bitmap);
    oldFont = GetCurrentObject(dc, OBJ_FONT);
  }
  // The font stays selected between paints: each selection is a round of the
  // display driver's font set-up (under Wine on X, two reads of the X
  // resource files), and the position text is painted 20 times a second.
  void SetFont(HFONT wanted) {
    if (wanted == font) return;
    SelectObject(dc, wanted != nullptr ? static_cast<HGDIOBJ>(wanted) : GetStockObject(SYSTEM_FONT));
    font = wanted;
  }
  void Free() {
    if (dc == nullptr) return;
    SelectObject(dc, oldFont);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    *this = Canvas{};
  }
};

struct PositionDisplay {
  HWND window = nullptr;  // the main window
  HWND bar = nullptr;     // its status bar
  HWND self = nullptr;    // the window over the position part
  std::string text;       // what it shows
  int width = 0;
  int height = 0;
  Canvas background;      // the bar's picture of the part's inside, without text
  Canvas frame;           // where a paint is put together before it is shown
  bool backgroundTaken = false;
  bool taking = false;        // the bar's picture is being taken (its text is set meanwhile)
  bool barBehind = false;     // the bar holds an older text than the one shown
  bool quiet = false;         // the bar's paint for a text handed to it is left out
};

PositionDisplay display;
WNDPROC barClassProc = nullptr;  // the window procedure of every status bar, kept past any one bar

// Sets the bar's position text without the bar painting for it (the bar
// paints at once when a text changes). The position window covers that text,
// so the paint would show nothing new; a paint the bar was already waiting
// for is let through. The bar's paint may paint the position window, which
// may take the bar's picture, which sets the text again: that inner call
// leaves the bar with the text shown, so the outer one is not undone.
void SetBarTextQuietly(const char* text) {
  const bool outerQuiet = display.quiet;
  display.barBehind = display.text != text;
  display.quiet = GetUpdateRect(display.bar, nullptr, FALSE) == FALSE;
  CallWindowProcW(barClassProc, display.bar, SB_SETTEXTA, kStatusPosition, reinterpret_cast<LPARAM>(text));
  display.quiet = outerQuiet;
}

void TakeBackground() {
  display.taking = true;
  POINT origin{0, 0};
  MapWindowPoints(display.self, display.bar, &origin, 1);
  const HDC screen = GetDC(display.self);
  display.background.Make(screen, display.width, display.height);
  display.frame.Make(screen, display.width, display.height);
  ReleaseDC(display.self, screen);
  SetBarTextQuietly("");
  SetViewportOrgEx(display.background.dc, -origin.x, -origin.y, nullptr);
  SendMessageA(display.bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(display.background.dc), PRF_CLIENT);
  SetViewportOrgEx(display.background.dc, 0, 0, nullptr);
  SetBarTextQuietly(display.text.c_str());
  display.backgroundTaken = true;
  display.taking = false;
}

void PaintPositionText(HDC target) {
  // A paint while the picture is taken (the bar, given a text, paints its
  // children) is left to the paint that takes it, which follows at once.
  if (display.width <= 0 || display.height <= 0 || display.taking) return;
  if (!display.backgroundTaken) TakeBackground();
  const HDC dc = display.frame.dc;
  BitBlt(dc, 0, 0, display.width, display.height, display.background.dc, 0, 0, SRCCOPY);
  display.frame.SetFont(reinterpret_cast<HFONT>(SendMessageA(display.bar, WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  // The text is placed in the part's whole rectangle, as the bar places it.
  RECT place{kTextIndent - kPartEdge, -kPartEdge, display.width + kPartEdge, display.height + kPartEdge};
  DrawTextA(dc, display.text.c_str(), -1, &place, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  BitBlt(target, 0, 0, display.width, display.height, dc, 0, 0, SRCCOPY);
}

void PlacePositionDisplay() {
  if (display.self == nullptr) return;
  display.frame.SetFont(nullptr);  // the bar's font may have changed: the old one is not kept selected
  RECT part{};
  if (SendMessageA(display.bar, SB_GETRECT, kStatusPosition, reinterpret_cast<LPARAM>(&part)) == 0) return;
  InflateRect(&part, -kPartEdge, -kPartEdge);
  display.width = part.right - part.left;
  display.height = part.bottom - part.top;
  SetWindowPos(display.self, nullptr, part.left, part.top, display.width, display.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  display.backgroundTaken = false;
  InvalidateRect(display.self, nullptr, FALSE);
}

void ShowPositionText(const char* text) {
  if (display.text == text) return;
  display.text = text;
  display.barBehind = true;
  if (!IsWindowVisible(display.self) || IsIconic(display.window)) return;
  const HDC dc = GetDC(display.self);
  PaintPositionText(dc);
  ReleaseDC(display.self, dc);
}

LRESULT CALLBACK PositionTextProc(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(self, &paint);
      if (self == display.self) PaintPositionText(dc);
      EndPaint(self, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      if (self == display.self) PaintPositionText(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
      if (self == display.self) PlacePositionDisplay();
      return 0;
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // clicks reach the bar as before
    case WM_NCDESTROY:
      if (self == display.self) {
        display.background.Free();
        display.frame.Free();
        display = PositionDisplay{};
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(self, message, wParam, lParam);
}

// The bar's side: the position text is handed over before the bar answers
// for it, the bar's paint for that is left out, and the position window
// follows the part when the parts, size, font or look change.
LRESULT CALLBACK StatusBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  if (bar != display.bar) return CallWindowProcW(barClassProc, bar, message, wParam, lParam);
  switch (message) {
    case SB_GETTEXTA:
    case SB_GETTEXTW:
    case SB_GETTEXTLENGTHA:
    case SB_GETTEXTLENGTHW:
      if (LOBYTE(wParam) == kStatusPosition && display.barBehind) SetBarTextQuietly(display.text.c_str());
      break;
    case WM_PAINT:
      if (display.quiet) {
        ValidateRect(bar, nullptr);
        return 0;
      }
      break;
    case SB_SETPARTS:
    case WM_SIZE:
    case WM_SETFONT:
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE: {
      const LRESULT result = CallWindowProcW(barClassProc, bar, message, wParam, lParam);
      PlacePositionDisplay();
      return result;
    }
    default:
      break;
  }
  return CallWindowProcW(barClassProc, bar, message, wParam, lParam);
}

}  // namespace

void MakePositionDisplay(HWND window) {
  static const bool registered = [] {
    WNDCLASSA type{};
    type.style = CS_OWNDC;  // one DC of its own: nothing to set up again for each paint
    type.lpfnWndProc = PositionTextProc;
    type.hInstance = appInstance;
    type.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    type.lpszClassName = kPositionTextClass;
    return RegisterClassA(&type) != 0;
  }();
  const HWND bar = GetDlgItem(window, IDC_STATUSBAR);
  if (!registered || bar == nullptr) return;  // the bar paints the text itself then
  const HWND self = CreateWindowExA(0, kPositionTextClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, bar,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_POSITION_DISPLAY)), appInstance,
                                    nullptr);
  if (self == nullptr) return;
  // The bar paints nothing under the position window: that text is the window's.
  SetWindowLongPtrA(bar, GWL_STYLE, GetWindowLongPtrA(bar, GWL_STYLE) | WS_CLIPCHILDREN);
  display = PositionDisplay{};
  display.window = window;
  display.bar = bar;
  display.self = self;
  char shown[64] = "";
  if (LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, kStatusPosition, 0)) < sizeof shown) {
    SendMessageA(bar, SB_GETTEXTA, kStatusPosition, reinterpret_cast<LPARAM>(shown));
  }
  display.text = shown;
  // Subclassed by its window procedure rather than SetWindowSubclass, whose
  // look-up of its data on each message is a call to the window system.
  const auto before = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusBarProc)));
  if (before != StatusBarProc) barClassProc = before;
  PlacePositionDisplay();
}

void SetStatusText(HWND window, int part, const char* text) {
  if (part == kStatusPosition && window == display.window && display.self != nullptr) {
    ShowPositionText(text);
    return;
  }
  SendItem(window, IDC_STATUSBAR, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text));
}
void SetToolbarButtonChecked(HWND window, int command, bool checked) {
  SendItem(window, IDC_TOOLBAR, TB_CHECKBUTTON, command, checked ? TRUE : FALSE);
}
void SetToolbarButtonEnabled(HWND window, int command, bool enabled) {
  SendItem(window, IDC_TOOLBAR, TB_ENABLEBUTTON, command, enabled ? TRUE : FALSE);
}
bool IsToolbarButtonPressed(HWND window, int command) {
  return SendItem(window, IDC_TOOLBAR, TB_ISBUTTONPRESSED, command) != 0;
}

int GetLoopCount(HWND window) { return LOWORD(SendItem(window, IDC_LOOPS_UPDOWN, UDM_GETPOS)); }
std::int32_t GetBackspaceMs(HWND window) { return SliderMs(window, IDC_BACKSPACE); }
std::int32_t GetWalkLengthMs(HWND window) {
  const std::int32_t length = SliderMs(window, IDC_WALKLENGTH);
  const std::int32_t backspace = GetBackspaceMs(window);
  return length > backspace ? length : backspace;
}
std::int32_t GetWalkPauseMs(HWND window) { return SliderMs(window, IDC_WALKPAUSE); }
std::int32_t GetUnpauseRewindMs(HWND window) { return SliderMs(window, IDC_UNPAUSEREW); }
void SetBackspaceMs(HWND window, std::int32_t ms) { SetSliderMs(window, IDC_BACKSPACE, ms); }
void SetWalkLengthMs(HWND window, std::int32_t ms) { SetSliderMs(window, IDC_WALKLENGTH, ms); }
void SetWalkPauseMs(HWND window, std::int32_t ms) { SetSliderMs(window, IDC_WALKPAUSE, ms); }
void SetUnpauseRewindMs(HWND window, std::int32_t ms) { SetSliderMs(window, IDC_UNPAUSEREW, ms); }
