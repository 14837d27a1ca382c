#include "audio/time_stretch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 22050;

std::vector<std::int16_t> Tone(double hz, double seconds, int channels) {
  const std::size_t frames = static_cast<std::size_t>(seconds * kRate);
  std::vector<std::int16_t> s(frames * static_cast<std::size_t>(channels));
  for (std::size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      s[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
          static_cast<std::int16_t>(12000 * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / kRate));
  return s;
}

// Stretches in blocks of odd sizes, as the device feeds decoded blocks.
std::vector<std::int16_t> Stretched(const std::vector<std::int16_t>& in, int channels, double speed) {
  TimeStretch ts;
  ts.Start(channels, kRate, speed);
  std::vector<std::int16_t> out;
  std::vector<std::int16_t> block(4096 * static_cast<std::size_t>(channels));
  const std::size_t frames = in.size() / static_cast<std::size_t>(channels);
  for (std::size_t at = 0; at < frames;) {
    const std::size_t n = std::min<std::size_t>(997, frames - at);
    ts.Push(in.data() + at * static_cast<std::size_t>(channels), n);
    at += n;
    while (std::size_t got = ts.Pull(block.data(), 4096)) out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got * static_cast<std::size_t>(channels)));
  }
  ts.Finish();
  while (std::size_t got = ts.Pull(block.data(), 4096)) out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got * static_cast<std::size_t>(channels)));
  return out;
}

// Frequency from rising zero crossings of the first channel, between the
// first and the last crossing of the middle four fifths.
double Frequency(const std::vector<std::int16_t>& s, int channels) {
  const std::size_t frames = s.size() / static_cast<std::size_t>(channels);
  std::size_t first = 0, last = 0, count = 0;
  for (std::size_t i = frames / 10 + 1; i < frames * 9 / 10; ++i) {
    const auto a = s[(i - 1) * static_cast<std::size_t>(channels)], b = s[i * static_cast<std::size_t>(channels)];
    if (a < 0 && b >= 0) {
      if (count == 0) first = i;
      last = i;
      ++count;
    }
  }
  return count < 2 ? 0 : static_cast<double>(count - 1) * kRate / static_cast<double>(last - first);
}

}  // namespace

TEST(TimeStretch, KeepsPitchAndScalesDuration) {
  for (int channels : {1, 2}) {
    const auto in = Tone(440, 2.0, channels);
    for (double speed : {0.5, 0.75, 1.25, 1.5}) {
      SCOPED_TRACE(testing::Message() << channels << " channels at " << speed);
      const auto out = Stretched(in, channels, speed);
      const double inFrames = static_cast<double>(in.size() / static_cast<std::size_t>(channels));
      const double outFrames = static_cast<double>(out.size() / static_cast<std::size_t>(channels));
      EXPECT_NEAR(outFrames, inFrames / speed, inFrames / speed * 0.01);
      EXPECT_NEAR(Frequency(out, channels), 440.0, 4.4);
    }
  }
}

TEST(TimeStretch, SpeedOnePassesSamplesUnchanged) {
  auto in = Tone(440, 0.5, 2);
  for (std::size_t i = 0; i < in.size(); i += 7) in[i] = static_cast<std::int16_t>(i * 31);  // not smooth
  EXPECT_EQ(Stretched(in, 2, 1.0), in);
}

TEST(TimeStretch, SpeedIsClampedAndLoudInputDoesNotWrap) {
  TimeStretch ts;
  ts.Start(1, kRate, 3.0);
  EXPECT_EQ(ts.Speed(), kMaxSpeed);
  ts.Start(1, kRate, 0.1);
  EXPECT_EQ(ts.Speed(), kMinSpeed);

  // A square wave at full scale: overlapping pieces must clip, not wrap round.
  std::vector<std::int16_t> square(kRate);
  for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 50) % 2 ? 32767 : -32768;
  const auto out = Stretched(square, 1, 0.75);
  std::size_t flips = 0;
  for (std::size_t i = 1; i < out.size(); ++i)
    if ((out[i - 1] > 30000 && out[i] < -30000) || (out[i - 1] < -30000 && out[i] > 30000)) ++flips;
  EXPECT_LT(flips, out.size() / 50 + 50);  // no more edges than the square wave itself has
}

TEST(TimeStretch, EmptyAndTinyInputs) {
  for (std::size_t frames : {0u, 1u, 100u}) {
    std::vector<std::int16_t> in(frames, 1000);
    EXPECT_NEAR(static_cast<double>(Stretched(in, 1, 0.5).size()), static_cast<double>(frames) * 2, 1.0) << frames;
  }
}
