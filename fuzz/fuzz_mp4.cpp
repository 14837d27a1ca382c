// Arbitrary bytes as an MP4 file and as decoded buffers: the priming found is
// at most a second, the sample table is read safely, and a buffer's placement
// never drops or keeps more frames than it holds.
#include "audio/mf_media_type.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (Mp4AudioPrimingFrames(size, MemoryReader({data, size}), 48000) > 48000) __builtin_trap();
  Mp4SoundSampleFrames(size, MemoryReader({data, size}), 44100);  // the sanitizers watch the sample table's reading
  if (size < 24) return 0;
  std::int64_t stamp;
  std::uint64_t next, bytes;
  std::memcpy(&stamp, data, 8);
  std::memcpy(&next, data + 8, 8);
  std::memcpy(&bytes, data + 16, 8);
  const MfPcmFormat format{1 + (data[0] & 1), 8000 + (data[1] << 8)};
  const auto place = PlaceMfBuffer(stamp, static_cast<std::size_t>(bytes % (kMfMaxBufferBytes * 2)), format, next);
  if (place && (place->drop + place->keep) * 2 * format.channels != bytes % (kMfMaxBufferBytes * 2)) __builtin_trap();
  if (place && place->silence > kMfMaxAheadMs * format.sampleRate / 1000) __builtin_trap();
  return 0;
}
