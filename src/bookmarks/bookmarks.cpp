#include "bookmarks/bookmarks.h"

#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "app/file_io.h"
#include "app/player_state.h"
#include "playback/mci.h"
#include "playback/position_text.h"
#include "playback/transport.h"
#include "res/resource.h"
#include "text/legacy_code_page.h"

BookmarkTable bookmarks{};

namespace {

constexpr std::size_t kSlots = kBookmarkSlots;
constexpr UINT kAppendAtEnd = static_cast<UINT>(-1);  // an item id no item has

// The name typed into the name dialog. The dialog ends with 1 when it holds a
// name (a dialog's result is not wide enough for a pointer under every
// system) and with 0 when cancelled. It takes 49 characters of any script
// (up to 4 bytes each), so the cut to the 49 bytes of a name is Dorvane's
// own, between two characters, not the system's.
char typedName[4 * kBookmarkNameMax + 1];

HMENU BookmarkMenu(HWND window) { return GetSubMenu(GetMenu(window), MENUPOS_BOOKMARK); }

std::string FilePathOf(const char* mediaPath) {
  return BookmarkFilePath(player.programDir, mediaPath != nullptr ? mediaPath : "");
}

void AppendSeparator(HWND window) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_TYPE;
  info.fType = MFT_SEPARATOR;
  InsertMenuItemA(BookmarkMenu(window), kAppendAtEnd, FALSE, &info);
}

// The slot's item, appended at the end of the menu. It carries the position
// as its data, which is what going to the bookmark reads.
void AppendBookmarkItem(HWND window, std::size_t slot) {
  const Bookmark& b = bookmarks[slot];
  std::string text = BookmarkMenuText(BookmarkName(b), b.position);
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_ID | MIIM_TYPE | MIIM_DATA;
  info.fType = MFT_STRING;
  info.wID = IDM_BOOKMARK_FIRST + static_cast<UINT>(slot);
  info.dwItemData = static_cast<ULONG_PTR>(static_cast<LONG_PTR>(b.position));
  info.dwTypeData = text.data();
  InsertMenuItemA(BookmarkMenu(window), kAppendAtEnd, FALSE, &info);
}

// Saves the text whole or not at all; a failure shows the system's message
// and leaves the old file as it was.
void WriteWholeFile(HWND window, const std::string& path, std::string_view text) {
  if (const DWORD error = ReplaceWithText(path, text); error != 0) ShowSystemError(window, error);
}

// The bookmark file of the open media file exists but could not be read: it
// holds bookmarks this session never saw, so it is neither written nor
// deleted until the media file is closed.
bool bookmarkFileUnread = false;

// Reads the first bytes of a bookmark file into bytes. 0, or the error that
// kept an existing file from being opened or read; a file that does not
// exist reads as empty.
DWORD ReadBookmarkFile(const std::string& path, char* bytes, DWORD size, DWORD& read) {
  read = 0;
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
  }
  if (ReadFile(file.Get(), bytes, size, &read, nullptr) == 0) {
    read = 0;
    const DWORD error = GetLastError();
    return error != 0 ? error : ERROR_READ_FAULT;
  }
  return 0;
}

// Puts the bookmarks of the open media file on disk at once, so that a
// crash or a power cut loses none: the file holds them all, or is deleted
// when none is left, as a close leaves it.
void StoreBookmarks(HWND window) {
  if (!player.isOpen || bookmarkFileUnread) return;
  const std::string path = FilePathOf(player.openMediaPath);
  if (player.bookmarkCount > 0) {
    WriteWholeFile(window, path, WriteBookmarkText(bookmarks));
  } else {
    DeleteFileA(path.c_str());
  }
}

void RemoveAllItems(HWND window) {
  HMENU menu = BookmarkMenu(window);
  for (std::int32_t i = 0; i <= player.bookmarkCount; ++i) DeleteMenu(menu, 1, MF_BYPOSITION);
  player.bookmarkCount = 0;
}

// The slot a new bookmark of this name goes into: the slot that has the name
// already (in use or not), else the first free one. kSlots when none is left.
std::size_t ChooseSlot(std::string_view name) {
  for (std::size_t i = 0; i < kSlots; ++i) {
    if (BookmarkName(bookmarks[i]) == name) return i;
  }
  for (std::size_t i = 0; i < kSlots; ++i) {
    if (bookmarks[i].inUse == 0) return i;
  }
  return kSlots;
}

}  // namespace

void LoadBookmarks(HWND window) {
  const std::string path = FilePathOf(player.openMediaPath);
  char bytes[kBookmarkReadLimit];
  DWORD read = 0;
  bookmarkFileUnread = false;
  if (const DWORD error = ReadBookmarkFile(path, bytes, sizeof bytes, read); error != 0) {
    // Held by another program, access denied, a folder of that name: its
    // bookmarks are the user's, unread, and must not be lost.
    bookmarkFileUnread = true;
    ShowSystemError(window, error);
    return;
  }
  for (const LoadedBookmark& loaded : ReadBookmarkText(std::string_view(bytes, read), StoredTextDecoder())) {
    if (player.bookmarkCount < 0 || player.bookmarkCount >= static_cast<std::int32_t>(kSlots)) break;
    const auto slot = static_cast<std::size_t>(player.bookmarkCount);
    if (slot == 0) AppendSeparator(window);
    SetBookmarkName(bookmarks[slot], loaded.name);
    bookmarks[slot].position = loaded.position;
    bookmarks[slot].inUse = 1;
    AppendBookmarkItem(window, slot);
    ++player.bookmarkCount;
  }
}

void SaveBookmarks(HWND window, const char* mediaPath) {
  const std::string path = FilePathOf(mediaPath);
  if (bookmarkFileUnread) {
    // A file that could not be read is left as it is, whatever this session added.
    if (player.bookmarkCount > 0) RemoveAllItems(window);
  } else if (player.bookmarkCount > 0) {
    WriteWholeFile(window, path, WriteBookmarkText(bookmarks));
    RemoveAllItems(window);
  } else if (player.isOpen) {
    DeleteFileA(path.c_str());  // a file closed without bookmarks leaves no bookmark file
  }
  bookmarkFileUnread = false;
  for (Bookmark& b : bookmarks) b.inUse = 0;
}

void AddBookmark(HWND window) {
  if (!player.isOpen) return;
  if (player.bookmarkCount >= static_cast<std::int32_t>(kSlots)) {
    char text[64];
    wsprintfA(text, "Only %d bookmarks allowed.", static_cast<int>(kSlots));
    MessageBoxA(window, text, "Sorry", MB_ICONWARNING);
    return;
  }
  const std::int32_t shown = QueryMciStatus(MCI_STATUS_POSITION, false);
  const INT_PTR result = DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_POSITION_TEXT), window,
                                         BookmarkNameDialogProc, static_cast<LPARAM>(shown));
  if (result != 1) return;  // cancelled, or the dialog could not be shown
  // The file may have been closed while the dialog was open.
  if (!player.isOpen) return;
  const std::string name = BookmarkNameFromText(typedName);

  const std::size_t slot = ChooseSlot(name);
  if (slot == kSlots) return;
  const bool replacing = bookmarks[slot].inUse != 0;
  if (replacing) DeleteMenu(BookmarkMenu(window), IDM_BOOKMARK_FIRST + static_cast<UINT>(slot), MF_BYCOMMAND);
  if (player.bookmarkCount == 0) AppendSeparator(window);

  Bookmark& b = bookmarks[slot];
  b.inUse = 1;
  b.position = QueryMciStatus(MCI_STATUS_POSITION, true);  // where the media stands now
  SetBookmarkName(b, name);
  AppendBookmarkItem(window, slot);
  if (!replacing) ++player.bookmarkCount;
  StoreBookmarks(window);
}

void GoToBookmark(HWND window, int id) {
  if (!player.isOpen) return;
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_DATA;
  // An id without an item (a command sent for a deleted bookmark) goes nowhere.
  if (GetMenuItemInfoA(BookmarkMenu(window), static_cast<UINT>(id), FALSE, &info) == 0) return;
  SeekTo(static_cast<std::int32_t>(static_cast<LONG_PTR>(info.dwItemData)));
}

BOOL DeleteBookmark(HWND window) {
  const int id = player.lastMenuItem;
  if (id < IDM_BOOKMARK_FIRST || id > IDM_BOOKMARK_LAST) return FALSE;
  Bookmark& b = bookmarks[static_cast<std::size_t>(id - IDM_BOOKMARK_FIRST)];
  if (b.inUse != 0) {
    HMENU menu = BookmarkMenu(window);
    DeleteMenu(menu, static_cast<UINT>(id), MF_BYCOMMAND);
    b.inUse = 0;
    --player.bookmarkCount;
    if (player.bookmarkCount == 0) DeleteMenu(menu, 1, MF_BYPOSITION);  // the separator
    StoreBookmarks(window);
  }
  return TRUE;
}

INT_PTR CALLBACK BookmarkNameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const std::string title = "Name Bookmark at " + FormatPosition(static_cast<std::int32_t>(lParam));
      SetWindowTextA(dialog, title.c_str());
      SetDlgItemTextA(dialog, IDC_POSITION_EDIT, "");
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        typedName[0] = '\0';
        GetDlgItemTextA(dialog, IDC_POSITION_EDIT, typedName, sizeof typedName);
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
