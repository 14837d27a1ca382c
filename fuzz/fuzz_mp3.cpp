// Arbitrary bytes as an mp3 file: every indexed frame must be a whole frame of
// one stream inside the file, in increasing order, with its reservoir fields
// read from its own side information; a seek's first frame to decode never
// lies after its target; the probe of the file's start agrees with the index,
// and so does an index built a few frames at a time.
#include "audio/mp3_frames.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Mp3Index index = BuildMp3Index(size, MemoryReader({data, size}));
  const std::size_t frames = index.frameOffsets.size();
  if (index.mainDataBegin.size() != frames || index.mainDataBytes.size() != frames) __builtin_trap();
  std::uint64_t end = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    const std::uint64_t at = index.frameOffsets[i];
    if (at < end || at + 4 > size) __builtin_trap();
    const Mp3Header h = ParseMp3Header(ReadBe32(data + at));
    if (!h.valid || !SameStream(h, index.format)) __builtin_trap();
    end = at + static_cast<std::uint64_t>(h.frameBytes);
    if (end > size) __builtin_trap();
    if (index.mainDataBytes[i] != h.frameBytes - h.sideBytes) __builtin_trap();
    if (index.mainDataBegin[i] > (h.version == 10 ? 511 : 255)) __builtin_trap();
    const std::uint64_t first = index.FirstFrameToDecode(i);
    if (first > i || (i >= 2 && first > i - 1)) __builtin_trap();
  }
  if (index.PlayableSamples() > frames * 1152) __builtin_trap();
  // The probe that opening reads finds the same stream and Info frame.
  const Mp3Index probe = ProbeMp3(size, MemoryReader({data, size}));
  if (frames > 0 && (!SameStream(probe.format, index.format) || probe.infoFrameCount != index.infoFrameCount ||
                     probe.encoderDelay != index.encoderDelay || !probe.Empty()))
    __builtin_trap();
  // Built a few frames at a time, as while a file plays, the index is the
  // same; the estimate before it never counts more frames than bytes.
  Mp3Scanner scanner(size, MemoryReader({data, size}));
  Mp3Index pieces = scanner.Start();
  while (scanner.More(pieces, 3)) {
  }
  if (frames > 0 && (pieces.frameOffsets != index.frameOffsets || pieces.mainDataBegin != index.mainDataBegin))
    __builtin_trap();
  if (probe.EstimatedFrames(size) > size) __builtin_trap();
  return 0;
}
