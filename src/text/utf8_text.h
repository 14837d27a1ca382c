// Dorvane's text is UTF-8: its manifest asks Windows (10 version 1903 and
// later) for the UTF-8 active code page, so every "A" call takes and gives
// UTF-8, and names in any script reach the files, menus and MCI whole.
// Older Dorvanes wrote their files in the system's legacy ANSI code page;
// such text is recognised by not being valid UTF-8 and converted on reading.
// Buffers count bytes, and a character takes up to four of them, so text is
// only ever cut between characters.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Well-formed UTF-8 as Unicode defines it: no overlong forms, no surrogates,
// nothing above U+10FFFF, no sequence cut short.
bool IsValidUtf8(std::string_view text);

// The length of the longest leading part of the text that is at most
// maxBytes long and ends between two characters. A byte that starts no
// well-formed sequence counts as one character of its own, so legacy text
// is cut as it always was.
std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes);
std::string_view CutAtCharacter(std::string_view text, std::size_t maxBytes);
// The leading part of the text of at most maxCharacters characters (counted
// as Utf8CutLength counts them).
std::string_view FirstCharacters(std::string_view text, std::size_t maxCharacters);

// Windows-1252 bytes as UTF-8. The five bytes that code page leaves
// unassigned (81, 8D, 8F, 90, 9D) become U+0081 and so on, as the system's
// own conversion makes them.
std::string Windows1252ToUtf8(std::string_view bytes);

// Turns bytes in the legacy code page into UTF-8.
using LegacyDecoder = std::string (*)(std::string_view bytes);

// Stored text as UTF-8: kept as it is when it is valid UTF-8, otherwise taken
// to be in the legacy code page and converted. Without a decoder the process
// does not run in UTF-8 (Windows before 1903 ignores the manifest's request),
// and the text is kept in the code page it is in, as it always was.
std::string TextFromStoredBytes(std::string_view bytes, LegacyDecoder legacy = Windows1252ToUtf8);

// The legacy code page named by the registry's ACP text (decimal, "1251").
// Text that names no usable code page gives 1252: empty, not a number, 0,
// above 65535, or UTF-7/UTF-8 (65000, 65001), which is no legacy page.
unsigned LegacyCodePageFromText(std::string_view text);
