#include "audio/wav_format.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Every frame from frame `from` on (all of them by default), through the reader.
std::vector<std::int16_t> Decode(const std::string& file, std::uint64_t from = 0, std::size_t count = ~std::size_t{0}) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(file.data());
  const WavLayout layout = ParseWav(file.size(), MemoryReader({p, file.size()}));
  if (layout.error != WavError::kNone) return {};
  WavReader reader(layout, MemoryReader({p, file.size()}));
  reader.Seek(from);
  std::vector<std::int16_t> out;
  std::vector<std::int16_t> block(777 * 2);  // an odd size, across ADPCM blocks
  while (out.size() / static_cast<std::size_t>(reader.Channels()) < count) {
    const std::size_t want = std::min<std::size_t>(777, count - out.size() / static_cast<std::size_t>(reader.Channels()));
    const std::size_t got = reader.Read(block.data(), want);
    if (got == 0) break;
    out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got * static_cast<std::size_t>(reader.Channels())));
  }
  return out;
}

int MaxDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
  if (a.size() != b.size()) return 1 << 20;
  int most = 0;
  for (std::size_t i = 0; i < a.size(); ++i) most = std::max(most, std::abs(a[i] - b[i]));
  return most;
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
      {"float", Riff(Fmt(3, 2, 44100, 32) + Chunk("data", data8)), WavError::kNone, 2, 44100, 32, 44, 8},
      {"six channels", Riff(Fmt(1, 6, 44100, 16) + Chunk("data", std::string(30, 'x'))), WavError::kNone, 6, 44100, 16, 44, 24},
      {"nine channels", Riff(Fmt(1, 9, 44100, 16) + Chunk("data", data8)), WavError::kUnsupported, 0, 0, 0, 0, 0},
      {"12-bit PCM", Riff(Fmt(1, 1, 8000, 12, 2) + Chunk("data", data8)), WavError::kUnsupported, 0, 0, 0, 0, 0},
      {"IMA ADPCM with a block size that is no whole group", Riff(Fmt(0x11, 1, 8000, 4, 255) + Chunk("data", data8)), WavError::kUnsupported, 0, 0, 0, 0, 0},
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

// Each coding written by sox is decoded as sox itself decodes it to 16-bit
// PCM (without dither), also from frames inside ADPCM blocks, and with the
// data size lying about a file cut in the middle of a block.
TEST(WavReader, DecodesEachCodingAsSoxDoes) {
  if (std::system("sox --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / ("dorvane-wav-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string dir = folder.string() + "/";
  const std::string sox = "sox -q -D ";
  // Two sweeps and noise, so that ADPCM's step size moves over its range.
  ASSERT_EQ(std::system((sox + "-n -r 8000 -b 16 -c 2 " + dir + "src2.wav synth 1.7 sine 100:3500 whitenoise vol 0.6 ").c_str()), 0);
  ASSERT_EQ(std::system((sox + "-n -r 16000 -b 16 -c 6 " + dir + "src6.wav synth 1.1 sine 200 sine 300 sine 400 sine 500 sine 600 sine 700 vol 0.4").c_str()), 0);
  ASSERT_EQ(std::system((sox + "-n -r 22050 -b 16 -c 3 " + dir + "src3.wav synth 0.9 sine 200 sine 300 sine 400 vol 0.5").c_str()), 0);
  struct Case {
    const char* name;
    const char* source;
    std::size_t frames;  // in the source
    std::string encode;  // sox's output options
    std::string remix;   // how the reader's mix-down is made with sox ("" when it keeps the channels)
    int tolerance;       // in 16-bit steps: rounding of wider samples
  } cases[] = {
      {"mu-law mono", "src2.wav", 13600, "-e u-law -c 1", "", 0},
      {"A-law stereo", "src2.wav", 13600, "-e a-law", "", 0},
      {"IMA ADPCM mono", "src2.wav", 13600, "-e ima-adpcm -c 1", "", 0},
      {"IMA ADPCM stereo", "src2.wav", 13600, "-e ima-adpcm", "", 0},
      {"8-bit unsigned", "src2.wav", 13600, "-e unsigned -b 8", "", 0},
      {"24-bit", "src2.wav", 13600, "-b 24", "", 1},
      {"32-bit integer", "src2.wav", 13600, "-b 32", "", 1},
      {"32-bit float", "src2.wav", 13600, "-e floating-point -b 32", "", 1},
      {"64-bit float", "src2.wav", 13600, "-e floating-point -b 64", "", 1},
      {"5.1 float, extensible", "src6.wav", 17600, "-e floating-point -b 32",
       "remix 1v0.7071,3v0.5,5v0.5 2v0.7071,3v0.5,6v0.5", 2},
      {"three channels, 24-bit", "src3.wav", 19845, "-b 24", "remix 1v0.8165,3v0.5774 2v0.8165,3v0.5774", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string coded = dir + "coded.wav", reference = dir + "reference.wav";
    ASSERT_EQ(std::system((sox + dir + c.source + " " + c.encode + " " + coded).c_str()), 0);
    ASSERT_EQ(std::system((sox + coded + " -e signed -b 16 " + reference + " " + c.remix).c_str()), 0);
    const std::string file = ReadFile(coded);
    const std::vector<std::int16_t> decoded = Decode(file);
    const std::size_t perFrame = Decode(file, 0, 1).size();  // samples of one output frame
    ASSERT_GT(perFrame, 0u);
    // sox decodes an ADPCM file's padding after the last real frame too; the
    // fact chunk tells the reader where the sound ends.
    const std::size_t frames = c.frames;
    std::vector<std::int16_t> expected = Decode(ReadFile(reference));
    expected.resize(std::min(expected.size(), frames * perFrame));
    EXPECT_LE(MaxDifference(decoded, expected), c.tolerance);
    for (std::uint64_t from : {std::uint64_t{1}, std::uint64_t{504}, std::uint64_t{1017}, std::uint64_t{frames - 3}, std::uint64_t{frames}}) {
      const std::vector<std::int16_t> part = Decode(file, from, 600);
      const std::size_t n = std::min<std::size_t>(600, frames - from);
      EXPECT_LE(MaxDifference(part, {expected.begin() + static_cast<std::ptrdiff_t>(from * perFrame),
                                     expected.begin() + static_cast<std::ptrdiff_t>((from + n) * perFrame)}),
                c.tolerance)
          << "from frame " << from;
    }

    // The data size says far more than the file holds, which was cut in
    // the middle of a block: what is there decodes, and nothing else.
    const std::size_t data = file.find("data");
    ASSERT_NE(data, std::string::npos);
    std::string cut = file.substr(0, data + 8 + (file.size() - data - 8) * 3 / 5 + 3);
    cut.replace(data + 4, 4, Le32(0x7FFFFFF0u));
    cut.replace(4, 4, Le32(0x7FFFFFF0u));
    const std::vector<std::int16_t> rest = Decode(cut);
    const std::size_t restFrames = rest.size() / perFrame;
    EXPECT_NEAR(static_cast<double>(restFrames), frames * 0.6, frames * 0.6 * 0.02 + 505);
    EXPECT_LE(MaxDifference(rest, {expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(rest.size())}), c.tolerance);
  }
  std::filesystem::remove_all(folder);
}
