#include "audio/mp3_frames.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Layer III bitrates in kbit/s by bitrate index; 0 (free format) and 15 are not taken.
constexpr std::array<int, 16> kBitratesV1{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<int, 16> kBitratesV2{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr std::array<int, 3> kRatesV1{44100, 48000, 32000};

// How far the search for the first frame goes before the file is taken for
// no mp3 at all. Once a stream was found, a search for its lost frames goes
// on to the end of the file: a long hole or a picture may lie between them.
constexpr std::uint64_t kMaxFirstSearchBytes = 1 << 20;

int SideInfoBytes(const Mp3Header& h) {
  const bool mono = h.channels == 1;
  return h.version == 10 ? (mono ? 17 : 32) : (mono ? 9 : 17);
}

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

// The bytes of an ID3v2 tag at `at` that ends inside the file, else 0.
std::uint64_t TagAt(ByteWindow& bytes, std::uint64_t at) {
  std::uint8_t id3[10];
  if (!bytes.Read(at, id3, sizeof id3)) return 0;
  const std::uint64_t tag = Id3v2TagBytes(id3);
  return tag <= bytes.Size() - at ? tag : 0;
}

// Searches from `from` for a confirmed frame, stepping over ID3v2 tags whole
// (a cover picture may hold anything that looks like frames); the file's size
// when none is found within `limit` bytes.
std::uint64_t FindFrame(ByteWindow& bytes, std::uint64_t from, const Mp3Header* stream, Mp3Header& header,
                        std::uint64_t limit) {
  const std::uint64_t end = bytes.Size();
  for (std::uint64_t at = from; at + 4 <= end && at - from < limit; ++at) {
    std::uint8_t first;
    if (!bytes.Read(at, &first, 1)) break;
    if (first == 0xFF && ConfirmedFrameAt(bytes, at, stream, header)) return at;
    if (first == 'I') {
      if (const std::uint64_t tag = TagAt(bytes, at); tag != 0) at += tag - 1;
    }
  }
  return end;
}

// The bit reservoir reach of the frame at `at`: the main_data_begin field,
// the first of the side information.
std::uint16_t MainDataBeginAt(ByteWindow& bytes, std::uint64_t at, const Mp3Header& h) {
  std::uint8_t b[2];
  if (!bytes.Read(at + static_cast<std::uint64_t>(h.sideBytes - SideInfoBytes(h)), b, 2)) return 0;
  return static_cast<std::uint16_t>(h.version == 10 ? (b[0] << 1) | (b[1] >> 7) : b[0]);
}

// Reads a Xing/Info frame and the LAME tag that follows it. True when the
// frame is one (and so carries no audio).
bool ReadInfoFrame(ByteWindow& bytes, std::uint64_t at, const Mp3Header& header, Mp3Index& index) {
  const int side = header.sideBytes;
  const std::uint64_t tag = at + static_cast<std::uint64_t>(side);
  std::array<std::uint8_t, 120 + 24> info{};
  const std::size_t need = 16;
  if (static_cast<int>(side + need) > header.frameBytes || !bytes.Read(tag, info.data(), need)) return false;
  if (std::memcmp(info.data(), "Xing", 4) != 0 && std::memcmp(info.data(), "Info", 4) != 0) return false;
  // The LAME tag begins 120 bytes after "Xing" when all four optional Xing
  // fields are present, which LAME always writes; the first is the count of
  // audio frames.
  const std::uint32_t flags = ReadBe32(info.data() + 4);
  if ((flags & 3) == 3) {  // the counts of frames and of bytes
    index.infoFrameCount = ReadBe32(info.data() + 8);
    index.infoStreamEnd = at + ReadBe32(info.data() + 12);
  }
  if ((flags & 0xF) == 0xF && side + static_cast<int>(info.size()) <= header.frameBytes &&
      bytes.Read(tag, info.data(), info.size())) {
    const std::uint8_t* lame = info.data() + 120;
    if (std::memcmp(lame, "LAME", 4) == 0 || std::memcmp(lame, "Lavc", 4) == 0 || std::memcmp(lame, "Lavf", 4) == 0) {
      index.encoderDelay = (lame[21] << 4) | (lame[22] >> 4);
      index.encoderPadding = ((lame[22] & 0x0F) << 8) | lame[23];
      index.hasDelayTag = true;
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
  const bool crc = ((word >> 16) & 1) == 0;
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
  h.sideBytes = 4 + (crc ? 2 : 0) + SideInfoBytes(h);
  h.valid = h.frameBytes > h.sideBytes;
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

std::uint64_t Mp3Index::FirstFrameToDecode(std::uint64_t target) const {
  const std::uint64_t frames = mainDataBegin.size();
  if (frames == 0) return 0;
  target = std::min(target, frames - 1);
  // MPEG-1 frames hold two granules, so the frame before gives the overlap
  // and the synthesis filter's memory; MPEG-2 frames hold one, and the
  // filter's memory of the frame before depends on the overlap of the one
  // before that.
  const std::uint64_t before = format.samplesPerFrame == 1152 ? 1 : 2;
  const std::uint64_t lowest = target > before ? target - before : 0;
  std::uint64_t first = lowest;
  for (std::uint64_t frame = lowest; frame <= target; ++frame) {
    std::uint64_t reach = frame;
    for (std::uint32_t need = mainDataBegin[frame]; need > 0 && reach > 0;) {
      --reach;
      need -= std::min<std::uint32_t>(need, mainDataBytes[reach]);
    }
    first = std::min(first, reach);
  }
  return first;
}

bool Mp3Index::InfoFrameCoversFile(std::uint64_t fileSize) const {
  // What may follow the stream: an ID3v1 tag, an APE tag, lyrics.
  constexpr std::uint64_t kTrailingTagBytes = 16 * 1024;
  // No layer III frame is shorter (MPEG-2 at 8 kbit/s and 24 kHz): a count
  // of more frames than the file could hold is not the file's.
  constexpr std::uint64_t kShortestFrameBytes = 24;
  return infoFrameCount > 0 && infoFrameCount <= fileSize / kShortestFrameBytes && infoStreamEnd <= fileSize &&
         fileSize - infoStreamEnd <= kTrailingTagBytes;
}

std::uint64_t Mp3Index::PlayableSamples(std::uint64_t frames) const {
  const std::uint64_t all = frames * static_cast<std::uint64_t>(format.samplesPerFrame);
  const std::uint64_t dropped = static_cast<std::uint64_t>(encoderDelay) + static_cast<std::uint64_t>(encoderPadding);
  return all > dropped ? all - dropped : 0;
}

Mp3Scanner::Mp3Scanner(std::uint64_t fileSize, ReadAtFn read) : bytes_(fileSize, std::move(read)) {
  // One or more ID3v2 tags; one that passes the end of the file is a lie,
  // and the search for audio starts right after its header instead.
  std::uint64_t at = 0;
  for (int tags = 0; tags < 8; ++tags) {
    std::uint8_t id3[10];
    if (!bytes_.Read(at, id3, sizeof id3)) break;
    const std::uint64_t tag = Id3v2TagBytes(id3);
    if (tag == 0) break;
    at = (tag > fileSize - at) ? at + 10 : at + tag;
  }

  Mp3Header first;
  at_ = fileSize;
  at = FindFrame(bytes_, at, nullptr, first, kMaxFirstSearchBytes);
  if (at >= fileSize) return;
  start_.format = first;
  if (ReadInfoFrame(bytes_, at, first, start_)) {
    start_.hasInfoFrame = true;
    at += static_cast<std::uint64_t>(first.frameBytes);
  }
  at_ = start_.audioStart = at;
}

bool Mp3Scanner::More(Mp3Index& index, std::size_t maxFrames) {
  const std::uint64_t fileSize = bytes_.Size();
  for (std::size_t n = 0; n < maxFrames; ++n) {
    if (at_ + 4 > fileSize) return false;
    Mp3Header header;
    if (!HeaderAt(bytes_, at_, header) || !SameStream(start_.format, header) ||
        at_ + static_cast<std::uint64_t>(header.frameBytes) > fileSize) {
      // Lost the stream (garbage, a trailing tag, a cut-off frame): search on.
      at_ = FindFrame(bytes_, at_, &start_.format, header, fileSize);
      if (at_ >= fileSize) return false;
    }
    index.frameOffsets.push_back(at_);
    index.mainDataBegin.push_back(MainDataBeginAt(bytes_, at_, header));
    index.mainDataBytes.push_back(static_cast<std::uint16_t>(header.frameBytes - header.sideBytes));
    at_ += static_cast<std::uint64_t>(header.frameBytes);
  }
  return true;
}

std::uint64_t Mp3Index::EstimatedFrames(std::uint64_t fileSize) const {
  if (InfoFrameCoversFile(fileSize)) return infoFrameCount;
  if (!format.valid || fileSize <= audioStart) return 0;
  // A frame's bytes without padding, and the share of a byte that padding
  // adds to each frame on average.
  const double frameBytes = (format.version == 10 ? 144.0 : 72.0) * format.bitrateKbps * 1000 / format.sampleRate;
  return static_cast<std::uint64_t>(static_cast<double>(fileSize - audioStart) / frameBytes + 0.5);
}

Mp3Index BuildMp3Index(std::uint64_t fileSize, const ReadAtFn& read) {
  Mp3Scanner scanner(fileSize, read);
  Mp3Index index = scanner.Start();
  while (scanner.More(index, ~std::size_t{0})) {
  }
  if (index.frameOffsets.empty()) index.format = Mp3Header{};
  return index;
}

Mp3Index ProbeMp3(std::uint64_t fileSize, const ReadAtFn& read) { return Mp3Scanner(fileSize, read).Start(); }
