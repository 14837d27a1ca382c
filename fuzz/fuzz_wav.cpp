// Arbitrary bytes as a wav file: the layout found must lie inside the file.
#include "audio/wav_format.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const WavLayout w = ParseWav(size, MemoryReader({data, size}));
  if (w.error != WavError::kNone) return 0;
  if (w.dataOffset > size || w.dataBytes > size - w.dataOffset) __builtin_trap();
  if (w.blockAlign != w.channels * w.bitsPerSample / 8 || w.dataBytes % static_cast<unsigned>(w.blockAlign) != 0) __builtin_trap();
  if (w.sampleRate < 1000 || w.sampleRate > 384000) __builtin_trap();
  return 0;
}
