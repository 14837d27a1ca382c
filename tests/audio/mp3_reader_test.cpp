// The mp3 reader against the recordings its files were made from (lame, at
// test time), decoded by the system's ACM decoder: the whole decode lines up
// with the recording sample for sample and has its length, and a seek to any
// sample gives the samples of the whole decode from there on.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/mp3_frames.h"
#include "audio/pcm_source.h"

namespace {

// Wine's decoder (mpg123 built with its dithering synthesis only) adds noise
// whose phase starts afresh with every stream, so two decodes that start at
// different frames differ by 2 to 3 LSB everywhere, 4 now and then (seen).
// A seek that misses part of its bit reservoir or overlap differs by hundreds.
constexpr int kDitherLsb = 4;

std::string SetDir() {
  char exe[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const std::string path = exe;
  return path.substr(0, path.find_last_of('\\')) + "\\mp3set\\";
}

template <typename T>
std::vector<T> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  std::vector<T> all(bytes.size() / sizeof(T));
  std::memcpy(all.data(), bytes.data(), all.size() * sizeof(T));
  return all;
}

// Reads from the source's current place in pieces of an odd size, so that no
// piece lines up with a decoder frame.
std::vector<std::int16_t> ReadFrames(PcmSource& source, std::uint64_t frames) {
  const std::size_t ch = static_cast<std::size_t>(source.Channels());
  std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * ch);
  std::size_t done = 0, got = 1;
  while (done < frames && got > 0) done += got = source.Read(out.data() + done * ch, std::min<std::size_t>(1000, frames - done));
  out.resize(done * ch);
  return out;
}

// The lag (in frames) at which the decode correlates best with the recording,
// over the middle half of the first channel.
int BestLag(const std::vector<std::int16_t>& decode, const std::vector<std::int16_t>& source, std::size_t ch) {
  const std::size_t frames = std::min(decode.size(), source.size()) / ch;
  double best = -1;
  int bestLag = 0;
  for (int lag = -1500; lag <= 1500; ++lag) {
    double sum = 0;
    for (std::size_t i = frames / 4; i < frames / 4 * 3; ++i) sum += double(decode[(i + lag) * ch]) * source[i * ch];
    if (sum > best) best = sum, bestLag = lag;
  }
  return bestLag;
}

TEST(Mp3Reader, WholeDecodeLinesUpWithTheRecordingAndEverySeekMatchesIt) {
  std::ifstream list(SetDir() + "cases.txt");
  std::string name;
  int rate = 0, channels = 0, tagged = 0, recordings = 0;
  while (list >> name >> rate >> channels >> tagged) {
    SCOPED_TRACE(name);
    ++recordings;
    const auto source = ReadAll<std::int16_t>(SetDir() + name + ".raw");
    const std::size_t ch = static_cast<std::size_t>(channels), spf = rate > 24000 ? 1152 : 576;
    auto mp3 = OpenMp3Source((SetDir() + name + ".mp3").c_str());
    ASSERT_NE(mp3, nullptr);
    ASSERT_EQ(mp3->SampleRate(), rate);
    ASSERT_EQ(mp3->Channels(), channels);

    // The whole decode: the recording's length (to within lame's padding
    // when no tag says it), and sample i where the recording has sample i.
    const std::vector<std::int16_t> whole = ReadFrames(*mp3, mp3->Frames() + 10000);
    const std::uint64_t frames = whole.size() / ch;
    EXPECT_EQ(frames, mp3->Frames());
    if (tagged) EXPECT_EQ(frames, source.size() / ch);
    else EXPECT_TRUE(frames >= source.size() / ch && frames < source.size() / ch + 2 * spf) << frames;
    const int lag = BestLag(whole, source, ch);
    EXPECT_EQ(lag, 0) << "the decode runs " << lag << " samples behind the recording";

    // Fifty seeks: both ends, frame edges either side of the dropped delays,
    // and places spread over the whole file.
    std::vector<std::uint64_t> targets = {0, 1, frames - 1, frames};
    for (std::uint64_t k = 2; k <= 7; ++k) targets.insert(targets.end(), {k * spf - 1105, k * spf - 1106, k * spf - 1104});
    for (std::uint64_t k = 0; k < 28; ++k) targets.push_back((k * 7919 * 977 + 13) % frames);
    std::string wrong;
    for (const std::uint64_t target : targets) {
      ASSERT_TRUE(mp3->Seek(target));
      const std::vector<std::int16_t> got = ReadFrames(*mp3, std::min<std::uint64_t>(3 * spf, frames - target));
      ASSERT_EQ(got.size(), std::min<std::uint64_t>(3 * spf, frames - target) * ch) << target;
      int largest = 0;
      for (std::size_t i = 0; i < got.size(); ++i) largest = std::max(largest, std::abs(got[i] - whole[target * ch + i]));
      if (largest > kDitherLsb) wrong.append(" ").append(std::to_string(target)).append(" (by ").append(std::to_string(largest)).append(")");
    }
    EXPECT_EQ(wrong, "") << "these seeks differ from the whole decode";
    std::printf("%s: %llu frames (recording %zu), lag %d, seeks that differ:%s\n", name.c_str(),
                static_cast<unsigned long long>(frames), source.size() / ch, lag, wrong.empty() ? " none" : wrong.c_str());
  }
  EXPECT_GT(recordings, 0) << "no recordings in " << SetDir() << " (made by make_mp3_set.sh)";
}

// A long file whose Info frame counts all its frames and bytes: here the
// speech's frames, then 2 GB of nothing (a sparse file), which a scan of every
// frame header at open would take many seconds to search. Opening reads only
// the start and takes the length from the Info frame; closing the source
// while its index is being built ends that at once.
TEST(Mp3Reader, ALongFileOpensFromItsInfoFrameWithoutReadingItWhole) {
  auto bytes = ReadAll<std::uint8_t>(SetDir() + "cbr64-22k-mono.mp3");
  const Mp3Index index = BuildMp3Index(bytes.size(), MemoryReader(bytes));
  ASSERT_TRUE(index.hasInfoFrame && bytes[0] == 0xFF);  // the Info frame comes first
  constexpr std::uint32_t kSize = 1u << 31, kFrames = kSize / 208;
  const char* tag = "Info";
  const auto counts = std::search(bytes.begin(), bytes.end(), tag, tag + 4) + 8;
  for (int b = 0; b < 4; ++b) {
    counts[b] = static_cast<std::uint8_t>(kFrames >> (24 - 8 * b));
    counts[4 + b] = static_cast<std::uint8_t>(kSize >> (24 - 8 * b));
  }
  const std::string path = SetDir() + "long.mp3";
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = kSize;
  SetFilePointerEx(f, end, nullptr, FILE_BEGIN);
  ASSERT_TRUE(SetEndOfFile(f));
  CloseHandle(f);

  const DWORD start = GetTickCount();
  auto mp3 = OpenMp3Source(path.c_str());
  ASSERT_NE(mp3, nullptr);
  EXPECT_LT(GetTickCount() - start, 1000u);
  EXPECT_EQ(mp3->Frames(), index.PlayableSamples(kFrames));
  mp3.reset();
  EXPECT_LT(GetTickCount() - start, 1000u);
  for (int tries = 0; tries < 50 && !DeleteFileA(path.c_str()); ++tries) Sleep(20);  // the index's thread lets go
}

// An untagged two-hour CBR mp3 (a short recording's frames over and over:
// lame writes no Info frame for such files): opening reads only its start
// and takes the length from the bit rate, well within 200 ms; a seek near the
// end before the index has got there waits for it on the reading thread and
// gives what a source with the whole index gives; once the index is
// complete, the length is its count of frames, sample for sample. With 2 GB
// of nothing after the frames, opening takes no longer.
TEST(Mp3Reader, AnUntaggedLongFileOpensAtOnceAndItsLengthBecomesExact) {
  for (const char* name : {"untagged-cbr64-22k-stereo", "untagged-cbr16-8k-mono"}) {
    SCOPED_TRACE(name);
    const auto one = ReadAll<std::uint8_t>(SetDir() + name + ".mp3");
    ASSERT_FALSE(one.empty());
    const Mp3Index oneIndex = BuildMp3Index(one.size(), MemoryReader(one));
    ASSERT_FALSE(oneIndex.hasInfoFrame);
    const double seconds = double(oneIndex.frameOffsets.size() * oneIndex.format.samplesPerFrame) / oneIndex.format.sampleRate;
    std::vector<std::uint8_t> bytes;
    for (int copies = static_cast<int>(7200 / seconds) + 1; copies > 0; --copies) bytes.insert(bytes.end(), one.begin(), one.end());
    const Mp3Index whole = BuildMp3Index(bytes.size(), MemoryReader(bytes));
    const std::uint64_t length = whole.PlayableSamples(), spf = whole.format.samplesPerFrame;
    const std::string path = SetDir() + "long-untagged.mp3";
    {
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    const DWORD start = GetTickCount();
    auto mp3 = OpenMp3Source(path.c_str());
    const DWORD openMs = GetTickCount() - start;
    ASSERT_NE(mp3, nullptr);
    EXPECT_LT(openMs, 200u);
    // Each copy's padding starts afresh: the bit rate's estimate is near.
    EXPECT_LE(mp3->Frames() > length ? mp3->Frames() - length : length - mp3->Frames(), length / 1000) << mp3->Frames();

    const std::uint64_t target = length - 3 * spf - 7;
    ASSERT_TRUE(mp3->Seek(target));
    const std::vector<std::int16_t> early = ReadFrames(*mp3, 10 * spf);
    EXPECT_EQ(early.size(), (length - target) * mp3->Channels()) << "the read ends at the last sample";
    EXPECT_TRUE(mp3->LengthKnown());
    EXPECT_EQ(mp3->Frames(), length);

    auto indexed = OpenMp3Source(path.c_str());
    ASSERT_NE(indexed, nullptr);
    ASSERT_TRUE(indexed->Seek(length - 1));
    ASSERT_EQ(ReadFrames(*indexed, spf).size(), std::size_t(indexed->Channels()));  // waits for the whole index
    ASSERT_TRUE(indexed->LengthKnown());
    ASSERT_TRUE(indexed->Seek(target));
    const std::vector<std::int16_t> late = ReadFrames(*indexed, 10 * spf);
    ASSERT_EQ(late.size(), early.size());
    int largest = 0;
    for (std::size_t i = 0; i < late.size(); ++i) largest = std::max(largest, std::abs(late[i] - early[i]));
    EXPECT_LE(largest, kDitherLsb);
    std::printf("%s: %.1f MB opened in %lu ms, %llu frames\n", name, bytes.size() / 1e6, openMs,
                static_cast<unsigned long long>(length));
    mp3.reset();
    indexed.reset();

    // The same frames, then 2 GB of nothing (a sparse file, as slow to scan
    // as a share that gives a few MB a second): opening takes as long.
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = std::int64_t{1} << 31;
    SetFilePointerEx(f, end, nullptr, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(f));
    CloseHandle(f);
    const DWORD sparseStart = GetTickCount();
    EXPECT_NE(OpenMp3Source(path.c_str()), nullptr);
    EXPECT_LT(GetTickCount() - sparseStart, 200u);
    for (int tries = 0; tries < 50 && !DeleteFileA(path.c_str()); ++tries) Sleep(20);  // the index's thread lets go
  }
}

}  // namespace
