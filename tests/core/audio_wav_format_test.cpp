#include "audio/wav_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Le32(std::uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Le16(std::uint16_t v) { return {char(v), char(v >> 8)}; }
std::string Chunk(const std::string& id, const std::string& body, bool pad = true, std::int64_t size = -1) {
  std::string c = id + Le32(size < 0 ? static_cast<std::uint32_t>(body.size()) : static_cast<std::uint32_t>(size)) + body;
  if (pad && body.size() % 2) c += '\0';
  return c;
}
std::string Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint16_t align = 0) {
  if (align == 0) align = static_cast<std::uint16_t>(channels * bits / 8);
  return Chunk("fmt ", Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits));
}
std::string Riff(const std::string& chunks) { return "RIFF" + Le32(static_cast<std::uint32_t>(chunks.size() + 4)) + "WAVE" + chunks; }

WavLayout Parse(const std::string& file) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(file.data());
  return ParseWav(file.size(), MemoryReader({p, file.size()}));
}

}  // namespace

TEST(WavFormat, HandMadeHeaders) {
  const std::string pcm16 = Fmt(1, 2, 44100, 16);
  const std::string data8 = std::string(8, 'x');
  struct Case {
    const char* name;
    std::string file;
    WavError error;
    int channels, rate, bits;
    std::uint64_t offset, bytes;
  } cases[] = {
      {"plain 16-bit stereo", Riff(pcm16 + Chunk("data", data8)), WavError::kNone, 2, 44100, 16, 44, 8},
      {"8-bit mono", Riff(Fmt(1, 1, 8000, 8) + Chunk("data", "abc")), WavError::kNone, 1, 8000, 8, 44, 3},
      {"list chunk first, odd with pad", Riff(Chunk("LIST", "abc") + pcm16 + Chunk("data", data8)), WavError::kNone, 2, 44100, 16, 56, 8},
      {"odd chunk without its pad byte", Riff(Chunk("LIST", "abc", false) + pcm16 + Chunk("data", data8)), WavError::kNone, 2, 44100, 16, 55, 8},
      {"data before fmt", Riff(Chunk("data", data8) + pcm16), WavError::kNone, 2, 44100, 16, 20, 8},
      {"data size past the end", Riff(pcm16 + Chunk("data", data8, true, 1000000)), WavError::kNone, 2, 44100, 16, 44, 8},
      {"data size 0 from a streaming writer", Riff(pcm16 + Chunk("data", data8, true, 0)), WavError::kNone, 2, 44100, 16, 44, 8},
      {"partial last frame dropped", Riff(pcm16 + Chunk("data", "1234567")), WavError::kNone, 2, 44100, 16, 44, 4},
      {"lying block align", Riff(Fmt(1, 2, 22050, 16, 3) + Chunk("data", data8)), WavError::kNone, 2, 22050, 16, 44, 8},
      {"extensible PCM", Riff(Chunk("fmt ", Fmt(0xFFFE, 1, 48000, 16).substr(8) + Le16(22) + Le16(16) + Le32(4) + Le16(1) + std::string(14, '\0')) + Chunk("data", data8)), WavError::kNone, 1, 48000, 16, 68, 8},
      {"ADPCM", Riff(Fmt(2, 1, 22050, 4) + Chunk("data", data8)), WavError::kUnsupported, 0, 0, 0, 0, 0},
      {"float", Riff(Fmt(3, 2, 44100, 32) + Chunk("data", data8)), WavError::kUnsupported, 0, 0, 0, 0, 0},
      {"six channels", Riff(Fmt(1, 6, 44100, 16) + Chunk("data", data8)), WavError::kUnsupported, 0, 0, 0, 0, 0},
      {"rate 0", Riff(Fmt(1, 1, 0, 16) + Chunk("data", data8)), WavError::kUnsupported, 0, 0, 0, 0, 0},
      {"short fmt", Riff(Chunk("fmt ", "12345678") + Chunk("data", data8)), WavError::kUnsupported, 0, 0, 0, 0, 0},
      {"fmt cut by the end", Riff(pcm16).substr(0, 30), WavError::kUnsupported, 0, 0, 0, 0, 0},
      {"no data", Riff(pcm16), WavError::kNoData, 2, 44100, 16, 0, 0},
      {"no fmt", Riff(Chunk("data", data8)), WavError::kNoFormat, 0, 0, 0, 0, 0},
      {"zero bytes", "", WavError::kNotWave, 0, 0, 0, 0, 0},
      {"not RIFF", "RIFX" + Riff(pcm16).substr(4), WavError::kNotWave, 0, 0, 0, 0, 0},
      {"RIFF but AVI", "RIFF" + Le32(4) + "AVI ", WavError::kNotWave, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const WavLayout w = Parse(c.file);
    EXPECT_EQ(w.error, c.error);
    if (c.error != WavError::kNone) continue;
    EXPECT_EQ(w.channels, c.channels);
    EXPECT_EQ(w.sampleRate, c.rate);
    EXPECT_EQ(w.bitsPerSample, c.bits);
    EXPECT_EQ(w.blockAlign, c.channels * c.bits / 8);
    EXPECT_EQ(w.dataOffset, c.offset);
    EXPECT_EQ(w.dataBytes, c.bytes);
  }
}

TEST(WavFormat, HugeSparseFileReadsOnlyItsHeader) {
  // A 4 GB file of which only the header exists: the reader must neither
  // walk its zeros nor read past the header.
  const std::string head = Riff(Fmt(1, 2, 44100, 16) + Chunk("data", "", true, 0xFFFFFFF0u));
  const std::uint64_t size = 0x100000000ull + 44;
  std::uint64_t furthest = 0;
  const WavLayout w = ParseWav(size, [&](std::uint64_t at, std::span<std::uint8_t> into) -> std::size_t {
    furthest = std::max<std::uint64_t>(furthest, at + into.size());
    for (std::size_t i = 0; i < into.size(); ++i) into[i] = at + i < head.size() ? static_cast<std::uint8_t>(head[at + i]) : 0;
    return into.size();
  });
  EXPECT_EQ(w.error, WavError::kNone);
  EXPECT_EQ(w.dataBytes, 0xFFFFFFF0ull);
  EXPECT_LT(furthest, 1024u);
  EXPECT_EQ(FramesToMs(w.dataBytes / 4, 44100), 1073741820ll * 1000 / 44100);
}

TEST(WavFormat, FramesAndMilliseconds) {
  EXPECT_EQ(FramesToMs(22050, 22050), 1000);
  EXPECT_EQ(FramesToMs(22049, 22050), 999);
  EXPECT_EQ(FramesToMs(~0ull / 2000, 1000), INT32_MAX);
  EXPECT_EQ(MsToFrames(1000, 44100), 44100u);
  EXPECT_EQ(MsToFrames(1, 44100), 45u);  // rounded up: never before the asked time
  EXPECT_EQ(MsToFrames(-5, 44100), 0u);
}
