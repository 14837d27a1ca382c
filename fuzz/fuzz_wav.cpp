// Arbitrary bytes as a wav file: the layout found must lie inside the file,
// and the reader must decode every frame it promises, from any frame on,
// without reading outside the file.
#include "audio/wav_format.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const WavLayout w = ParseWav(size, MemoryReader({data, size}));
  if (w.error != WavError::kNone) return 0;
  if (w.dataOffset > size || w.dataBytes > size - w.dataOffset) __builtin_trap();
  if (w.channels < 1 || w.channels > kMaxWavChannels || w.blockAlign <= 0 || w.framesPerBlock <= 0) __builtin_trap();
  if (w.coding != WavCoding::kImaAdpcm &&
      (w.blockAlign != w.channels * w.bitsPerSample / 8 || w.dataBytes % static_cast<unsigned>(w.blockAlign) != 0))
    __builtin_trap();
  if (w.sampleRate < 1000 || w.sampleRate > 384000) __builtin_trap();

  WavReader reader(w, MemoryReader({data, size}));
  const std::size_t channels = static_cast<std::size_t>(reader.Channels());
  if (channels < 1 || channels > 2) __builtin_trap();
  std::vector<std::int16_t> out(509 * channels);
  // From the start to the end, then from a frame inside the file.
  std::uint64_t total = 0;
  while (const std::size_t got = reader.Read(out.data(), 509)) {
    if (got > 509) __builtin_trap();
    total += got;
  }
  if (total != reader.Frames()) __builtin_trap();
  const std::uint64_t middle = reader.Frames() / 3;
  reader.Seek(middle);
  std::uint64_t rest = 0;
  while (const std::size_t got = reader.Read(out.data(), 509)) rest += got;
  if (rest != reader.Frames() - middle) __builtin_trap();
  return 0;
}
