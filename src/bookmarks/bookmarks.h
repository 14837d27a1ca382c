// The bookmarks of the open media file: the table of ten slots, their items
// in the Bookmark menu, and the bookmark file in the program directory that
// is read when the media file is opened and written when it is closed.
#pragma once
#include <windows.h>

#include "bookmarks/bookmark_text.h"

// Slot i belongs to the menu command 12000 + i. A freed slot keeps its name
// and position; only inUse is cleared.
extern BookmarkTable bookmarks;

// Fills the slots from 0 and the Bookmark menu from the bookmark file of the
// open media file. A missing file gives no bookmarks; a file that exists but
// cannot be read is reported, and is then neither written nor deleted until
// the media file is closed.
void LoadBookmarks(HWND window);

// Writes the bookmarks to the bookmark file of mediaPath (replacing it in one
// step), or deletes that file when a file is open without bookmarks; then
// empties the Bookmark menu and frees every slot.
void SaveBookmarks(HWND window, const char* mediaPath);

// Command 11853: asks for a name and stores the current position under it,
// replacing a bookmark of the same name. The bookmark file is written at once.
void AddBookmark(HWND window);

// Commands 12000 to 12009: seeks to the position the menu item carries.
void GoToBookmark(HWND window, int id);

// Backspace in an open menu: deletes the bookmark whose item was highlighted
// last, and writes the bookmark file at once (deletes it with the last one). TRUE when that item is a bookmark item, FALSE otherwise.
BOOL DeleteBookmark(HWND window);

// The name dialog (template 3): ends with 1 when OK took a name (possibly
// empty; AddBookmark cuts it to a name's 49 bytes) and with 0 when cancelled.
INT_PTR CALLBACK BookmarkNameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
