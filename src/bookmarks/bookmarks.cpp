#include "bookmarks/bookmarks.h"

#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
// system) and with 0 when cancelled. It takes more than a name's 49
// characters of any script (up to 4 bytes each), so that the cut to 49 is
// Dorvane's own, between two characters, and can be told to the typist.
char typedName[8 * kBookmarkNameBytes + 1];

HMENU BookmarkMenu(HWND window) { return GetSubMenu(GetMenu(window), MENUPOS_BOOKMARK); }

std::string FilePathOf(std::string_view mediaPath) { return BookmarkFilePath(player.programDir, mediaPath); }

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
// holds bookmarks this session never saw, so it is never written or deleted
// while it stays unread. Each store tries to read it again and merges.
bool bookmarkFileUnread = false;

// Reads a bookmark file: 0, or the error that kept an existing file from
// being opened or read; a file that does not exist reads as empty.
DWORD ReadBookmarkFile(const std::string& path, std::string& bytes) {
  const DWORD error = ReadFileStart(path, kBookmarkReadLimit, bytes);
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
}

void RemoveAllItems(HWND window);

// Fills the table and the menu from the loaded bookmarks, in their order.
void ShowBookmarks(HWND window, const std::vector<LoadedBookmark>& loaded) {
  RemoveAllItems(window);
  for (Bookmark& b : bookmarks) b = Bookmark{};
  for (const LoadedBookmark& one : loaded) {
    const auto slot = static_cast<std::size_t>(player.bookmarkCount);
    if (slot >= kSlots) break;
    if (slot == 0) AppendSeparator(window);
    SetBookmarkName(bookmarks[slot], one.name);
    bookmarks[slot].position = one.position;
    bookmarks[slot].inUse = 1;
    AppendBookmarkItem(window, slot);
    ++player.bookmarkCount;
  }
}

// The bookmarks of this session (the slots in use, in slot order).
std::vector<LoadedBookmark> SessionBookmarks() {
  std::vector<LoadedBookmark> session;
  for (const Bookmark& b : bookmarks) {
    if (b.inUse != 0) session.push_back({std::string(BookmarkName(b)), b.position});
  }
  return session;
}

// Tries once more to read a bookmark file that could not be read. When it
// can be read now, its bookmarks and the session's are merged into the
// table and the menu, and the file counts as read. 0, or the error.
DWORD RetryUnreadFile(HWND window, const std::string& path) {
  std::string bytes;
  const DWORD error = ReadBookmarkFile(path, bytes);
  if (error != 0) return error;
  ShowBookmarks(window, MergeBookmarks(ReadBookmarkText(bytes, StoredTextDecoder()), SessionBookmarks()));
  bookmarkFileUnread = false;
  return 0;
}

// The warning while the bookmark file stays unreadable: it names the file and
// the system's reason, and says what happens to this session's bookmarks.
void WarnUnsaved(HWND window, const std::string& path, DWORD error, std::string_view what) {
  std::string text = "The bookmark file " + path + " cannot be used: " + SystemMessage(error);
  text += what;
  MessageBoxA(window, text.c_str(), "Bookmarks not saved", MB_ICONWARNING);
}

// Puts the bookmarks of the open media file on disk at once, so that a
// crash or a power cut loses none: the file holds them all, or is deleted
// when none is left, as a close leaves it.
void StoreBookmarks(HWND window) {
  if (!player.isOpen) return;
  const std::string path = FilePathOf(player.openMediaPath);
  if (bookmarkFileUnread) {
    if (const DWORD error = RetryUnreadFile(window, path); error != 0) {
      WarnUnsaved(window, path, error,
                  "\nThe bookmarks of this session will be saved as soon as the file can be read.");
      return;
    }
  }
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
  std::string bytes;
  bookmarkFileUnread = false;
  if (const DWORD error = ReadBookmarkFile(path, bytes); error != 0) {
    // Held without sharing, access denied, a folder of that name: its
    // bookmarks are the user's, unread, and must not be lost.
    bookmarkFileUnread = true;
    ShowSystemError(window, error);
    return;
  }
  ShowBookmarks(window, ReadBookmarkText(bytes, StoredTextDecoder()));
}

void SaveBookmarks(HWND window, const char* mediaPath) {
  const std::string path = FilePathOf(mediaPath != nullptr ? mediaPath : "");
  DWORD error = 0;
  if (bookmarkFileUnread && player.bookmarkCount > 0) {
    error = RetryUnreadFile(window, path);
  } else if (bookmarkFileUnread) {
    // Nothing of this session to keep: the unread file is left as it is.
  } else if (player.bookmarkCount > 0) {
    error = ReplaceWithText(path, WriteBookmarkText(bookmarks));
  } else if (player.isOpen) {
    DeleteFileA(path.c_str());  // a file closed without bookmarks leaves no bookmark file
  }
  if (bookmarkFileUnread && error == 0 && player.bookmarkCount > 0) {
    error = ReplaceWithText(path, WriteBookmarkText(bookmarks));  // read at last, and merged
  }
  if (error != 0) {
    // The file cannot be read or written to the end: it keeps its bytes, and
    // this session's bookmarks go beside it, so that none is lost.
    const std::string unsaved = UnsavedBookmarkFilePath(path);
    if (const DWORD writeError = ReplaceWithText(unsaved, WriteBookmarkText(bookmarks)); writeError != 0) {
      WarnUnsaved(window, path, error,
                  "\nThe bookmarks of this session could not be saved beside it either: " + SystemMessage(writeError));
    } else {
      WarnUnsaved(window, path, error, "\nThe bookmarks of this session were saved to " + unsaved + ".");
    }
  }
  if (player.bookmarkCount > 0) RemoveAllItems(window);
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
  bool cut = false;
  const std::string name = BookmarkNameFromText(typedName, &cut);
  if (cut) {
    const std::string text = "A bookmark name holds at most 49 characters. The bookmark is named \"" + name + "\".";
    MessageBoxA(window, text.c_str(), "Bookmark name shortened", MB_ICONINFORMATION);
  }

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
