// Random access to the bytes of a media file, for the portable readers: the
// shell reads a real file, tests and fuzzers read memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// Reads up to into.size() bytes at offset; returns how many it read (fewer at
// the end of the file or on a read error).
using ReadAtFn = std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> into)>;

// A read function over bytes held in memory.
ReadAtFn MemoryReader(std::span<const std::uint8_t> bytes);

// Reads through a window of a few kilobytes so that readers may ask for a
// handful of bytes at a time without a system call each.
class ByteWindow {
 public:
  ByteWindow(std::uint64_t fileSize, ReadAtFn read, std::size_t windowBytes = 64 * 1024);
  std::uint64_t Size() const { return fileSize_; }
  // Copies count bytes at offset into out; false when they are not all there.
  bool Read(std::uint64_t offset, std::uint8_t* out, std::size_t count);

 private:
  std::uint64_t fileSize_;
  ReadAtFn read_;
  std::vector<std::uint8_t> window_;
  std::uint64_t windowStart_ = 0;
  std::size_t windowFill_ = 0;
};

inline std::uint32_t ReadLe32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint16_t ReadLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t ReadBe32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
