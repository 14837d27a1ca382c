// Media type table and filter text on arbitrary registry values, profile
// section and media path. Input layout, parts separated by the byte 0xFE:
//   1. registry values, one per '\n'-separated line, "extension=device type"
//      (a line without '=' is an extension with an empty device type);
//   2. the profile section, raw (NUL-separated lines);
//   3. the media path.
// The filter must stay within 800 bytes (with "All media files", within the
// room kept for it, which always holds it), be a well-formed list of pairs
// ending with "All Files (*.*)", "*.*" and the empty string, and its default
// entry must be one of the listed entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "filesel/media_filter.h"

namespace {

std::string_view NextPart(std::string_view& rest, char separator) {
  const std::size_t end = rest.find(separator);
  const std::string_view part = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::string_view registry = NextPart(rest, '\xFE');
  const std::string_view section = NextPart(rest, '\xFE');
  const std::string_view mediaPath = rest;

  MediaTypeTable table;
  while (!registry.empty()) {
    const std::string_view line = NextPart(registry, '\n');
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      AddMediaExtension(table, line, "");
    } else {
      AddMediaExtension(table, line.substr(0, equals), line.substr(equals + 1));
    }
  }
  AddProfileSection(table, section);

  if (table.count < 0 || table.count > static_cast<int>(kMaxMediaTypes)) std::abort();
  for (int i = 0; i < table.count; ++i) {
    const MediaTypeEntry& row = table.rows[static_cast<std::size_t>(i)];
    if (row.deviceType.size() > kDeviceTypeMax || row.patterns.size() > kPatternsMax) std::abort();
    if (row.patterns.empty() || row.patterns.back() != ';') std::abort();
    if (row.deviceType.find('\0') != std::string::npos || row.patterns.find('\0') != std::string::npos) {
      std::abort();
    }
  }

  int rowEntries = 0;  // entries without "All media files"
  for (const bool allMedia : {false, true}) {
    const MediaFilter filter = BuildMediaFilterText(table, mediaPath, allMedia);
    const std::string& text = filter.text;
    static constexpr std::string_view kEnd{"All Files (*.*)\0*.*\0\0", 21};
    if (text.size() > (allMedia ? kMediaFilterBufferSize : kMediaFilterSize) || text.size() < kEnd.size()) std::abort();
    if (text.substr(text.size() - kEnd.size()) != kEnd) std::abort();

    // Every string before the final empty one is non-empty, and they pair up.
    int strings = 0;
    std::size_t start = 0;
    while (start < text.size() - 1) {
      const std::size_t end = text.find('\0', start);
      if (end == std::string::npos || end == start) std::abort();
      ++strings;
      start = end + 1;
    }
    if (start != text.size() - 1 || strings % 2 != 0) std::abort();
    const int entries = strings / 2;
    if (filter.defaultIndex < 1 || filter.defaultIndex > entries) std::abort();
    // The room kept for "All media files" always holds it.
    const int listedRows = table.count == 0 ? 0 : rowEntries - 1;
    if (allMedia && entries != rowEntries + (listedRows >= 2 ? 1 : 0)) std::abort();
    rowEntries = entries;
  }
  return 0;
}
