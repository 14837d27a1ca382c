#include "bookmarks/bookmark_text.h"

#include <algorithm>
#include <limits>

#include "playback/media_name.h"
#include "playback/position_text.h"

namespace {

constexpr std::string_view kTokenDelimiters = "\r\n\t:.";

bool IsTokenDelimiter(char c) { return kTokenDelimiters.find(c) != std::string_view::npos; }

// The white space atoi skips in the C locale.
bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::int32_t ClampToInt32(std::int64_t value) {
  constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::clamp(value, lo, hi));
}

// atoi without its undefined behaviour: leading white space, an optional
// sign, then decimal digits up to the first other character. Values beyond
// the int32 range saturate; text without digits reads as 0.
std::int32_t ReadNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate the magnitude, stopping to grow once it is past the range.
  constexpr std::int64_t cap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(cap, magnitude * 10 + (text[i] - '0'));
  }
  return ClampToInt32(negative ? -magnitude : magnitude);
}

// strtok over a fixed delimiter set: each call returns the next token, or
// an empty view when the text is exhausted (tokens are never empty).
class Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : rest_(text) {}
  std::string_view Next() {
    std::size_t start = 0;
    while (start < rest_.size() && IsTokenDelimiter(rest_[start])) ++start;
    std::size_t end = start;
    while (end < rest_.size() && !IsTokenDelimiter(rest_[end])) ++end;
    const std::string_view token = rest_.substr(start, end - start);
    rest_.remove_prefix(end);
    return token;
  }

 private:
  std::string_view rest_;
};

}  // namespace

std::string_view BookmarkName(const Bookmark& slot) {
  const std::string_view field(slot.name.data(), kBookmarkNameBytes);
  return field.substr(0, field.find('\0'));
}

void SetBookmarkName(Bookmark& slot, std::string_view name) {
  name = CutAtCharacter(FirstCharacters(name.substr(0, name.find('\0')), kBookmarkNameMax), kBookmarkNameBytes);
  slot.name.fill('\0');
  std::copy(name.begin(), name.end(), slot.name.begin());
}

std::string BookmarkNameFromText(std::string_view text, bool* cut) {
  text = text.substr(0, text.find('\0'));
  std::string name(FirstCharacters(text, kBookmarkNameMax));
  if (cut != nullptr) *cut = name.size() < text.size();
  for (char& c : name) {
    if (IsTokenDelimiter(c)) c = ' ';
  }
  if (name.empty()) name = " ";
  return name;
}

std::string BookmarkFilePath(std::string_view programDir, std::string_view mediaPath) {
  std::string path(programDir);
  path += '\\';
  path += MediaBaseName(mediaPath);
  path += ".BMK";
  return path;
}

std::vector<LoadedBookmark> ReadBookmarkText(std::string_view bytes, LegacyDecoder legacy) {
  bytes = bytes.substr(0, kBookmarkReadLimit);
  bytes = bytes.substr(0, bytes.find('\0'));

  // Legacy or UTF-8 is decided once for the whole file (only names can hold
  // bytes above 127, so this is whether every name is valid UTF-8).
  const bool legacyFile = legacy != nullptr && !IsValidUtf8(bytes);

  std::vector<LoadedBookmark> loaded;
  Tokenizer tokens(bytes);
  while (loaded.size() < kBookmarkSlots) {
    const std::string_view name = tokens.Next();
    if (name.empty()) break;
    const std::int64_t minutes = ReadNumber(tokens.Next());
    const std::int64_t seconds = ReadNumber(tokens.Next());
    const std::int64_t millis = ReadNumber(tokens.Next());
    // Each term is at most 2^31 * 60000 in size, far inside int64.
    const std::int64_t position = millis + seconds * 1000 + minutes * 60000;
    // No code page's characters hold the token delimiters, so a decoded name
    // is still one token.
    const std::string text = legacyFile ? legacy(name) : std::string(name);
    loaded.push_back({std::string(FirstCharacters(text, kBookmarkNameMax)), ClampToInt32(position)});
  }
  return loaded;
}

std::string BookmarkMenuText(std::string_view name, std::int32_t position) {
  std::string text(name);
  text += '\t';
  text += FormatPosition(position);
  return text;
}

std::string BookmarkLine(std::string_view name, std::int32_t position) {
  return BookmarkMenuText(name, position) + "\r\n";
}

std::string WriteBookmarkText(const BookmarkTable& table) {
  std::string text;
  for (const Bookmark& slot : table) {
    if (slot.inUse != 0) text += BookmarkLine(BookmarkName(slot), slot.position);
  }
  return text;
}

std::vector<LoadedBookmark> MergeBookmarks(const std::vector<LoadedBookmark>& file,
                                           const std::vector<LoadedBookmark>& session) {
  const std::size_t sessionCount = std::min(session.size(), kBookmarkSlots);
  std::vector<LoadedBookmark> merged;
  for (const LoadedBookmark& kept : file) {
    if (merged.size() + sessionCount >= kBookmarkSlots) break;
    const auto sameName = [&](const LoadedBookmark& b) { return b.name == kept.name; };
    if (std::none_of(session.begin(), session.begin() + static_cast<std::ptrdiff_t>(sessionCount), sameName)) {
      merged.push_back(kept);
    }
  }
  merged.insert(merged.end(), session.begin(), session.begin() + static_cast<std::ptrdiff_t>(sessionCount));
  return merged;
}

std::string UnsavedBookmarkFilePath(std::string_view bookmarkFilePath) {
  return std::string(bookmarkFilePath) + ".unsaved";
}
