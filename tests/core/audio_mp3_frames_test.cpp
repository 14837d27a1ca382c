#include "audio/mp3_frames.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

Mp3Index Index(const std::vector<std::uint8_t>& bytes) { return BuildMp3Index(bytes.size(), MemoryReader(bytes)); }

// Recordings made with sox and lame in a private folder for the whole suite.
class Mp3Files : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/dorvane-mp3-XXXXXX";
    dir_ = mkdtemp(pattern);
    const std::string d = dir_.string();
    const std::string script =
        "cd '" + d + "' && sox -n -r 44100 -c 2 -b 16 tone44.wav synth 3 sine 440 vol 0.5 && "
        "sox -n -r 22050 -c 1 -b 16 tone22.wav synth 3 sine 440 vol 0.5 && "
        "lame --quiet -b 128 tone44.wav cbr.mp3 && lame --quiet -V 4 tone44.wav vbr.mp3 && "
        "lame --quiet -b 64 tone22.wav mono22.mp3 && "
        "lame --quiet -b 128 --id3v2-only --tt 'A title' --ta 'A speaker' tone44.wav tagged.mp3";
    available_ = std::system(script.c_str()) == 0;
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }
  void SetUp() override {
    if (!available_) GTEST_SKIP() << "sox or lame is missing";
  }
  static std::vector<std::uint8_t> File(const char* name) { return ReadAll(dir_ / name); }

  static inline fs::path dir_;
  static inline bool available_ = false;
};

}  // namespace

TEST_F(Mp3Files, IndexOfLameFiles) {
  struct Case {
    const char* name;
    int version, rate, channels, samplesPerFrame;
    std::uint64_t samples;  // what went into lame: its tag lets exactly these come out
  } cases[] = {
      {"cbr.mp3", 10, 44100, 2, 1152, 3 * 44100},
      {"vbr.mp3", 10, 44100, 2, 1152, 3 * 44100},
      {"tagged.mp3", 10, 44100, 2, 1152, 3 * 44100},
      {"mono22.mp3", 20, 22050, 1, 576, 3 * 22050},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto bytes = File(c.name);
    const Mp3Index index = Index(bytes);
    ASSERT_FALSE(index.Empty());
    EXPECT_TRUE(index.hasInfoFrame);
    EXPECT_EQ(index.format.version, c.version);
    EXPECT_EQ(index.format.sampleRate, c.rate);
    EXPECT_EQ(index.format.channels, c.channels);
    EXPECT_EQ(index.format.samplesPerFrame, c.samplesPerFrame);
    EXPECT_TRUE(index.hasDelayTag);
    // The probe reads the same from the start of the file alone, and the
    // Info frame's count is the count of audio frames.
    const Mp3Index probe = ProbeMp3(bytes.size(), MemoryReader(bytes));
    EXPECT_TRUE(probe.Empty());
    EXPECT_EQ(probe.infoFrameCount, index.frameOffsets.size());
    EXPECT_EQ(probe.PlayableSamples(probe.infoFrameCount), c.samples);
    // Its count of bytes reaches the end of the file, and only then does it
    // give the length: not for a file cut short, nor with much after it.
    EXPECT_TRUE(probe.InfoFrameCoversFile(bytes.size()));
    EXPECT_TRUE(probe.InfoFrameCoversFile(bytes.size() + 128));
    EXPECT_FALSE(probe.InfoFrameCoversFile(bytes.size() - 1));
    EXPECT_FALSE(probe.InfoFrameCoversFile(bytes.size() + 1'200'000));
    EXPECT_GT(index.encoderDelay, 500);
    EXPECT_EQ(index.PlayableSamples(), c.samples);
    // The bit reservoir: none before the first frame, used by later ones.
    ASSERT_EQ(index.mainDataBegin.size(), index.frameOffsets.size());
    EXPECT_EQ(index.mainDataBegin[0], 0);
    EXPECT_GT(*std::max_element(index.mainDataBegin.begin(), index.mainDataBegin.end()), 0);
    // Every indexed frame starts with a header of the stream, and frames tile
    // the audio: each starts where the one before it ends.
    for (std::size_t i = 0; i < index.frameOffsets.size(); ++i) {
      const std::uint64_t at = index.frameOffsets[i];
      const Mp3Header h = ParseMp3Header(ReadBe32(bytes.data() + at));
      ASSERT_TRUE(h.valid && SameStream(h, index.format)) << "frame " << i;
      if (i + 1 < index.frameOffsets.size()) ASSERT_EQ(index.frameOffsets[i + 1], at + static_cast<std::uint64_t>(h.frameBytes)) << i;
    }
  }
  // The tag moves the frames and changes nothing else.
  const Mp3Index plain = Index(File("cbr.mp3")), tagged = Index(File("tagged.mp3"));
  ASSERT_EQ(plain.frameOffsets.size(), tagged.frameOffsets.size());
  const auto tagBytes = File("tagged.mp3");
  EXPECT_EQ(tagged.frameOffsets[0] - plain.frameOffsets[0], Id3v2TagBytes(tagBytes.data()));
}

TEST_F(Mp3Files, DamagedFiles) {
  const auto cbr = File("cbr.mp3");
  const Mp3Index whole = Index(cbr);
  const std::uint64_t frames = whole.frameOffsets.size();
  auto with = [&](auto change) {
    auto bytes = cbr;
    change(bytes);
    return Index(bytes);
  };

  // Cut in the middle of the last frame: that frame goes, the others stay.
  EXPECT_EQ(with([](auto& b) { b.resize(b.size() - 10); }).frameOffsets.size(), frames - 1);
  // Garbage over frames 10 to 19: they are lost, the stream is found after them.
  const Mp3Index holed = with([&](auto& b) {
    for (std::uint64_t at = whole.frameOffsets[10]; at < whole.frameOffsets[20]; ++at) b[at] = static_cast<std::uint8_t>(at * 7919 >> 3);
  });
  EXPECT_NEAR(static_cast<double>(holed.frameOffsets.size()), static_cast<double>(frames - 10), 1.0);
  EXPECT_EQ(holed.frameOffsets.back(), whole.frameOffsets.back());
  // An ID3v2 tag claiming far more than the file: the audio after its header is found.
  const Mp3Index lying = with([](auto& b) {
    const std::uint8_t tag[10] = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
    b.insert(b.begin(), tag, tag + 10);
  });
  EXPECT_EQ(lying.frameOffsets.size(), frames);
  // A valid first header and garbage after it: no stream.
  EXPECT_TRUE(with([](auto& b) {
    for (std::size_t i = 4; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
    b[0] = 0xFF, b[1] = 0xFB, b[2] = 0x90, b[3] = 0x64;
  }).Empty());
  EXPECT_TRUE(Index({}).Empty());
  EXPECT_TRUE(Index(std::vector<std::uint8_t>(100000, 0xFF)).Empty());

  // Between frames 30 and 31: a 1.2 MB ID3v2 tag (a cover picture) whose body
  // holds copies of real frames, and a 1.5 MB hole of zeros. Every frame is
  // found, none inside the tag, and the offsets after it move by its size.
  const std::uint64_t cut = whole.frameOffsets[31];
  std::vector<std::uint8_t> picture(1'200'000);
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = cbr[whole.frameOffsets[5] + i % (cut - whole.frameOffsets[5])];
  const std::uint8_t tag[10] = {'I', 'D', '3', 4, 0, 0, 0x00, 0x49, 0x1F, 0x00};  // 1'200'000 bytes, 7 bits a byte
  picture.insert(picture.begin(), tag, tag + 10);
  for (const auto& gap : {picture, std::vector<std::uint8_t>(1'500'000, 0)}) {
    const Mp3Index split = with([&](auto& b) { b.insert(b.begin() + static_cast<std::ptrdiff_t>(cut), gap.begin(), gap.end()); });
    ASSERT_EQ(split.frameOffsets.size(), frames) << gap.size();
    EXPECT_EQ(split.frameOffsets[30], whole.frameOffsets[30]);
    EXPECT_EQ(split.frameOffsets[31], cut + gap.size());
  }
}

// Where a decoder that starts afresh must begin for a frame to come out as in
// a decode from the start: the frame before it (two for MPEG-2, whose frames
// hold one granule), and every frame their bit reservoir reaches into.
TEST(Mp3Index, FirstFrameToDecode) {
  struct Case {
    const char* what;
    int samplesPerFrame;
    std::vector<std::uint16_t> begin, bytes;
    std::uint64_t target, first;
  } cases[] = {
      {"no reservoir, MPEG-1: the frame before", 1152, {0, 0, 0, 0}, {200, 200, 200, 200}, 3, 2},
      {"no reservoir, MPEG-2: two frames before", 576, {0, 0, 0, 0}, {200, 200, 200, 200}, 3, 1},
      {"the target's reservoir reaches two frames back", 1152, {0, 0, 0, 0, 250}, {200, 200, 200, 200, 200}, 4, 2},
      {"the overlap frame's reservoir reaches further", 1152, {0, 0, 0, 450, 10}, {200, 200, 200, 200, 200}, 4, 0},
      {"exactly one frame's bytes", 1152, {0, 0, 0, 200, 0}, {200, 200, 200, 200, 200}, 4, 2},
      {"past the last frame: the last", 1152, {0, 0, 100}, {200, 200, 200}, 9, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Mp3Index index;
    index.format.samplesPerFrame = c.samplesPerFrame;
    index.mainDataBegin = c.begin;
    index.mainDataBytes = c.bytes;
    index.frameOffsets.assign(c.begin.size(), 0);
    EXPECT_EQ(index.FirstFrameToDecode(c.target), c.first);
  }
}

TEST(Mp3Header, Fields) {
  struct Case {
    std::uint32_t word;
    bool valid;
    int version, kbps, rate, channels, bytes;
  } cases[] = {
      {0xFFFB9064, true, 10, 128, 44100, 2, 417},  // MPEG-1 128 kbit/s 44.1 kHz joint stereo
      {0xFFFB9264, true, 10, 128, 44100, 2, 418},  // the same, padded
      {0xFFF380C4, true, 20, 64, 22050, 1, 208},   // MPEG-2 64 kbit/s 22.05 kHz mono
      {0xFFE310C4, true, 25, 8, 11025, 1, 52},     // MPEG-2.5 8 kbit/s 11.025 kHz
      {0xFFFB0064, false, 0, 0, 0, 0, 0},          // free format
      {0xFFFBF064, false, 0, 0, 0, 0, 0},          // bitrate index 15
      {0xFFFB9C64, false, 0, 0, 0, 0, 0},          // rate index 3
      {0xFFFD9064, false, 0, 0, 0, 0, 0},          // layer II
      {0xFFEB9064, false, 0, 0, 0, 0, 0},          // reserved version
      {0x49443303, false, 0, 0, 0, 0, 0},          // "ID3"
  };
  for (const Case& c : cases) {
    const Mp3Header h = ParseMp3Header(c.word);
    EXPECT_EQ(h.valid, c.valid) << std::hex << c.word;
    if (!c.valid) continue;
    EXPECT_EQ(h.version, c.version);
    EXPECT_EQ(h.bitrateKbps, c.kbps);
    EXPECT_EQ(h.sampleRate, c.rate);
    EXPECT_EQ(h.channels, c.channels);
    EXPECT_EQ(h.frameBytes, c.bytes);
  }
  const std::uint8_t tag[10] = {'I', 'D', '3', 3, 0, 0x10, 0, 0, 0x02, 0x01};
  EXPECT_EQ(Id3v2TagBytes(tag), 10u + 257 + 10);
  const std::uint8_t bad[10] = {'I', 'D', '3', 3, 0, 0, 0, 0x80, 0, 0};
  EXPECT_EQ(Id3v2TagBytes(bad), 0u);
}
