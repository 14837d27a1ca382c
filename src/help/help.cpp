#include "help/help.h"

#include <htmlhelp.h>

#include <string>

#include "app/player_state.h"
#include "app/system_library.h"
#include "help/help_choice.h"

static_assert(kHelpContext == HELP_CONTEXT && kHelpQuit == HELP_QUIT && kHelpContents == HELP_CONTENTS);
static_assert(kHhDisplayToc == HH_DISPLAY_TOC && kHhHelpContext == HH_HELP_CONTEXT && kHhCloseAll == HH_CLOSE_ALL);

WinHelpFn winHelpHook = WinHelpA;
HtmlHelpFn htmlHelpHook = HtmlHelpFromLibrary;

namespace {

HMODULE htmlHelpLibrary = nullptr;
HtmlHelpFn htmlHelpEntry = nullptr;

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

HWND WINAPI HtmlHelpFromLibrary(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
  if (command == HH_CLOSE_ALL) {
    // Nothing was opened when the library was never loaded.
    // The viewer stays loaded: its windows and threads may still be going
    // away when the program ends, and unloading it under them crashes.
    if (htmlHelpEntry != nullptr) htmlHelpEntry(nullptr, nullptr, HH_CLOSE_ALL, 0);
    return nullptr;
  }
  if (htmlHelpEntry == nullptr) {
    // From the system folder only: a copy planted beside the program (in
    // Downloads, say) must never run inside Dorvane.
    if (htmlHelpLibrary == nullptr) htmlHelpLibrary = LoadSystemLibrary("hhctrl.ocx");
    if (htmlHelpLibrary != nullptr) {
      htmlHelpEntry = reinterpret_cast<HtmlHelpFn>(
          reinterpret_cast<void*>(GetProcAddress(htmlHelpLibrary, "HtmlHelpA")));
    }
  }
  if (htmlHelpEntry == nullptr) {
    MessageBoxA(caller, "The HTML Help viewer (hhctrl.ocx) is not installed on this computer, so the help cannot be shown.",
                "Error", MB_ICONWARNING);
    return nullptr;
  }
  return htmlHelpEntry(caller, file, command, data);
}

void CallHelp(HWND window, UINT command, ULONG_PTR data) {
  const std::string winHelpPath = HelpFilePath(player.programDir, kWinHelpFile);
  const std::string htmlHelpPath = HelpFilePath(player.programDir, kHtmlHelpFile);
  switch (ChooseHelpEngine(FileExists(winHelpPath), FileExists(htmlHelpPath))) {
    case HelpEngine::kWinHelp:
      winHelpHook(window, winHelpPath.c_str(), command, data);
      return;
    case HelpEngine::kHtmlHelp: {
      const HtmlHelpRequest request = HtmlHelpFor(command);
      if (!request.send) return;
      htmlHelpHook(request.withFile ? window : nullptr, request.withFile ? htmlHelpPath.c_str() : nullptr,
                   request.command, request.withFile ? data : 0);
      return;
    }
    case HelpEngine::kNone:
      if (command != HELP_QUIT) {
        MessageBoxA(window, MissingHelpText(player.programDir).c_str(), "Error", MB_ICONWARNING);
      }
      return;
  }
}
