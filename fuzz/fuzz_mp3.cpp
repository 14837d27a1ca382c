// Arbitrary bytes as an mp3 file: every indexed frame must be a whole frame of
// one stream inside the file, in increasing order.
#include "audio/mp3_frames.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Mp3Index index = BuildMp3Index(size, MemoryReader({data, size}));
  std::uint64_t end = 0;
  for (std::uint64_t at : index.frameOffsets) {
    if (at < end || at + 4 > size) __builtin_trap();
    const Mp3Header h = ParseMp3Header(ReadBe32(data + at));
    if (!h.valid || !SameStream(h, index.format)) __builtin_trap();
    end = at + static_cast<std::uint64_t>(h.frameBytes);
    if (end > size) __builtin_trap();
  }
  if (index.PlayableSamples() > index.frameOffsets.size() * 1152) __builtin_trap();
  return 0;
}
