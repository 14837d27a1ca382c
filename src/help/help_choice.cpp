#include "help/help_choice.h"

HelpEngine ChooseHelpEngine(bool winHelpFileExists, bool htmlHelpFileExists) {
  if (htmlHelpFileExists) return HelpEngine::kHtmlHelp;
  if (winHelpFileExists) return HelpEngine::kWinHelp;
  return HelpEngine::kNone;
}

HtmlHelpRequest HtmlHelpFor(unsigned winHelpCommand) {
  switch (winHelpCommand) {
    case kHelpContext: return {true, kHhHelpContext, true};
    case kHelpContents: return {true, kHhDisplayToc, true};
    case kHelpQuit: return {true, kHhCloseAll, false};
    default: return {false, 0, false};
  }
}

std::string HelpFilePath(std::string_view programDir, std::string_view name) {
  std::string path;
  path.reserve(programDir.size() + 1 + name.size());
  path.append(programDir).append("\\").append(name);
  return path;
}

std::string MissingHelpText(std::string_view programDir) {
  return "The help file " + HelpFilePath(programDir, kHtmlHelpFile) +
         " is missing. Copy dorvane.chm from the Dorvane package into the folder of Dorvane.exe.";
}
