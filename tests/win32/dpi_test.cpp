// The window at the screen's DPI: status-bar edges scaled from the 96-DPI
// table, again on WM_DPICHANGED, and the toolbar's image size. ctest runs
// these cases twice: in the usual Wine prefix (96 DPI) and in one whose
// LogPixels is 144, with DORVANE_EXPECT_DPI naming the DPI that run must see.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "app/window_dpi.h"
#include "app/window_parts.h"
#include "res/resource.h"
#include "support/main_window_fixture.h"

namespace {

// The edges at 96 DPI (the first five as wide as their longest texts).
constexpr std::array<int, 6> kEdgesAt96{65, 130, 185, 240, 295, -1};

class DpiTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    CreateMainWindow("");
  }
  std::vector<int> Edges() {
    std::vector<int> edges(8, 0);
    const auto parts = static_cast<int>(
        SendDlgItemMessageA(window, IDC_STATUSBAR, SB_GETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data())));
    edges.resize(parts);
    return edges;
  }
  static std::vector<int> Expected(unsigned dpi) {
    std::vector<int> edges;
    for (int edge : kEdgesAt96) edges.push_back(edge < 0 ? -1 : MulDiv(edge, dpi, 96));
    return edges;
  }
  void ExpectToolbarAt(unsigned dpi);
  void SendDpiChanged(unsigned dpi) {
    RECT rect{};
    GetWindowRect(window, &rect);
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rect));
  }
};

TEST_F(DpiTest, TheRunSeesTheDpiItWasStartedFor) {
  const char* expected = std::getenv("DORVANE_EXPECT_DPI");
  if (expected == nullptr) GTEST_SKIP() << "no DPI asked for";
  EXPECT_EQ(WindowDpi(window), static_cast<unsigned>(std::atoi(expected)));
}

TEST_F(DpiTest, StatusBarEdgesAreTheTableScaledToTheWindowsDpi) {
  const unsigned dpi = WindowDpi(window);
  EXPECT_EQ(Edges(), Expected(dpi)) << "at " << dpi << " DPI";
  if (dpi == 144) EXPECT_EQ(Edges(), (std::vector<int>{98, 195, 278, 360, 443, -1})) << "1.5 times the 96-DPI edges";
}

TEST_F(DpiTest, AMoveToAScreenOfAnotherScaleRescalesTheEdges) {
  for (unsigned dpi : {192u, 120u, 96u, 144u}) {
    SendDpiChanged(dpi);
    EXPECT_EQ(Edges(), Expected(dpi)) << "after WM_DPICHANGED to " << dpi;
  }
  EXPECT_NE(StatusText(kStatusHotKeys), "") << "the legend is still in its part";
}

TEST_F(DpiTest, ToolbarImagesHaveTheSizeOfTheDpiAlsoAfterAMove) {
  const unsigned dpi = WindowDpi(window);
  ExpectToolbarAt(dpi);
  SendDlgItemMessageA(window, IDC_TOOLBAR, TB_CHECKBUTTON, IDT_PAUSE, TRUE);
  SendDlgItemMessageA(window, IDC_TOOLBAR, TB_ENABLEBUTTON, IDT_PLAY, FALSE);
  for (unsigned moved : {192u, 144u, 96u}) {
    SendDpiChanged(moved);
    ExpectToolbarAt(moved);
    EXPECT_TRUE(SendDlgItemMessageA(window, IDC_TOOLBAR, TB_ISBUTTONCHECKED, IDT_PAUSE, 0)) << "kept its state";
    EXPECT_FALSE(SendDlgItemMessageA(window, IDC_TOOLBAR, TB_ISBUTTONENABLED, IDT_PLAY, 0));
  }
}

TEST_F(DpiTest, TheWindowUsesTheShellFontAndEveryLabelHoldsItsText) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  LOGFONTA face{};
  ASSERT_TRUE(GetObjectA(font, sizeof face, &face));
  EXPECT_STRNE(face.lfFaceName, "MS Sans Serif") << "a bitmap font without Cyrillic or Chinese";
  for (int id : {IDC_LOOPS_LABEL, IDC_WALKPAUSE_LABEL, IDC_WALKLENGTH_LABEL, IDC_BACKSPACE_LABEL, IDC_SPEED_LABEL,
                 IDC_UNPAUSEREW_LABEL}) {
    HWND label = GetDlgItem(window, id);
    char text[64] = "";
    GetWindowTextA(label, text, sizeof text);
    RECT room{};
    GetClientRect(label, &room);
    RECT needed = room;
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    EXPECT_LE(needed.bottom, room.bottom) << text << " at " << WindowDpi(window) << " DPI";
    EXPECT_LE(needed.right, room.right) << text;
  }
}

void DpiTest::ExpectToolbarAt(unsigned dpi) {
  auto images = reinterpret_cast<HIMAGELIST>(SendDlgItemMessageA(window, IDC_TOOLBAR, TB_GETIMAGELIST, 0, 0));
  ASSERT_NE(images, nullptr);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(images, &cx, &cy);
  const int side = dpi >= 192 ? 32 : dpi >= 144 ? 24 : 16;
  EXPECT_EQ(cx, side) << "at " << dpi << " DPI";
  EXPECT_GE(ImageList_GetImageCount(images), 5 + 15) << "ours, then the standard images";
  TBBUTTON open{};
  SendDlgItemMessageA(window, IDC_TOOLBAR, TB_GETBUTTON, 0, reinterpret_cast<LPARAM>(&open));
  EXPECT_EQ(open.iBitmap, 12) << "the standard file-open image follows our five";
}

}  // namespace
