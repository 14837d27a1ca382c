#include "app/command_line.h"

std::string MediaPathFromCommandLine(std::string_view text) {
  if (text.find_first_not_of(" \t") == std::string_view::npos) return {};
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  return std::string(text);
}

std::string ProgramDirOf(std::string_view modulePath) {
  const auto slash = modulePath.rfind('\\');
  return std::string(slash == std::string_view::npos ? modulePath : modulePath.substr(0, slash));
}

std::string HandedOverText(std::string_view bytes) {
  bytes = bytes.substr(0, kHandOverLimit);
  return std::string(bytes.substr(0, bytes.find('\0')));
}
