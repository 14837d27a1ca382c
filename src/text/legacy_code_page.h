// The system's legacy ANSI code page, in which Dorvanes before UTF-8 wrote
// their options and bookmark files, and the conversion of such text.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "text/utf8_text.h"

// The ACP value under the key (the registry's text, "1251"): its code page,
// or 1252 when the value is missing, not text, or names no legacy page.
unsigned LegacyCodePageOfKey(HKEY key);

// The system's legacy code page, from
// HKLM\SYSTEM\CurrentControlSet\Control\Nls\CodePage value ACP. GetACP()
// cannot tell it: under the UTF-8 manifest it answers 65001.
unsigned LegacyCodePage();

// Bytes in the given code page as UTF-8: Windows-1252 from Dorvane's own
// table, any other page through the system. A page the system does not know
// is read as Windows-1252.
std::string LegacyToUtf8(std::string_view bytes, unsigned codePage);

// The readers' LegacyDecoder: bytes in the system's legacy code page as UTF-8.
std::string SystemLegacyToUtf8(std::string_view bytes);

// The decoder the options and bookmark readers use: SystemLegacyToUtf8 while
// the process runs in UTF-8, none (text kept as stored) on a Windows that
// ignored the manifest and runs the program in the legacy code page.
LegacyDecoder StoredTextDecoder();
