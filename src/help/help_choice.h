// Which help engine answers a help call, and what it is asked: portable, so
// the choice and the command mapping are tested without a window.
#pragma once
#include <string>
#include <string_view>

// The two help files, looked for in the program directory.
inline constexpr std::string_view kWinHelpFile = "dorvane.hlp";
inline constexpr std::string_view kHtmlHelpFile = "dorvane.chm";

// HTML Help on the compiled guide when it is there; WinHelp only for a
// dorvane.hlp alone (WinHelp does not run on Windows 10 and 11, so a stale
// .hlp beside the .chm must not take F1 away); with neither the user is told
// which file is missing.
enum class HelpEngine { kWinHelp, kHtmlHelp, kNone };
HelpEngine ChooseHelpEngine(bool winHelpFileExists, bool htmlHelpFileExists);

// The three WinHelp commands Dorvane sends, with the HTML Help command each
// becomes. Values are those of <winuser.h> and <htmlhelp.h>.
inline constexpr unsigned kHelpContext = 0x0001;   // HELP_CONTEXT
inline constexpr unsigned kHelpQuit = 0x0002;      // HELP_QUIT
inline constexpr unsigned kHelpContents = 0x0003;  // HELP_CONTENTS
inline constexpr unsigned kHhDisplayToc = 0x0001;  // HH_DISPLAY_TOC
inline constexpr unsigned kHhHelpContext = 0x000F; // HH_HELP_CONTEXT
inline constexpr unsigned kHhCloseAll = 0x0012;    // HH_CLOSE_ALL

struct HtmlHelpRequest {
  bool send;         // false for a command HTML Help has no counterpart for
  unsigned command;  // HH_...
  bool withFile;     // HH_CLOSE_ALL names no file
};
HtmlHelpRequest HtmlHelpFor(unsigned winHelpCommand);

// "<dir>\<name>", as long as it needs to be: a program directory of 259
// characters still gives the whole path.
std::string HelpFilePath(std::string_view programDir, std::string_view name);

// The text shown when F1 finds no help file at all.
std::string MissingHelpText(std::string_view programDir);
