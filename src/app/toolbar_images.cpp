#include "app/toolbar_images.h"

#include <commctrl.h>

#include "app/dpi_scale.h"
#include "app/player_state.h"
#include "res/resource.h"

namespace {

constexpr int kOwnImages = 5;  // rewind, fast forward, play, pause, walk
constexpr int kStandardSmall = 16;

// The standard small colour images, each doubled to 32 x 32 without
// smoothing, as one bitmap on the button face colour (which the toolbar
// makes transparent). Made once per process: the toolbar keeps using it.
HBITMAP DoubledStandardImages(HWND toolbar) {
  static HBITMAP doubled = nullptr;
  if (doubled != nullptr) return doubled;
  // A hidden toolbar loads the standard images into an image list of its own.
  HWND loader = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | CCS_NORESIZE | CCS_NOPARENTALIGN, 0, 0, 0, 0,
                                GetParent(toolbar), nullptr, appInstance, nullptr);
  if (loader == nullptr) return nullptr;
  SendMessageA(loader, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBADDBITMAP standard{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
  SendMessageA(loader, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&standard));
  auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(loader, TB_GETIMAGELIST, 0, 0));
  const int count = images != nullptr ? ImageList_GetImageCount(images) : 0;
  if (count > 0) {
    HDC screen = GetDC(nullptr);
    HDC small = CreateCompatibleDC(screen);
    HDC big = CreateCompatibleDC(screen);
    HBITMAP smallBitmap = CreateCompatibleBitmap(screen, kStandardSmall * count, kStandardSmall);
    doubled = CreateCompatibleBitmap(screen, 2 * kStandardSmall * count, 2 * kStandardSmall);
    HGDIOBJ oldSmall = SelectObject(small, smallBitmap);
    HGDIOBJ oldBig = SelectObject(big, doubled);
    RECT all{0, 0, kStandardSmall * count, kStandardSmall};
    FillRect(small, &all, GetSysColorBrush(COLOR_BTNFACE));
    for (int i = 0; i < count; ++i) ImageList_Draw(images, i, small, kStandardSmall * i, 0, ILD_NORMAL);
    SetStretchBltMode(big, COLORONCOLOR);
    StretchBlt(big, 0, 0, 2 * kStandardSmall * count, 2 * kStandardSmall, small, 0, 0, kStandardSmall * count,
               kStandardSmall, SRCCOPY);
    SelectObject(small, oldSmall);
    SelectObject(big, oldBig);
    DeleteObject(smallBitmap);
    DeleteDC(small);
    DeleteDC(big);
    ReleaseDC(nullptr, screen);
  }
  DestroyWindow(loader);
  return doubled;
}

}  // namespace

void AddToolbarImages(HWND toolbar, unsigned dpi) {
  const ToolbarImageSet set = ToolbarImagesFor(dpi);
  if (set.percent == 100) {
    TBADDBITMAP own{appInstance, IDB_TOOLBAR};
    SendMessageA(toolbar, TB_ADDBITMAP, kOwnImages, reinterpret_cast<LPARAM>(&own));
    TBADDBITMAP standard{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    SendMessageA(toolbar, TB_ADDBITMAP, 8, reinterpret_cast<LPARAM>(&standard));
    return;
  }
  SendMessageA(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(set.cell, set.cell));
  TBADDBITMAP own{appInstance, static_cast<UINT_PTR>(set.percent == 150 ? IDB_TOOLBAR_150 : IDB_TOOLBAR_200)};
  SendMessageA(toolbar, TB_ADDBITMAP, kOwnImages, reinterpret_cast<LPARAM>(&own));
  if (set.percent == 150) {
    TBADDBITMAP standard{HINST_COMMCTRL, IDB_STD_LARGE_COLOR};
    SendMessageA(toolbar, TB_ADDBITMAP, 8, reinterpret_cast<LPARAM>(&standard));
  } else if (HBITMAP doubled = DoubledStandardImages(toolbar)) {
    BITMAP size{};
    GetObjectA(doubled, sizeof size, &size);
    TBADDBITMAP standard{nullptr, reinterpret_cast<UINT_PTR>(doubled)};
    SendMessageA(toolbar, TB_ADDBITMAP, size.bmWidth / set.cell, reinterpret_cast<LPARAM>(&standard));
  }
}
