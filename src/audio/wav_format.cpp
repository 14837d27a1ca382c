#include "audio/wav_format.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int kMaxChunks = 4096;  // a file of thousands of tiny chunks is not a recording

bool IsChunkId(const std::uint8_t* id) {
  for (int i = 0; i < 4; ++i)
    if (id[i] < 0x20 || id[i] > 0x7E) return false;
  return true;
}

// Speaker positions of WAVE_FORMAT_EXTENSIBLE's channel mask, in bit order,
// and the usual masks of files that give none.
enum Side { kLeft, kRight, kCentre, kBass, kSideLeftRear, kSideRightRear };
constexpr std::array<Side, 18> kSpeakerSide = {
    kLeft, kRight, kCentre, kBass, kSideLeftRear, kSideRightRear,   // FL FR FC LFE BL BR
    kLeft, kRight, kCentre, kSideLeftRear, kSideRightRear, kCentre,  // FLC FRC BC SL SR TC
    kSideLeftRear, kCentre, kSideRightRear, kSideLeftRear, kCentre, kSideRightRear};  // TFL TFC TFR TBL TBC TBR
constexpr std::array<std::uint32_t, kMaxWavChannels + 1> kUsualMask = {
    0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x13F, 0x63F};

constexpr std::uint32_t kTagPcm = 1, kTagFloat = 3, kTagALaw = 6, kTagMuLaw = 7, kTagImaAdpcm = 0x11,
                        kTagExtensible = 0xFFFE;

// fmt chunk: the tag (or the sub-format of WAVE_FORMAT_EXTENSIBLE) and the
// sizes that coding allows. Block sizes are derived, not trusted, except for
// ADPCM, whose block size is part of the coding.
WavError ReadFormat(const std::uint8_t* fmt, std::uint32_t size, WavLayout& out) {
  if (size < 16) return WavError::kUnsupported;
  std::uint32_t tag = ReadLe16(fmt);
  std::uint32_t mask = 0;
  if (tag == kTagExtensible) {
    tag = size >= 26 ? ReadLe16(fmt + 24) : 0;
    mask = size >= 24 ? ReadLe32(fmt + 20) : 0;
  }
  const int channels = ReadLe16(fmt + 2);
  const std::uint32_t rate = ReadLe32(fmt + 4);
  const int headerAlign = ReadLe16(fmt + 12);
  int bits = ReadLe16(fmt + 14);
  if (channels < 1 || channels > kMaxWavChannels || rate < 1000 || rate > 384000) return WavError::kUnsupported;
  int align = 0, framesPerBlock = 1;
  switch (tag) {
    case kTagPcm:
      if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return WavError::kUnsupported;
      out.coding = WavCoding::kPcm;
      break;
    case kTagFloat:
      if (bits != 32 && bits != 64) return WavError::kUnsupported;
      out.coding = WavCoding::kFloat;
      break;
    case kTagALaw:
    case kTagMuLaw:
      bits = 8;  // the only size G.711 has, whatever the header says
      out.coding = tag == kTagALaw ? WavCoding::kALaw : WavCoding::kMuLaw;
      break;
    case kTagImaAdpcm: {
      // Each block: per channel a 4-byte header holding the first sample,
      // then groups of 4 bytes per channel, eight samples each.
      const int groupBytes = 4 * channels;
      if (bits != 4 || headerAlign < 2 * groupBytes || headerAlign % groupBytes != 0) return WavError::kUnsupported;
      align = headerAlign;
      framesPerBlock = 1 + 8 * (headerAlign / groupBytes - 1);
      out.coding = WavCoding::kImaAdpcm;
      break;
    }
    default: return WavError::kUnsupported;
  }
  out.channels = channels;
  out.sampleRate = static_cast<int>(rate);
  out.bitsPerSample = bits;
  out.blockAlign = align != 0 ? align : channels * bits / 8;
  out.framesPerBlock = framesPerBlock;
  // A mask that names fewer speakers than there are channels leaves the
  // rest unplaced: they go to both sides.
  out.channelMask = mask != 0 ? mask : kUsualMask[static_cast<std::size_t>(channels)];
  return WavError::kNone;
}

// Whole frames in bytes of data: whole blocks, and of a cut last ADPCM block
// its header and whole groups.
void CountFrames(std::uint64_t bytes, std::uint64_t factFrames, WavLayout& out) {
  const auto align = static_cast<std::uint64_t>(out.blockAlign);
  if (out.coding != WavCoding::kImaAdpcm) {
    out.dataBytes = bytes - bytes % align;
    out.frames = out.dataBytes / align;
    return;
  }
  const std::uint64_t group = 4 * static_cast<std::uint64_t>(out.channels);
  const std::uint64_t rest = bytes % align;
  const std::uint64_t restGroups = rest < group ? 0 : rest / group;  // the header counts as a group
  out.dataBytes = bytes - rest + restGroups * group;
  out.frames = bytes / align * static_cast<std::uint64_t>(out.framesPerBlock) +
               (restGroups == 0 ? 0 : 1 + 8 * (restGroups - 1));
  // The fact chunk tells how many of the last block's frames are real.
  if (factFrames != 0 && factFrames < out.frames) out.frames = factFrames;
}

// G.711, as the ITU tables give it, in 16-bit scale.
constexpr std::int16_t MuLawToLinear(std::uint8_t code) {
  const int u = ~code & 0xFF;
  const int t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
  return static_cast<std::int16_t>((u & 0x80) ? 0x84 - t : t - 0x84);
}
constexpr std::int16_t ALawToLinear(std::uint8_t code) {
  const int a = code ^ 0x55;
  const int segment = (a & 0x70) >> 4;
  int t = (a & 0x0F) << 4;
  t = segment == 0 ? t + 8 : (t + 0x108) << (segment - 1);
  return static_cast<std::int16_t>((a & 0x80) ? t : -t);
}
constexpr auto MakeTable(std::int16_t (*decode)(std::uint8_t)) {
  std::array<std::int16_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[static_cast<std::size_t>(i)] = decode(static_cast<std::uint8_t>(i));
  return table;
}
constexpr auto kMuLaw = MakeTable(MuLawToLinear);
constexpr auto kALaw = MakeTable(ALawToLinear);

constexpr std::array<int, 16> kImaIndexStep = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr std::array<int, 89> kImaStep = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// One IMA ADPCM channel: the predictor and step index carried from nibble to nibble.
struct ImaChannel {
  int predictor = 0;
  int index = 0;
  std::int16_t Next(int nibble) {
    const int step = kImaStep[static_cast<std::size_t>(index)];
    int diff = step >> 3;
    if (nibble & 1) diff += step >> 2;
    if (nibble & 2) diff += step >> 1;
    if (nibble & 4) diff += step;
    predictor = std::clamp((nibble & 8) ? predictor - diff : predictor + diff, -32768, 32767);
    index = std::clamp(index + kImaIndexStep[static_cast<std::size_t>(nibble)], 0, 88);
    return static_cast<std::int16_t>(predictor);
  }
};

// Decodes one ADPCM block (or the whole groups of a cut one) of bytes into
// frames x channels samples, interleaved; returns the frames.
std::size_t DecodeImaBlock(const std::uint8_t* in, std::size_t bytes, int channels, float* out) {
  const auto ch = static_cast<std::size_t>(channels);
  if (bytes < 4 * ch) return 0;
  std::array<ImaChannel, kMaxWavChannels> state{};
  for (std::size_t c = 0; c < ch; ++c) {
    state[c].predictor = static_cast<std::int16_t>(ReadLe16(in + 4 * c));
    state[c].index = std::min<int>(in[4 * c + 2], 88);
    out[c] = static_cast<float>(state[c].predictor);
  }
  const std::size_t groups = bytes / (4 * ch) - 1;
  for (std::size_t g = 0; g < groups; ++g) {
    for (std::size_t c = 0; c < ch; ++c) {
      const std::uint8_t* p = in + 4 * ch * (g + 1) + 4 * c;
      for (std::size_t k = 0; k < 8; ++k) {
        const int nibble = (p[k / 2] >> (4 * (k % 2))) & 0x0F;
        out[(1 + 8 * g + k) * ch + c] = static_cast<float>(state[c].Next(nibble));
      }
    }
  }
  return 1 + 8 * groups;
}

// One stored sample in 16-bit scale.
float Sample(const std::uint8_t* p, WavCoding coding, int bits) {
  switch (coding) {
    case WavCoding::kALaw: return kALaw[*p];
    case WavCoding::kMuLaw: return kMuLaw[*p];
    case WavCoding::kFloat: {
      if (bits == 64) {
        const std::uint64_t u = ReadLe32(p) | (static_cast<std::uint64_t>(ReadLe32(p + 4)) << 32);
        double d;
        std::memcpy(&d, &u, sizeof d);
        return static_cast<float>(d * 32768.0);
      }
      const std::uint32_t u = ReadLe32(p);
      float f;
      std::memcpy(&f, &u, sizeof f);
      return f * 32768.0f;
    }
    default: break;
  }
  switch (bits) {
    case 8: return static_cast<float>((p[0] - 128) * 256);
    case 16: return static_cast<std::int16_t>(ReadLe16(p));
    case 24: {
      const std::uint32_t u = (static_cast<std::uint32_t>(p[0]) << 8) | (p[1] << 16) | (static_cast<std::uint32_t>(p[2]) << 24);
      return static_cast<float>(static_cast<std::int32_t>(u)) / 65536.0f;
    }
    default: return static_cast<float>(static_cast<std::int32_t>(ReadLe32(p))) / 65536.0f;
  }
}

std::int16_t ToSample(float v) {
  if (!(v == v)) return 0;  // NaN in a float file is silence
  return static_cast<std::int16_t>(std::clamp(std::nearbyint(v), -32768.0f, 32767.0f));
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
  std::uint64_t dataOffset = 0, dataSize = 0, factFrames = 0;
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
    } else if (std::memcmp(head.data(), "fact", 4) == 0 && size >= 4) {
      std::array<std::uint8_t, 4> fact{};
      if (read(body, fact) == fact.size()) factFrames = ReadLe32(fact.data());
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
  CountFrames(dataSize, factFrames, out);
  return out;
}

WavReader::WavReader(const WavLayout& layout, ReadAtFn read) : layout_(layout), read_(std::move(read)) {
  const int channels = layout_.channels;
  outChannels_ = std::min(channels, 2);
  if (channels <= 2) return;
  // Each channel goes to its side, the centre and unplaced channels to both
  // at -3 dB, the rear and side ones at -3 dB, the bass channel nowhere.
  // Each side is scaled so that channels unlike each other keep their
  // loudness together; alike ones that sum past full scale are clipped.
  constexpr float kHalfPower = 0.70710678f;
  gainLeft_.assign(static_cast<std::size_t>(channels), kHalfPower);
  gainRight_.assign(static_cast<std::size_t>(channels), kHalfPower);
  std::size_t channel = 0;
  for (std::size_t bit = 0; bit < kSpeakerSide.size() && channel < gainLeft_.size(); ++bit) {
    if (!(layout_.channelMask & (1u << bit))) continue;
    float& l = gainLeft_[channel];
    float& r = gainRight_[channel];
    switch (kSpeakerSide[bit]) {
      case kLeft: l = 1, r = 0; break;
      case kRight: l = 0, r = 1; break;
      case kCentre: break;
      case kBass: l = r = 0; break;
      case kSideLeftRear: r = 0; break;
      case kSideRightRear: l = 0; break;
    }
    ++channel;
  }
  for (auto* gains : {&gainLeft_, &gainRight_}) {
    float power = 0;
    for (float g : *gains) power += g * g;
    for (float& g : *gains) g /= std::sqrt(std::max(power, 1.0f));
  }
}

void WavReader::Mix(const float* in, std::size_t frames, std::int16_t* out) const {
  const auto ch = static_cast<std::size_t>(layout_.channels);
  if (ch <= 2) {
    for (std::size_t i = 0; i < frames * ch; ++i) out[i] = ToSample(in[i]);
    return;
  }
  for (std::size_t f = 0; f < frames; ++f) {
    float l = 0, r = 0;
    for (std::size_t c = 0; c < ch; ++c) {
      l += gainLeft_[c] * in[f * ch + c];
      r += gainRight_[c] * in[f * ch + c];
    }
    out[2 * f] = ToSample(l);
    out[2 * f + 1] = ToSample(r);
  }
}

std::size_t WavReader::Read(std::int16_t* out, std::size_t maxFrames) {
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(maxFrames, layout_.frames - next_));
  const std::size_t got = layout_.coding == WavCoding::kImaAdpcm ? ReadAdpcm(out, want) : ReadFrames(out, want);
  next_ += got;
  return got;
}

std::size_t WavReader::ReadFrames(std::int16_t* out, std::size_t frames) {
  const auto align = static_cast<std::size_t>(layout_.blockAlign);
  const auto ch = static_cast<std::size_t>(layout_.channels);
  const std::size_t width = align / ch;
  if (frames == 0) return 0;
  raw_.resize(frames * align);
  const std::size_t whole = read_(layout_.dataOffset + next_ * align, raw_) / align;
  if (layout_.coding == WavCoding::kPcm && width == 2 && ch <= 2) {  // the usual file: no arithmetic
    for (std::size_t i = 0; i < whole * ch; ++i) out[i] = static_cast<std::int16_t>(ReadLe16(&raw_[2 * i]));
    return whole;
  }
  wide_.resize(whole * ch);
  for (std::size_t i = 0; i < whole * ch; ++i) wide_[i] = Sample(&raw_[i * width], layout_.coding, layout_.bitsPerSample);
  Mix(wide_.data(), whole, out);
  return whole;
}

std::size_t WavReader::ReadAdpcm(std::int16_t* out, std::size_t frames) {
  const auto perBlock = static_cast<std::uint64_t>(layout_.framesPerBlock);
  const auto align = static_cast<std::uint64_t>(layout_.blockAlign);
  const auto outCh = static_cast<std::size_t>(outChannels_);
  std::size_t done = 0;
  while (done < frames) {
    const std::uint64_t at = next_ + done;
    const std::uint64_t index = at / perBlock;
    if (index != blockIndex_) {
      const std::uint64_t offset = index * align;
      const std::size_t bytes = static_cast<std::size_t>(std::min<std::uint64_t>(align, layout_.dataBytes - offset));
      raw_.resize(bytes);
      const std::size_t got = read_(layout_.dataOffset + offset, raw_);
      wide_.resize(perBlock * static_cast<std::size_t>(layout_.channels));
      blockFrames_ = DecodeImaBlock(raw_.data(), got, layout_.channels, wide_.data());
      block_.resize(blockFrames_ * outCh);
      Mix(wide_.data(), blockFrames_, block_.data());
      blockIndex_ = got == bytes ? index : ~0ull;  // a short read is tried again next time
    }
    const std::size_t skip = static_cast<std::size_t>(at - index * perBlock);
    if (skip >= blockFrames_) break;  // the block was cut short by a failing read
    const std::size_t n = std::min(frames - done, blockFrames_ - skip);
    std::copy_n(block_.begin() + static_cast<std::ptrdiff_t>(skip * outCh), n * outCh, out + done * outCh);
    done += n;
  }
  return done;
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
