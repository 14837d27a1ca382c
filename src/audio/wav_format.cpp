#include "audio/wav_format.h"

#include <array>
#include <cstring>
#include <limits>

namespace {

constexpr int kMaxChunks = 4096;  // a file of thousands of tiny chunks is not a recording

bool IsChunkId(const std::uint8_t* id) {
  for (int i = 0; i < 4; ++i)
    if (id[i] < 0x20 || id[i] > 0x7E) return false;
  return true;
}

// fmt chunk: PCM (1) or WAVE_FORMAT_EXTENSIBLE (0xFFFE) whose sub-format is PCM.
WavError ReadFormat(const std::uint8_t* fmt, std::uint32_t size, WavLayout& out) {
  if (size < 16) return WavError::kUnsupported;
  std::uint16_t tag = ReadLe16(fmt);
  if (tag == 0xFFFE) tag = size >= 26 ? ReadLe16(fmt + 24) : 0;
  const int channels = ReadLe16(fmt + 2);
  const std::uint32_t rate = ReadLe32(fmt + 4);
  const int bits = ReadLe16(fmt + 14);
  if (tag != 1 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16) || rate < 1000 ||
      rate > 384000)
    return WavError::kUnsupported;
  out.channels = channels;
  out.sampleRate = static_cast<int>(rate);
  out.bitsPerSample = bits;
  out.blockAlign = channels * bits / 8;  // the header's own value is not trusted
  return WavError::kNone;
}

}  // namespace

WavLayout ParseWav(std::uint64_t fileSize, const ReadAtFn& read) {
  WavLayout out;
  std::array<std::uint8_t, 12> riff{};
  if (fileSize < 12 || read(0, riff) != riff.size() || std::memcmp(riff.data(), "RIFF", 4) != 0 ||
      std::memcmp(riff.data() + 8, "WAVE", 4) != 0)
    return out;  // kNotWave

  bool haveFormat = false, haveData = false;
  WavError formatError = WavError::kNoFormat;
  std::uint64_t dataOffset = 0, dataSize = 0;
  std::uint64_t at = 12;
  for (int chunk = 0; chunk < kMaxChunks && at + 8 <= fileSize && !(haveFormat && haveData); ++chunk) {
    std::array<std::uint8_t, 8> head{};
    if (read(at, head) != head.size()) break;
    const std::uint32_t size = ReadLe32(head.data() + 4);
    const std::uint64_t body = at + 8;
    if (std::memcmp(head.data(), "fmt ", 4) == 0 && !haveFormat) {
      std::array<std::uint8_t, 40> fmt{};
      const std::size_t want = size < fmt.size() ? size : fmt.size();
      const std::size_t got = read(body, {fmt.data(), want});
      formatError = ReadFormat(fmt.data(), static_cast<std::uint32_t>(got), out);
      haveFormat = formatError == WavError::kNone;
      if (!haveFormat) break;  // an unknown format stays unknown, whatever follows
    } else if (std::memcmp(head.data(), "data", 4) == 0 && !haveData) {
      haveData = true;
      dataOffset = body;
      // Writers that stream leave 0 or 0xFFFFFFFF here; a size past the end
      // is cut to what the file holds.
      const std::uint64_t rest = fileSize - body;
      dataSize = (size == 0 || size == 0xFFFFFFFFu || size > rest) ? rest : size;
    }
    std::uint64_t next = body + size;
    if (size & 1) {
      // RIFF pads odd chunks to even sizes, but some writers forget: follow the
      // pad byte only when a chunk id is found after it and not without it.
      std::array<std::uint8_t, 4> padded{}, unpadded{};
      const bool withPad = read(next + 1, padded) == 4 && IsChunkId(padded.data());
      const bool withoutPad = read(next, unpadded) == 4 && IsChunkId(unpadded.data());
      if (withPad || !withoutPad) next += 1;
    }
    at = next;
  }

  if (!haveFormat) {
    out.error = formatError;
    return out;
  }
  if (!haveData) {
    out.error = WavError::kNoData;
    return out;
  }
  out.error = WavError::kNone;
  out.dataOffset = dataOffset;
  out.dataBytes = dataSize - dataSize % static_cast<std::uint64_t>(out.blockAlign);
  return out;
}

std::int32_t FramesToMs(std::uint64_t frames, int sampleRate) {
  if (sampleRate <= 0) return 0;
  const std::uint64_t ms = frames * 1000 / static_cast<std::uint64_t>(sampleRate);
  return ms > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())
             ? std::numeric_limits<std::int32_t>::max()
             : static_cast<std::int32_t>(ms);
}

std::uint64_t MsToFrames(std::int64_t ms, int sampleRate) {
  if (ms <= 0 || sampleRate <= 0) return 0;
  return (static_cast<std::uint64_t>(ms) * static_cast<std::uint64_t>(sampleRate) + 999) / 1000;
}
