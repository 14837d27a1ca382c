// Bookmark file reader on arbitrary bytes: the result must fit the table, and
// writing it and reading it again must give the same bookmarks whenever the
// written text fits the part of a file that is read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bookmarks/bookmark_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto loaded = ReadBookmarkText(bytes);
  if (loaded.size() > kBookmarkSlots) std::abort();

  BookmarkTable table{};
  for (std::size_t i = 0; i < loaded.size(); ++i) {
    const auto& b = loaded[i];
    if (b.name.empty() || b.name.size() > kBookmarkNameMax) std::abort();
    SetBookmarkName(table[i], b.name);
    if (BookmarkName(table[i]) != b.name) std::abort();
    table[i].position = b.position;
    table[i].inUse = 1;
  }

  const std::string text = WriteBookmarkText(table);
  const auto again = ReadBookmarkText(text);
  if (again.size() > kBookmarkSlots) std::abort();
  for (const auto& b : again) {
    if (b.name.empty() || b.name.size() > kBookmarkNameMax) std::abort();
  }
  if (text.size() <= kBookmarkReadLimit) {
    if (again.size() != loaded.size()) std::abort();
    for (std::size_t i = 0; i < loaded.size(); ++i) {
      if (again[i].name != loaded[i].name || again[i].position != loaded[i].position) std::abort();
    }
  }
  return 0;
}
