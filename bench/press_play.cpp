// Presses Play in the running Dorvane: posts the toolbar's Play command to
// the main window whose caption starts with the given text, as a click on
// the button would. Exit code 0 when a window got it.
//
//   press_play [caption start] [/minimise]
//
// With /minimise the window is then minimised, as the taskbar would (the
// bench's display has no window manager to do it), so nothing is painted.
#include <windows.h>

#include <cstring>
#include <string>
#include <string_view>

#include "res/resource.h"

namespace {

struct Search {
  const char* prefix;
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  char caption[300] = "";
  GetWindowTextA(window, caption, sizeof caption);
  if (std::strncmp(caption, search->prefix, std::strlen(search->prefix)) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  std::string prefix = commandLine;
  constexpr std::string_view kMinimise = "/minimise";
  const bool minimise = prefix.size() >= kMinimise.size() &&
                        prefix.compare(prefix.size() - kMinimise.size(), kMinimise.size(), kMinimise) == 0;
  if (minimise) prefix.resize(prefix.find_last_not_of(' ', prefix.size() - kMinimise.size() - 1) + 1);
  // A text with blanks arrives in quotes.
  if (prefix.size() >= 2 && prefix.front() == '"' && prefix.back() == '"') prefix = prefix.substr(1, prefix.size() - 2);
  if (prefix.empty()) prefix = "Dorvane:";
  Search search{prefix.c_str(), nullptr};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return 1;
  if (!PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(IDT_PLAY, BN_CLICKED), 0)) return 1;
  if (minimise) ShowWindow(search.found, SW_MINIMIZE);
  return 0;
}
