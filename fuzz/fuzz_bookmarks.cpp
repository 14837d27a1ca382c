// Bookmark file reader on arbitrary bytes: the result must fit the table,
// every name must be well-formed UTF-8 (legacy and broken bytes decoded), and
// writing it and reading it again must give the same bookmarks whenever the
// written text fits the part of a file that is read. The decoding and the
// cut between characters are checked on the raw bytes as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bookmarks/bookmark_text.h"
#include "text/utf8_text.h"

namespace {

// A name as the table holds it: 1 to 49 characters, within the slot's bytes.
bool FitsASlot(std::string_view name) {
  return !name.empty() && name.size() <= kBookmarkNameBytes && FirstCharacters(name, kBookmarkNameMax) == name;
}

void CheckDecodingAndCuts(std::string_view bytes) {
  const std::string text = TextFromStoredBytes(bytes);
  if (!IsValidUtf8(text)) std::abort();
  if (IsValidUtf8(bytes) && text != bytes) std::abort();
  for (const std::size_t max : {std::size_t{0}, std::size_t{1}, bytes.size() / 2, kBookmarkNameMax}) {
    const std::size_t cut = Utf8CutLength(text, max);
    if (cut > max) std::abort();
    if (cut > text.size() || !IsValidUtf8(text.substr(0, cut))) std::abort();
    if (cut < max && cut < text.size() && cut + 4 <= max) std::abort();  // cut no earlier than needed
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckDecodingAndCuts(bytes);
  for (const auto& kept : ReadBookmarkText(bytes, nullptr)) {  // a process not in UTF-8
    if (!FitsASlot(kept.name)) std::abort();
  }
  const auto loaded = ReadBookmarkText(bytes);
  if (loaded.size() > kBookmarkSlots) std::abort();

  BookmarkTable table{};
  for (std::size_t i = 0; i < loaded.size(); ++i) {
    const auto& b = loaded[i];
    if (!FitsASlot(b.name) || !IsValidUtf8(b.name)) std::abort();
    SetBookmarkName(table[i], b.name);
    if (BookmarkName(table[i]) != b.name) std::abort();
    table[i].position = b.position;
    table[i].inUse = 1;
  }

  const std::string text = WriteBookmarkText(table);
  const auto again = ReadBookmarkText(text);
  if (again.size() > kBookmarkSlots) std::abort();
  for (const auto& b : again) {
    if (!FitsASlot(b.name)) std::abort();
  }
  if (text.size() <= kBookmarkReadLimit) {
    if (again.size() != loaded.size()) std::abort();
    for (std::size_t i = 0; i < loaded.size(); ++i) {
      if (again[i].name != loaded[i].name || again[i].position != loaded[i].position) std::abort();
    }
  }
  return 0;
}
