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

}  // namespace
