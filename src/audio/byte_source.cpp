#include "audio/byte_source.h"

#include <algorithm>
#include <cstring>

ReadAtFn MemoryReader(std::span<const std::uint8_t> bytes) {
  return [bytes](std::uint64_t offset, std::span<std::uint8_t> into) -> std::size_t {
    if (offset >= bytes.size()) return 0;
    const std::size_t n = std::min<std::uint64_t>(into.size(), bytes.size() - offset);
    std::memcpy(into.data(), bytes.data() + offset, n);
    return n;
  };
}

ByteWindow::ByteWindow(std::uint64_t fileSize, ReadAtFn read, std::size_t windowBytes)
    : fileSize_(fileSize), read_(std::move(read)), window_(windowBytes) {}

bool ByteWindow::Read(std::uint64_t offset, std::uint8_t* out, std::size_t count) {
  if (count > fileSize_ || offset > fileSize_ - count) return false;
  if (count > window_.size()) return read_(offset, {out, count}) == count;
  if (offset < windowStart_ || offset + count > windowStart_ + windowFill_) {
    windowStart_ = offset;
    windowFill_ = read_(offset, {window_.data(), window_.size()});
    if (windowFill_ < count) return false;
  }
  std::memcpy(out, window_.data() + (offset - windowStart_), count);
  return true;
}
