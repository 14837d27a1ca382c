// The mp3 reader against the recordings its files were made from (lame, at
// test time), decoded by the system's ACM decoder: the whole decode lines up
// with the recording sample for sample and has its length, and a seek to any
// sample gives the samples of the whole decode from there on.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "audio/mp3_frames.h"
#include "audio/pcm_source.h"

namespace {

// Wine's decoder (mpg123 built with its dithering synthesis only) adds
// triangular noise whose phase starts afresh with every stream, so two
// decodes that start at different frames differ by a few LSB everywhere
// (measured: 2 to 3 in every frame for as long as they run, 4 now and then).
// A seek that misses part of its bit reservoir or overlap differs by hundreds.
constexpr int kDitherLsb = 4;

std::string SetDir() {
  char exe[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const std::string path = exe;
  return path.substr(0, path.find_last_of('\\')) + "\\mp3set\\";
}

struct Recording {
  std::string name;
  int rate = 0, channels = 0;
  bool tagged = false;
};

std::vector<Recording> Recordings() {
  std::vector<Recording> all;
  std::ifstream list(SetDir() + "cases.txt");
  Recording r;
  int tagged = 0;
  while (list >> r.name >> r.rate >> r.channels >> tagged) {
    r.tagged = tagged != 0;
    all.push_back(r);
  }
  return all;
}

std::vector<std::int16_t> ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) | (bytes[2 * i + 1] << 8));
  return samples;
}

// Reads frames from the source's current place, as the device does, in
// pieces of an odd size so that no piece lines up with a decoder frame.
std::vector<std::int16_t> ReadFrames(PcmSource& source, std::uint64_t frames) {
  const std::size_t ch = static_cast<std::size_t>(source.Channels());
  std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * ch);
  std::size_t done = 0;
  while (done < frames) {
    const std::size_t got = source.Read(out.data() + done * ch, std::min<std::size_t>(1000, frames - done));
    if (got == 0) break;
    done += got;
  }
  out.resize(done * ch);
  return out;
}

// The lag (decode against recording, in frames) at which the two correlate
// best, over a stretch of speech in the middle.
int BestLag(const std::vector<std::int16_t>& decode, const std::vector<std::int16_t>& source, int channels, int maxLag) {
  const std::size_t frames = std::min(decode.size(), source.size()) / static_cast<std::size_t>(channels);
  const std::size_t from = frames / 4, to = frames / 4 * 3;
  double best = -1;
  int bestLag = 0;
  for (int lag = -maxLag; lag <= maxLag; ++lag) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) {
      const std::size_t j = static_cast<std::size_t>(static_cast<std::int64_t>(i) + lag);
      sum += static_cast<double>(decode[j * static_cast<std::size_t>(channels)]) * source[i * static_cast<std::size_t>(channels)];
    }
    if (sum > best) best = sum, bestLag = lag;
  }
  return bestLag;
}

TEST(Mp3Reader, WholeDecodeLinesUpWithTheRecordingAndEverySeekMatchesIt) {
  const auto recordings = Recordings();
  ASSERT_FALSE(recordings.empty()) << "no recordings in " << SetDir() << " (made by make_mp3_set.sh)";
  for (const Recording& r : recordings) {
    SCOPED_TRACE(r.name);
    const auto source = ReadRaw(SetDir() + r.name + ".raw");
    const std::uint64_t sourceFrames = source.size() / static_cast<std::size_t>(r.channels);
    auto mp3 = OpenMp3Source((SetDir() + r.name + ".mp3").c_str());
    ASSERT_NE(mp3, nullptr);
    ASSERT_EQ(mp3->SampleRate(), r.rate);
    ASSERT_EQ(mp3->Channels(), r.channels);
    const int spf = r.rate > 24000 ? 1152 : 576;

    // The whole decode: the recording's length (to within lame's padding
    // when no tag says it), and sample i where the recording has sample i.
    const std::vector<std::int16_t> whole = ReadFrames(*mp3, mp3->Frames() + 10000);
    const std::uint64_t wholeFrames = whole.size() / static_cast<std::size_t>(r.channels);
    EXPECT_EQ(wholeFrames, mp3->Frames());
    if (r.tagged) EXPECT_EQ(wholeFrames, sourceFrames);
    else EXPECT_TRUE(wholeFrames >= sourceFrames && wholeFrames < sourceFrames + 2 * spf) << wholeFrames;
    const int lag = BestLag(whole, source, r.channels, 1500);
    EXPECT_EQ(lag, 0) << "the decode runs " << lag << " samples behind the recording";
    std::printf("%s: %llu frames (recording %llu), lag %d\n", r.name.c_str(),
                static_cast<unsigned long long>(wholeFrames), static_cast<unsigned long long>(sourceFrames), lag);

    // About fifty seek targets: both ends, frame edges either side of the
    // dropped delay, and places spread over the whole file.
    std::vector<std::uint64_t> targets = {0, 1, wholeFrames - 1, wholeFrames};
    for (std::uint64_t k = 2; k <= 7; ++k) {
      const std::uint64_t edge = k * static_cast<std::uint64_t>(spf);
      targets.insert(targets.end(), {edge - 1105, edge - 1106, edge - 1104});
    }
    for (std::uint64_t k = 0; k < 28; ++k) targets.push_back((k * 7919 * 977 + 13) % wholeFrames);
    int wrong = 0;
    std::string wrongAt;
    for (const std::uint64_t target : targets) {
      ASSERT_TRUE(mp3->Seek(target));
      const std::uint64_t want = std::min<std::uint64_t>(3 * static_cast<std::uint64_t>(spf), wholeFrames - target);
      const std::vector<std::int16_t> got = ReadFrames(*mp3, want);
      ASSERT_EQ(got.size(), want * static_cast<std::size_t>(r.channels)) << target;
      const std::size_t at = static_cast<std::size_t>(target) * static_cast<std::size_t>(r.channels);
      int largest = 0;
      std::size_t first = got.size();
      for (std::size_t i = 0; i < got.size(); ++i) {
        const int difference = std::abs(got[i] - whole[at + i]);
        largest = std::max(largest, difference);
        if (difference > kDitherLsb && first == got.size()) first = i / static_cast<std::size_t>(r.channels);
      }
      if (largest > kDitherLsb) {
        ++wrong;
        wrongAt.append(" ").append(std::to_string(target)).append(" (by ").append(std::to_string(largest));
        wrongAt.append(", from +").append(std::to_string(first)).append(")");
      }
    }
    EXPECT_EQ(wrong, 0) << "of " << targets.size() << " seeks, these differ from the whole decode:" << wrongAt;
    std::printf("%s: %d of %zu seeks differ\n", r.name.c_str(), wrong, targets.size());
  }
}

// A long file (the speech's frames a thousand times over, 40 MB: an hour
// and a half at 64 kbit/s) whose Info frame counts them all, but cut short
// after 900 copies, as a download or copy that stopped. Opening reads only
// its start: the length is the Info frame's, not the frames a scan would
// find. The index is built meanwhile; a read after a seek near the cut
// waits for it; past the cut the read fails. A source closed while its
// index is still being built goes at once.
TEST(Mp3Reader, ALongFileOpensFromItsInfoFrameWithoutReadingItWhole) {
  std::ifstream in(SetDir() + "cbr64-22k-mono.mp3", std::ios::binary);
  const std::vector<std::uint8_t> small{std::istreambuf_iterator<char>(in), {}};
  ASSERT_FALSE(small.empty()) << "no recordings in " << SetDir();
  const Mp3Index index = BuildMp3Index(small.size(), MemoryReader(small));
  ASSERT_TRUE(index.hasInfoFrame);
  constexpr std::uint32_t kCopies = 1000, kWritten = 900;
  const std::uint64_t audio = index.frameOffsets.front();
  std::vector<std::uint8_t> info(small.begin(), small.begin() + static_cast<std::ptrdiff_t>(audio));
  const char* tag = "Info";
  const std::size_t count = static_cast<std::size_t>(std::search(info.begin(), info.end(), tag, tag + 4) - info.begin()) + 8;
  const auto frames = static_cast<std::uint32_t>(index.frameOffsets.size() * kCopies);
  for (int b = 0; b < 4; ++b) info[count + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(frames >> (24 - 8 * b));
  const std::string path = SetDir() + "long.mp3";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(info.data()), static_cast<std::streamsize>(info.size()));
    for (std::uint32_t i = 0; i < kWritten; ++i)
      out.write(reinterpret_cast<const char*>(small.data() + audio), static_cast<std::streamsize>(small.size() - audio));
  }

  LARGE_INTEGER frequency, t0, t1;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&t0);
  auto mp3 = OpenMp3Source(path.c_str());
  QueryPerformanceCounter(&t1);
  ASSERT_NE(mp3, nullptr);
  std::printf("open %.1f ms\n", 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(frequency.QuadPart));
  EXPECT_EQ(mp3->Frames(), index.PlayableSamples(frames));

  const std::uint64_t cut = static_cast<std::uint64_t>(index.frameOffsets.size()) * kWritten * 576 -
                            static_cast<std::uint64_t>(index.encoderDelay + kMp3DecoderDelay);
  std::vector<std::int16_t> samples(1000);
  ASSERT_TRUE(mp3->Seek(cut - 5000));
  EXPECT_EQ(ReadFrames(*mp3, 5000).size(), 5000u);
  ASSERT_TRUE(mp3->Seek(cut + 5000));
  EXPECT_EQ(mp3->Read(samples.data(), 1000), 0u);
  for (int i = 0; i < 3; ++i) EXPECT_NE(OpenMp3Source(path.c_str()), nullptr);
  mp3.reset();
  DeleteFileA(path.c_str());
}

}  // namespace
