#include "filesel/media_filter.h"

#include <algorithm>

namespace {

// The closing pair "All Files (*.*)" / "*.*" and the empty string after it:
// 16 + 4 + 1 bytes.
constexpr std::string_view kAllFilesPair{"All Files (*.*)\0*.*\0", 20};
constexpr std::size_t kClosingBytes = kAllFilesPair.size() + 1;

// Offered when the system lists no media types at all.
constexpr std::string_view kFallbackPairs{
    "Wave Audio Files (*.wav)\0*.wav\0Video for Windows (*.avi)\0*.avi\0", 63};

// Every media file at once, before "All Files (*.*)"; its patterns are too
// many to repeat in the label.
constexpr std::string_view kAllMediaLabel = "All media files";

std::string_view AsCString(std::string_view text) { return text.substr(0, text.find('\0')); }

void AppendString(std::string& out, std::string_view s) {
  out += s;
  out += '\0';
}

}  // namespace

void AddMediaExtension(MediaTypeTable& table, std::string_view extension, std::string_view deviceType) {
  extension = AsCString(extension);
  deviceType = AsCString(deviceType).substr(0, kDeviceTypeMax);

  std::string pattern = "*.";
  pattern += extension;
  pattern += ';';
  if (pattern.size() > kPatternsMax) return;  // fits no row

  const int count = std::clamp(table.count, 0, static_cast<int>(kMaxMediaTypes));
  const auto used = table.rows.begin() + count;
  auto row = std::find_if(table.rows.begin(), used,
                          [&](const MediaTypeEntry& e) { return e.deviceType == deviceType; });
  if (row == used) {
    if (count == static_cast<int>(kMaxMediaTypes)) return;
    row->deviceType = std::string(deviceType);
    row->patterns.clear();
    table.count = count + 1;
  }
  if (row->patterns.find(pattern) != std::string::npos) return;
  if (row->patterns.size() + pattern.size() > kPatternsMax) return;
  row->patterns += pattern;
}

void AddProfileSection(MediaTypeTable& table, std::string_view section) {
  while (!section.empty()) {
    const std::size_t end = section.find('\0');
    const std::string_view line = section.substr(0, end);
    if (line.empty()) break;  // the empty line that ends the section
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos) {
      AddMediaExtension(table, line.substr(0, equals), line.substr(equals + 1));
    }
    if (end == std::string_view::npos) break;
    section.remove_prefix(end + 1);
  }
}

void AddOwnDeviceExtensions(MediaTypeTable& table, std::span<const std::string_view> extensions) {
  const int count = std::clamp(table.count, 0, static_cast<int>(kMaxMediaTypes));
  auto lower = [](std::string text) {
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
  };
  std::string listed;
  for (int i = 0; i < count; ++i) listed += lower(table.rows[static_cast<std::size_t>(i)].patterns);
  for (const std::string_view extension : extensions) {
    const std::string pattern = "*." + std::string(extension) + ";";
    if (listed.find(pattern) == std::string::npos) AddMediaExtension(table, extension, kOwnDeviceType);
  }
}

MediaFilter BuildMediaFilterText(const MediaTypeTable& table, std::string_view mediaPath, bool allMedia) {
  const std::size_t dot = mediaPath.rfind('.');
  const std::string_view extension = dot == std::string_view::npos ? "*.wav" : mediaPath.substr(dot);

  MediaFilter filter;
  const int count = std::clamp(table.count, 0, static_cast<int>(kMaxMediaTypes));
  int listed = 0;       // pairs written so far
  int defaultRow = 0;   // place in the list of the first listed row that matches
  std::string every;    // the patterns of the listed rows, each once
  for (int i = 0; i < count; ++i) {
    const MediaTypeEntry& row = table.rows[static_cast<std::size_t>(i)];
    const std::string_view type = AsCString(row.deviceType);
    std::string_view patterns = AsCString(row.patterns);
    if (!patterns.empty() && patterns.back() == ';') patterns.remove_suffix(1);
    if (patterns.empty()) continue;  // lists no files, and an empty string would end the list
    // "<type> (<patterns>)\0<patterns>\0"
    const std::size_t need = type.size() + 2 * patterns.size() + 5;
    if (filter.text.size() + need + kClosingBytes > kMediaFilterSize) continue;
    std::string label(type);
    label += " (";
    label += patterns;
    label += ')';
    AppendString(filter.text, label);
    AppendString(filter.text, patterns);
    for (std::size_t at = 0; at < patterns.size();) {
      const std::size_t end = std::min(patterns.find(';', at), patterns.size());
      const std::string pattern = std::string(patterns.substr(at, end - at)) + ';';
      if ((';' + every).find(';' + pattern) == std::string::npos) every += pattern;
      at = end + 1;
    }
    ++listed;
    if (defaultRow == 0 && patterns.find(extension) != std::string_view::npos) defaultRow = listed;
  }
  if (count == 0) filter.text += kFallbackPairs;
  if (!every.empty()) every.pop_back();
  int allFilesEntry = listed + 1;
  if (allMedia && listed >= 2 &&
      filter.text.size() + kAllMediaLabel.size() + every.size() + 2 + kClosingBytes <= kMediaFilterBufferSize) {
    AppendString(filter.text, kAllMediaLabel);
    AppendString(filter.text, every);
    ++allFilesEntry;
  }
  filter.text += kAllFilesPair;
  filter.text += '\0';

  // Without rows the wave-audio fallback entry is the default; otherwise the
  // matching row, or "All Files (*.*)".
  filter.defaultIndex = count == 0 ? 1 : (defaultRow != 0 ? defaultRow : allFilesEntry);
  return filter;
}
