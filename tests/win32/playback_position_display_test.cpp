// The position display of the poll tick on the shown window: the text is
// painted within the tick, the slider follows the device, and the work the
// tick leaves out (a text already shown, a thumb repaint that would show the
// same pixels) is left out only when nothing on screen depends on it.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/window_parts.h"
#include "playback/transport.h"
#include "res/resource.h"
#include "support/playback_fixture.h"

namespace {

class PositionDisplayTest : public PlaybackTest {
 protected:
  HWND Control(int id) const { return GetDlgItem(window, id); }
  bool WaitsForPaint(int id) const { return GetUpdateRect(Control(id), nullptr, FALSE) != FALSE; }
  bool ThumbAt(const RECT& place) const {
    RECT thumb{};
    SendMessageA(Control(IDC_POSITION), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    return EqualRect(&thumb, &place) != FALSE;
  }
  // Paints whatever is waiting, as the message loop does between ticks.
  void PaintAll() { RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }
  // The 32-bit pixels of a rectangle of what the DC shows.
  static std::vector<DWORD> Pixels(HDC source, const RECT& place) {
    const int width = place.right - place.left, height = place.bottom - place.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC dc = CreateCompatibleDC(source);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, width, height, source, place.left, place.top, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width * height);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return pixels;
  }
  // What the status bar itself draws where the position display lies, with
  // the text the bar holds.
  std::vector<DWORD> BarsOwnPicture(HWND display) const {
    const HWND bar = Control(IDC_STATUSBAR);
    RECT client{}, place{};
    GetClientRect(bar, &client);
    GetWindowRect(display, &place);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&place), 2);
    const HDC screen = GetDC(bar);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    std::vector<DWORD> pixels = Pixels(dc, place);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(bar, screen);
    return pixels;
  }
  static std::vector<DWORD> Shown(HWND display) {
    RECT place{};
    GetClientRect(display, &place);
    const HDC dc = GetDC(display);
    std::vector<DWORD> pixels = Pixels(dc, place);
    ReleaseDC(display, dc);
    return pixels;
  }
};

TEST_F(PositionDisplayTest, EveryTickShowsTheDevicePositionPaintedAtOnce) {
  StartWithFile(AddFile("talk.wav", 900000));
  struct Step {
    std::int32_t position;
    const char* text;
    int slider;
  };
  // Forward, standing still, back to the start, the last millisecond.
  constexpr Step kSteps[] = {{61234, " 1:01.234", 613}, {61234, " 1:01.234", 613}, {61299, " 1:01.299", 613},
                             {0, " 0:00.000", 1},       {333, " 0:00.333", 4},      {899999, "14:59.999", 9000}};
  for (const Step& step : kSteps) {
    SCOPED_TRACE(step.text);
    sim.SetPosition(Device(), step.position);
    Tick();
    EXPECT_EQ(StatusText(kStatusPosition), step.text);
    EXPECT_FALSE(WaitsForPaint(IDC_STATUSBAR));
    EXPECT_EQ(SliderPos(IDC_POSITION), step.slider);
  }
}

TEST_F(PositionDisplayTest, PositionTextIsPaintedByItsOwnWindowAsTheBarWouldPaintIt) {
  // The bar keeps the text (SB_GETTEXT) without repainting for it; the window
  // over the part shows exactly the bar's own picture of that text, also when
  // the text changed while the main window was hidden.
  StartWithFile(AddFile("talk.wav", 900000));
  const HWND display = GetDlgItem(Control(IDC_STATUSBAR), IDC_POSITION_DISPLAY);
  ASSERT_NE(display, nullptr);
  struct Step {
    std::int32_t position;
    const char* text;
    bool hidden;
  };
  constexpr Step kSteps[] = {{61234, " 1:01.234", false}, {0, " 0:00.000", false}, {899999, "14:59.999", true}};
  for (const Step& step : kSteps) {
    SCOPED_TRACE(step.text);
    if (step.hidden) ShowWindow(window, SW_HIDE);
    sim.SetPosition(Device(), step.position);
    Tick();
    EXPECT_FALSE(WaitsForPaint(IDC_STATUSBAR));
    if (step.hidden) {
      ShowWindow(window, SW_SHOW);
      PaintAll();
    }
    EXPECT_EQ(StatusText(kStatusPosition), step.text);
    EXPECT_TRUE(IsWindowVisible(display));
    EXPECT_TRUE(Shown(display) == BarsOwnPicture(display)) << "the position window differs from the bar's picture";
  }
}

TEST_F(PositionDisplayTest, AnotherFileShowsItsPositionAfterTheCloseReset) {
  // Closing writes "0:00.000" into the position part; the tick must not take
  // its own last text for what is shown.
  StartWithFile(AddFile("first.wav", 60000));
  sim.SetPosition(Device(), 5000);
  Tick();
  ASSERT_EQ(StatusText(kStatusPosition), " 0:05.000");
  OpenFile(AddFile("second.wav", 60000));
  EXPECT_EQ(StatusText(kStatusPosition), "0:00.000");
  sim.SetPosition(Device(), 5000);
  Tick();
  EXPECT_EQ(StatusText(kStatusPosition), " 0:05.000");
}

TEST_F(PositionDisplayTest, SliderThumbIsRepaintedOnlyWhenItMoves) {
  // Four hours over a few hundred pixels: a pixel is about half a minute.
  StartWithFile(AddFile("long.wav", 4 * 3600 * 1000));
  sim.SetPosition(Device(), 3600 * 1000);
  Tick();
  PaintAll();
  RECT before{};
  SendMessageA(Control(IDC_POSITION), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&before));

  sim.SetPosition(Device(), 3600 * 1000 + 100);  // the next value, the same pixel
  Tick();
  EXPECT_EQ(SliderPos(IDC_POSITION), 36002);
  EXPECT_TRUE(ThumbAt(before));
  EXPECT_FALSE(WaitsForPaint(IDC_POSITION));

  sim.SetPosition(Device(), 2 * 3600 * 1000);  // half an hour on: the thumb moves
  Tick();
  EXPECT_EQ(SliderPos(IDC_POSITION), 72001);
  EXPECT_FALSE(ThumbAt(before));
  EXPECT_TRUE(WaitsForPaint(IDC_POSITION));
}

TEST_F(PositionDisplayTest, SliderPaintWaitingFromElsewhereIsKept) {
  StartWithFile(AddFile("long.wav", 4 * 3600 * 1000));
  Tick();
  PaintAll();
  InvalidateRect(Control(IDC_POSITION), nullptr, FALSE);  // as when a window uncovers it
  sim.SetPosition(Device(), 100);
  Tick();
  EXPECT_EQ(SliderPos(IDC_POSITION), 2);
  EXPECT_TRUE(WaitsForPaint(IDC_POSITION));
}

TEST_F(PositionDisplayTest, HiddenOrMinimisedWindowStillFollowsTheDevice) {
  StartWithFile(AddFile("talk.wav", 120000));
  for (const int show : {SW_HIDE, SW_MINIMIZE}) {
    SCOPED_TRACE(show);
    ShowWindow(window, show);
    sim.SetPosition(Device(), show == SW_HIDE ? 30000 : 45000);
    Tick();
    EXPECT_EQ(SliderPos(IDC_POSITION), show == SW_HIDE ? 301 : 451);
    EXPECT_EQ(StatusText(kStatusPosition), show == SW_HIDE ? " 0:30.000" : " 0:45.000");
    ShowWindow(window, SW_RESTORE);
  }
}

}  // namespace
