#include "keys_options.h"

#include <filesystem>
#include <fstream>

#include "settings/options_text.h"

HotKeyCodes HotKeyCodesFromOptions(std::string_view text) {
  const OptionsValues values = ReadOptionsText(text);
  HotKeyCodes codes = defaultHotKeyCodes;
  for (int id = 0; id < hotKeyCount; ++id) {
    const auto code = values.hotKeys[id];
    if (code && (*code & 0xFFFF) != 0) codes[id] = static_cast<HotKeyCode>(*code & 0xFFFF);
  }
  return codes;
}

std::optional<std::string> ReadOptionsFileHead(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string text(optionsTextLimit, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (file.bad()) return std::nullopt;
  text.resize(static_cast<std::size_t>(file.gcount()));
  return text;
}

std::optional<std::string> ExecutableFromMaps(std::string_view maps) {
  while (!maps.empty()) {
    const std::size_t end = maps.find('\n');
    std::string_view line = maps.substr(0, end);
    maps = end == std::string_view::npos ? std::string_view{} : maps.substr(end + 1);
    // address, permissions, offset, device, inode, then the path (which may hold blanks)
    for (int field = 0; field < 5 && !line.empty(); ++field) {
      const std::size_t start = line.find_first_not_of(' ');
      line = start == std::string_view::npos ? std::string_view{} : line.substr(start);
      const std::size_t blank = line.find(' ');
      line = blank == std::string_view::npos ? std::string_view{} : line.substr(blank);
    }
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) continue;
    const std::string_view path = line.substr(start);
    if (path.size() > 5 && path.front() == '/') {
      std::string tail(path.substr(path.size() - 4));
      for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      if (tail == ".exe") return std::string(path);
    }
  }
  return std::nullopt;
}
