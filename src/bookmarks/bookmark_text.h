// The bookmark table's slot type and the bookmark file's text: its path,
// its reader and its writer, and the text of a bookmark's menu item.
//
// File format: one line per bookmark, "%s\t%s\r\n" with the name and the
// position as FormatPosition writes it. No header, count or end mark.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/utf8_text.h"

inline constexpr std::size_t kBookmarkSlots = 10;       // menu ids 12000 to 12009
inline constexpr std::size_t kBookmarkNameMax = 49;     // characters of any script
inline constexpr std::size_t kBookmarkNameBytes = 4 * kBookmarkNameMax;  // UTF-8 takes up to 4 a character
// Only this many bytes of a bookmark file are read: enough for the longest
// file the writer makes, ten lines of a 49-character name, a tab, the widest
// position text ("-35791:-23.-648", 15 characters, for INT32_MIN) and CR LF,
// plus one byte. So every file Dorvane writes reads back whole.
inline constexpr std::size_t kBookmarkReadLimit = 10 * (kBookmarkNameBytes + 1 + 15 + 2) + 1;  // 2141

// One slot of the process-wide table. A zero-initialised slot is free and
// has the empty name. `name` is always zero-terminated (at most 49 characters),
// so the Win32 side can hand it to menus and compare it as a C string.
struct Bookmark {
  std::array<char, kBookmarkNameBytes + 1> name{};
  std::int32_t inUse = 0;
  std::int32_t position = 0;  // ms
};

using BookmarkTable = std::array<Bookmark, kBookmarkSlots>;

// The name held in a slot (up to its terminator, never more than 49 characters).
std::string_view BookmarkName(const Bookmark& slot);
// Stores a name in a slot: cut at an embedded NUL and after 49 characters,
// and terminated.
void SetBookmarkName(Bookmark& slot, std::string_view name);

// programDir + "\" + base name of the media path + ".BMK". The media file's
// own extension stays: C:\rec\talk.wav -> <programDir>\talk.wav.BMK.
std::string BookmarkFilePath(std::string_view programDir, std::string_view mediaPath);

struct LoadedBookmark {
  std::string name;        // UTF-8, 1 to 49 characters, none of "\r\n\t:." or NUL
  std::int32_t position;   // ms
};

// The name to store for a text the user typed: every character that would
// split the file's tokens (CR, LF, tab, colon, full stop) becomes a blank, the
// text is cut at a NUL and after 49 characters (cut, when given, tells whether
// anything was left out), and an empty text becomes a single blank. Such a
// name reads back from the bookmark file as it was stored, and never shifts
// the tokens of the bookmarks after it.
std::string BookmarkNameFromText(std::string_view text, bool* cut = nullptr);

// Reads a bookmark file's bytes. Only the first 671 bytes count, and a NUL
// byte ends the text (the file is read into a zero-terminated buffer).
// The text is cut into tokens at runs of "\r\n\t:." (leading ones skipped)
// and the tokens taken in fours: name, minutes, seconds, milliseconds.
// Numbers are read as atoi reads them but saturate at the int32 range; a
// missing number counts as 0. The position is computed in 64 bits and
// clamped to the int32 range. At most ten bookmarks are returned (further
// entries are ignored). A file that is not valid UTF-8 throughout was written
// in the legacy code page: every name in it is converted with the decoder
// (kept as it is without one). The choice is made once for the whole file,
// so an accented name that happens to look like UTF-8 is not read wrongly.
// Names keep up to 49 characters, however many bytes those take.
std::vector<LoadedBookmark> ReadBookmarkText(std::string_view bytes, LegacyDecoder legacy = Windows1252ToUtf8);

// The bookmarks of a file read late merged with those of the session: the
// file's first, in their order, then the session's; a session bookmark with
// the name of one of the file's replaces it. At most ten: when there are
// more, the file's last ones give way, never the session's.
std::vector<LoadedBookmark> MergeBookmarks(const std::vector<LoadedBookmark>& file,
                                           const std::vector<LoadedBookmark>& session);

// Where a session's bookmarks go when their own file stays unreadable to the
// end: beside it, "<base>.BMK.unsaved".
std::string UnsavedBookmarkFilePath(std::string_view bookmarkFilePath);

// One file line: "%s\t%s\r\n" with the name and FormatPosition(position).
std::string BookmarkLine(std::string_view name, std::int32_t position);
// The whole file: one line per slot in use, in slot order.
std::string WriteBookmarkText(const BookmarkTable& table);
// The Bookmark menu item's text: "%s\t%s" with the name and FormatPosition.
std::string BookmarkMenuText(std::string_view name, std::int32_t position);
