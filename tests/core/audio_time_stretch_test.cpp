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
      // Never shorter than the input at this speed; longer by at most half a
      // piece when speeding up, since the last input sample always plays.
      EXPECT_GE(outFrames, inFrames / speed - 1);
      EXPECT_LE(outFrames, inFrames / speed + 0.021 * kRate);
      EXPECT_NEAR(Frequency(out, channels), 440.0, 4.4);
    }
  }
}

TEST(TimeStretch, SpeedOnePassesSamplesUnchanged) {
  auto in = Tone(440, 0.5, 2);
  for (std::size_t i = 0; i < in.size(); i += 7) in[i] = static_cast<std::int16_t>(i * 31);  // not smooth
  // Only the fades at the two edges (4 ms) touch them.
  const std::size_t edge = 2 * (4 * kRate / 1000);
  const auto out = Stretched(in, 2, 1.0);
  ASSERT_EQ(out.size(), in.size());
  EXPECT_TRUE(std::equal(out.begin() + edge, out.end() - edge, in.begin() + edge));
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

namespace {

// Level of every millisecond (RMS over 2 ms) in dB of the loudest 5 ms.
std::vector<double> LevelsDb(const std::vector<std::int16_t>& s) {
  const std::size_t ms = kRate / 1000;
  auto power = [&](std::size_t from, std::size_t n) {
    double e = 0;
    for (std::size_t i = from; i < std::min(s.size(), from + n); ++i) e += static_cast<double>(s[i]) * s[i];
    return e / static_cast<double>(n);
  };
  double loudest = 1e-9;
  for (std::size_t i = 0; i + 5 * ms <= s.size(); i += ms / 2) loudest = std::max(loudest, power(i, 5 * ms));
  std::vector<double> db;
  for (std::size_t i = 0; i < s.size(); i += ms) db.push_back(10 * std::log10(power(i, 2 * ms) / loudest + 1e-12));
  return db;
}

// Isolated bursts in what should be a pause: sound of 5 to 20 ms reaching
// -30 dB of the loudest, with at least 10 ms below -45 dB on each side.
int Ghosts(const std::vector<std::int16_t>& s) {
  const auto db = LevelsDb(s);
  int count = 0;
  for (std::size_t i = 0; i < db.size();) {
    if (db[i] < -45) {
      ++i;
      continue;
    }
    std::size_t j = i;
    double peak = -1e9;
    while (j < db.size() && db[j] >= -45) peak = std::max(peak, db[j++]);
    auto quiet = [&](std::size_t a, std::size_t b) {
      for (std::size_t k = a; k < b; ++k)
        if (k >= db.size() || db[k] >= -45) return false;
      return true;
    };
    if (j - i >= 5 && j - i <= 20 && i >= 10 && quiet(i - 10, i) && quiet(j, j + 10) && peak > -30) ++count;
    i = j;
  }
  return count;
}

// Voiced syllables of 220 ms (glottal pulses ringing at a 700 Hz formant,
// rising and falling), each followed by a pause of 250 ms.
std::vector<std::int16_t> Syllables(double f0, int count) {
  std::vector<std::int16_t> s;
  const std::size_t voiced = 220 * kRate / 1000, pause = 250 * kRate / 1000;
  for (int k = 0; k < count; ++k) {
    for (std::size_t i = 0; i < voiced; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double sincePulse = std::fmod(t, 1 / f0);
      const double ring = std::exp(-sincePulse * 400) * std::sin(2 * std::numbers::pi * 700 * sincePulse);
      const double shape = std::sin(std::numbers::pi * static_cast<double>(i) / static_cast<double>(voiced));
      s.push_back(static_cast<std::int16_t>(20000 * std::sqrt(shape) * ring));
    }
    s.resize(s.size() + pause, 0);
  }
  return s;
}

}  // namespace

// Slowing speech down must not drop pieces of a syllable into the pause
// after it (a copy of its last pulses, or an early slice of the next one).
TEST(TimeStretch, NoGhostsInThePauses) {
  for (double f0 : {76.0, 120.0, 220.0}) {
    const auto in = Syllables(f0, 5);
    ASSERT_EQ(Ghosts(in), 0);
    for (double speed : {0.5, 0.75, 1.25}) {
      SCOPED_TRACE(testing::Message() << f0 << " Hz at " << speed);
      EXPECT_EQ(Ghosts(Stretched(in, 1, speed)), 0);
    }
  }
}

// Every play starts and ends softly, and its end is the input's end: a click
// a few milliseconds before the end is still heard, at every speed.
TEST(TimeStretch, SoftEdgesAndTheLastSample) {
  const std::size_t ms = kRate / 1000;
  for (double speed : {0.5, 0.75, 1.0, 1.25, 1.5}) {
    // A tone that starts and ends at full level.
    std::vector<std::int16_t> tone(300 * ms);
    for (std::size_t i = 0; i < tone.size(); ++i)
      tone[i] = static_cast<std::int16_t>(12000 * std::cos(2 * std::numbers::pi * 200 * static_cast<double>(i) / kRate));
    const auto out = Stretched(tone, 1, speed);
    std::size_t end = out.size();
    while (end > 0 && out[end - 1] == 0) --end;  // silence that keeps the length is no sound
    auto peak = [&](std::size_t a, std::size_t b) {
      int p = 0;
      for (std::size_t i = a; i < b; ++i) p = std::max(p, std::abs(static_cast<int>(out[i])));
      return p;
    };
    SCOPED_TRACE(testing::Message() << "tone at " << speed);
    ASSERT_GT(end, 30 * ms);
    EXPECT_LT(std::abs(out[0]), 600);
    EXPECT_LT(peak(0, ms / 2), 2000);
    EXPECT_GT(peak(5 * ms, 10 * ms), 11000);
    EXPECT_LT(peak(end - ms / 2, end), 2000);
    EXPECT_GT(peak(end - 15 * ms, end - 5 * ms), 11000);

    for (std::size_t before : {2u, 8u, 15u}) {
      SCOPED_TRACE(testing::Message() << "click " << before << " ms before the end");
      std::vector<std::int16_t> in(400 * ms, 0);
      for (std::size_t i = 0; i < ms; ++i) in[in.size() - before * ms + i] = static_cast<std::int16_t>(i % 2 ? -20000 : 20000);
      const auto clicked = Stretched(in, 1, speed);
      int p = 0;
      for (std::int16_t v : clicked) p = std::max(p, std::abs(static_cast<int>(v)));
      EXPECT_GT(p, 7000);
    }
  }
}

// A change of speed while playing goes on from the next piece: nothing of
// the input is lost or repeated (the length is the sum of the two parts at
// their speeds), the pitch stays, and the sound does not break at the change.
TEST(TimeStretch, SpeedChangesWhilePlaying) {
  struct Case {
    double first, second;
  } cases[] = {{0.75, 1.25}, {1.0, 0.5}, {1.5, 1.0}, {0.5, 1.5}};
  const auto in = Tone(300, 2.0, 1);
  const std::size_t half = in.size() / 2000 * 1000;  // where a block of 1000 begins
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << " then " << c.second);
    TimeStretch ts;
    ts.Start(1, kRate, c.first);
    double outAtChange = 0, inAtChange = 0;
    std::vector<std::int16_t> out(in.size() * 3);
    std::size_t got = 0;
    for (std::size_t at = 0; at < in.size(); at += 1000) {
      if (at == half) {
        ts.SetSpeed(c.second);
        // The output made so far stands for the input up to a little before
        // what was pushed (the stretcher looks ahead by a piece and its search).
        outAtChange = static_cast<double>(ts.OutputFrames());
        inAtChange = ts.InputAt(ts.OutputFrames());
        EXPECT_NEAR(inAtChange, outAtChange * c.first, 1.0);
        EXPECT_GT(inAtChange, static_cast<double>(half) - 0.06 * kRate);
        EXPECT_LE(inAtChange, static_cast<double>(half));
      }
      ts.Push(in.data() + at, std::min<std::size_t>(1000, in.size() - at));
      got += ts.Pull(out.data() + got, out.size() - got);
    }
    ts.Finish();
    got += ts.Pull(out.data() + got, out.size() - got);
    out.resize(got);
    const double expected = outAtChange + (static_cast<double>(in.size()) - inAtChange) / c.second;
    EXPECT_GE(static_cast<double>(got), expected - 1);
    EXPECT_LE(static_cast<double>(got), expected + 0.021 * kRate);
    EXPECT_NEAR(Frequency(out, 1), 300.0, 3.0);
    // A steady tone stays loud through the change: no fade, gap or click.
    const std::size_t period = kRate / 300 + 1;
    for (std::size_t i = kRate / 10; i + period < got - kRate / 10; i += period / 2) {
      int peak = 0;
      for (std::size_t k = i; k < i + period; ++k) peak = std::max(peak, std::abs(static_cast<int>(out[k])));
      ASSERT_GT(peak, 9000) << "at output frame " << i;
    }
  }
}
