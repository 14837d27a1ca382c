#include "audio/mp3_frames.h"

#include <array>
#include <cstring>

namespace {

// Layer III bitrates in kbit/s by bitrate index; 0 (free format) and 15 are not taken.
constexpr std::array<int, 16> kBitratesV1{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<int, 16> kBitratesV2{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr std::array<int, 3> kRatesV1{44100, 48000, 32000};

// How far a search for the first frame or a lost frame goes before giving up.
constexpr std::uint64_t kMaxSearchBytes = 1 << 20;

bool HeaderAt(ByteWindow& bytes, std::uint64_t at, Mp3Header& header) {
  std::uint8_t b[4];
  if (!bytes.Read(at, b, 4)) return false;
  header = ParseMp3Header(ReadBe32(b));
  return header.valid;
}

// A frame at `at` that a second frame of the same stream follows (or the end
// of the file): one header alone is too easily found in garbage.
bool ConfirmedFrameAt(ByteWindow& bytes, std::uint64_t at, const Mp3Header* stream, Mp3Header& header) {
  if (!HeaderAt(bytes, at, header) || (stream != nullptr && !SameStream(*stream, header))) return false;
  const std::uint64_t next = at + static_cast<std::uint64_t>(header.frameBytes);
  if (next > bytes.Size()) return false;
  if (next == bytes.Size()) return true;
  Mp3Header following;
  return HeaderAt(bytes, next, following) && SameStream(header, following);
}

// Searches from `from` for a confirmed frame; the file's size when none is found.
std::uint64_t FindFrame(ByteWindow& bytes, std::uint64_t from, const Mp3Header* stream, Mp3Header& header) {
  const std::uint64_t end = bytes.Size();
  for (std::uint64_t at = from; at + 4 <= end && at - from < kMaxSearchBytes; ++at) {
    std::uint8_t first;
    if (!bytes.Read(at, &first, 1)) break;
    if (first == 0xFF && ConfirmedFrameAt(bytes, at, stream, header)) return at;
  }
  return end;
}

// Reads a Xing/Info frame and the LAME tag that follows it. True when the
// frame is one (and so carries no audio).
bool ReadInfoFrame(ByteWindow& bytes, std::uint64_t at, const Mp3Header& header, Mp3Index& index) {
  const bool mono = header.channels == 1;
  const int sideInfo = header.version == 10 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const std::uint64_t tag = at + 4 + static_cast<std::uint64_t>(sideInfo);
  std::array<std::uint8_t, 120 + 24> info{};
  const std::size_t need = 8;
  if (static_cast<int>(4 + sideInfo + need) > header.frameBytes || !bytes.Read(tag, info.data(), need)) return false;
  if (std::memcmp(info.data(), "Xing", 4) != 0 && std::memcmp(info.data(), "Info", 4) != 0) return false;
  // The LAME tag begins 120 bytes after "Xing" when all four optional Xing
  // fields are present, which LAME always writes.
  const std::uint32_t flags = ReadBe32(info.data() + 4);
  if ((flags & 0xF) == 0xF && 4 + sideInfo + static_cast<int>(info.size()) <= header.frameBytes &&
      bytes.Read(tag, info.data(), info.size())) {
    const std::uint8_t* lame = info.data() + 120;
    if (std::memcmp(lame, "LAME", 4) == 0 || std::memcmp(lame, "Lavc", 4) == 0 || std::memcmp(lame, "Lavf", 4) == 0) {
      index.encoderDelay = (lame[21] << 4) | (lame[22] >> 4);
      index.encoderPadding = ((lame[22] & 0x0F) << 8) | lame[23];
    }
  }
  return true;
}

}  // namespace

Mp3Header ParseMp3Header(std::uint32_t word) {
  Mp3Header h;
  if ((word >> 21) != 0x7FF) return h;
  const int versionBits = (word >> 19) & 3;  // 0: 2.5, 1: reserved, 2: 2, 3: 1
  const int layerBits = (word >> 17) & 3;     // 1: layer III
  const int bitrateIndex = (word >> 12) & 15;
  const int rateIndex = (word >> 10) & 3;
  const int padding = (word >> 9) & 1;
  const int mode = (word >> 6) & 3;
  if (versionBits == 1 || layerBits != 1 || rateIndex == 3) return h;
  h.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
  const bool v1 = h.version == 10;
  h.bitrateKbps = (v1 ? kBitratesV1 : kBitratesV2)[bitrateIndex];
  if (h.bitrateKbps == 0) return h;
  h.sampleRate = kRatesV1[rateIndex] / (v1 ? 1 : h.version == 20 ? 2 : 4);
  h.channels = mode == 3 ? 1 : 2;
  h.samplesPerFrame = v1 ? 1152 : 576;
  h.frameBytes = (v1 ? 144 : 72) * h.bitrateKbps * 1000 / h.sampleRate + padding;
  h.valid = true;
  return h;
}

bool SameStream(const Mp3Header& a, const Mp3Header& b) {
  return a.version == b.version && a.sampleRate == b.sampleRate && a.channels == b.channels;
}

std::uint64_t Id3v2TagBytes(const std::uint8_t* b) {
  if (std::memcmp(b, "ID3", 3) != 0 || b[3] == 0xFF || b[4] == 0xFF) return 0;
  if ((b[6] | b[7] | b[8] | b[9]) & 0x80) return 0;  // sizes are 7 bits a byte
  const std::uint64_t body = (static_cast<std::uint64_t>(b[6]) << 21) | (b[7] << 14) | (b[8] << 7) | b[9];
  const bool footer = (b[5] & 0x10) != 0;
  return 10 + body + (footer ? 10 : 0);
}

std::uint64_t Mp3Index::PlayableSamples() const {
  const std::uint64_t all = frameOffsets.size() * static_cast<std::uint64_t>(format.samplesPerFrame);
  const std::uint64_t dropped = static_cast<std::uint64_t>(encoderDelay) + static_cast<std::uint64_t>(encoderPadding);
  return all > dropped ? all - dropped : 0;
}

Mp3Index BuildMp3Index(std::uint64_t fileSize, const ReadAtFn& read) {
  Mp3Index index;
  ByteWindow bytes(fileSize, read);

  // One or more ID3v2 tags; one that passes the end of the file is a lie,
  // and the search for audio starts right after its header instead.
  std::uint64_t at = 0;
  for (int tags = 0; tags < 8; ++tags) {
    std::uint8_t id3[10];
    if (!bytes.Read(at, id3, sizeof id3)) break;
    const std::uint64_t tag = Id3v2TagBytes(id3);
    if (tag == 0) break;
    at = (tag > fileSize - at) ? at + 10 : at + tag;
  }

  Mp3Header first;
  at = FindFrame(bytes, at, nullptr, first);
  if (at >= fileSize) return index;
  index.format = first;
  if (ReadInfoFrame(bytes, at, first, index)) {
    index.hasInfoFrame = true;
    at += static_cast<std::uint64_t>(first.frameBytes);
  }

  while (at + 4 <= fileSize) {
    Mp3Header header;
    if (!HeaderAt(bytes, at, header) || !SameStream(index.format, header) ||
        at + static_cast<std::uint64_t>(header.frameBytes) > fileSize) {
      // Lost the stream (garbage, a trailing tag, a cut-off frame): search on.
      at = FindFrame(bytes, at + 1, &index.format, header);
      if (at >= fileSize) break;
    }
    index.frameOffsets.push_back(at);
    at += static_cast<std::uint64_t>(header.frameBytes);
  }
  if (index.frameOffsets.empty()) index.format = Mp3Header{};
  return index;
}
