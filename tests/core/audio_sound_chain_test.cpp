#include "audio/sound_chain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 16000;
using Signal = std::vector<double>;  // one channel, in 16-bit sample units

double Amplitude(double dbfs) { return 32768.0 * std::pow(10.0, dbfs / 20.0); }

// A generated channel: f(t) for each frame.
Signal Make(double seconds, const std::function<double(double)>& f) {
  Signal s(static_cast<std::size_t>(seconds * kRate));
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = f(static_cast<double>(i) / kRate);
  return s;
}
double Sine(double hz, double dbfs, double t) { return Amplitude(dbfs) * std::sqrt(2.0) * std::sin(2 * std::numbers::pi * hz * t); }
// Uniform white noise of the given RMS level, the same every run.
double Noise(double dbfs) {
  static std::uint32_t seed = 12345;
  seed = seed * 1664525u + 1013904223u;
  return Amplitude(dbfs) * std::sqrt(3.0) * (static_cast<double>(seed >> 8) / 8388608.0 - 1.0);
}
// Drift and rumble: white noise through a slow leak (a corner of 2.5 Hz),
// falling 6 dB an octave above it; nearly all of it lies below 40 Hz.
double Drift(double dbfs) {
  static double walk = 0;
  walk = 0.999 * walk + Noise(0) / Amplitude(0);
  return Amplitude(dbfs) * walk * std::sqrt(1 - 0.999 * 0.999);
}

// Runs interleaved channels through a chain in blocks of odd sizes, as the
// device feeds decoded blocks, then flushes; returns the interleaved output.
std::vector<std::int16_t> Played(const SoundSettings& settings, const std::vector<Signal>& in) {
  const int channels = static_cast<int>(in.size());
  std::vector<std::int16_t> frames;
  for (std::size_t i = 0; i < in[0].size(); ++i)
    for (const Signal& c : in) frames.push_back(static_cast<std::int16_t>(std::lround(std::clamp(c[i], -32768.0, 32767.0))));
  SoundChain chain;
  chain.Set(settings);
  chain.Start(channels, kRate);
  std::vector<std::int16_t> out, block;
  const std::size_t total = in[0].size();
  for (std::size_t at = 0; at < total;) {
    const std::size_t n = std::min<std::size_t>(at % 3 == 0 ? 997 : 13, total - at);
    block.assign(frames.begin() + static_cast<std::ptrdiff_t>(at * in.size()), frames.begin() + static_cast<std::ptrdiff_t>((at + n) * in.size()));
    const std::size_t got = chain.Process(block.data(), n);
    out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got * in.size()));
    at += n;
  }
  block.assign(4096 * in.size(), 0);
  while (const std::size_t got = chain.Flush(block.data(), 100))
    out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got * in.size()));
  EXPECT_EQ(out.size(), frames.size());
  return out;
}
Signal Mono(const std::vector<std::int16_t>& s) { return Signal(s.begin(), s.end()); }

// RMS level in dBFS of [from, to) seconds of a channel.
double Level(const Signal& s, double from, double to) {
  const auto a = static_cast<std::size_t>(from * kRate), b = std::min(s.size(), static_cast<std::size_t>(to * kRate));
  double sum = 0;
  for (std::size_t i = a; i < b; ++i) sum += s[i] * s[i];
  return 10 * std::log10(std::max(sum / static_cast<double>(b - a), 1e-9) / (32768.0 * 32768.0));
}
int Peak(const std::vector<std::int16_t>& s) {
  int peak = 0;
  for (std::int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
  return peak;
}

}  // namespace

// Each stage, and everything at once, keeps frame n of the output at frame n
// of the input: the position shown is what is heard.
TEST(SoundChain, OutputIsAlignedWithInputAndUnchangedWhenOff) {
  Signal in = Make(2.0, [](double) { return Noise(-70); });
  in[20000] = 8000;
  const std::vector<SoundSettings> cases{{}, {6}, {0, true}, {0, false, channelLeft}, {0, false, 0, true}, {0, false, 0, false, true}, {20, true, channelMixed, true, true}};
  for (const SoundSettings& s : cases) {
    SCOPED_TRACE(SoundMark(s));
    const auto out = Played(s, {in});
    if (!AnySoundOn(s)) EXPECT_EQ(Mono(out), Make(2.0, [&](double t) { return std::round(in[static_cast<std::size_t>(std::lround(t * kRate))]); }));
    EXPECT_EQ(std::max_element(out.begin(), out.end(), [](auto a, auto b) { return std::abs(a) < std::abs(b); }) - out.begin(), 20000);
  }
}

TEST(SoundChain, BoostAndHighPassResponse) {
  struct Case { SoundSettings settings; double hz, lowDb, highDb; };
  const Case cases[] = {
      {{6}, 1000, 5.8, 6.2},   {{12}, 1000, 11.8, 12.2}, {{20}, 1000, 19.8, 20.2},
      {{0, false, 0, true}, 50, -40, -20}, {{0, false, 0, true}, 100, -4, -2}, {{0, false, 0, true}, 1000, -0.3, 0.3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << SoundMark(c.settings) << " at " << c.hz << " Hz");
    const auto out = Mono(Played(c.settings, {Make(2.0, [&](double t) { return Sine(c.hz, -30, t); })}));
    const double gain = Level(out, 1.0, 2.0) + 30;
    EXPECT_GE(gain, c.lowDb);
    EXPECT_LE(gain, c.highDb);
  }
}

TEST(SoundChain, LimiterKeepsEverySampleUnderTheCeiling) {
  struct Case { const char* name; SoundSettings settings; std::function<double(double)> f; double minDb; };
  const Case cases[] = {
      {"full-scale square, already clipping", {0, false, channelMixed}, [](double t) { return std::fmod(t * 200, 1) < 0.5 ? 32767.0 : -32768.0; }, -0.5},
      {"boosted loud tone", {20}, [](double t) { return Sine(440, -6, t); }, -4},
      {"boosted clicks", {20, true, 0, true, true}, [](double t) { return std::fmod(t, 0.25) < 1.0 / kRate ? 32767.0 : 0.0; }, -40},
      {"boosted noise", {20, true}, [](double) { return Noise(-10); }, -10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto out = Played(c.settings, {Make(2.0, c.f)});
    EXPECT_LE(Peak(out), kSoundCeiling);
    EXPECT_GE(Level(Mono(out), 0.5, 2.0), c.minDb);  // limited, not crushed
  }
}

TEST(SoundChain, ChannelChoicePlaysTheChosenChannelInBothEars) {
  struct Case { int channel; int channels; std::int16_t left, right; };
  const Case cases[] = {
      {channelBoth, 2, 1000, 3000}, {channelLeft, 2, 1000, 1000}, {channelRight, 2, 3000, 3000},
      {channelMixed, 2, 2000, 2000}, {channelLeft, 1, 1000, 0}, {channelRight, 1, 1000, 0}, {channelMixed, 1, 1000, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.channel << " of " << c.channels);
    std::vector<Signal> in{Make(0.5, [](double) { return 1000.0; })};
    if (c.channels == 2) in.push_back(Make(0.5, [](double) { return 3000.0; }));
    const auto out = Played({0, false, c.channel}, in);
    EXPECT_EQ(out[4000 * in.size()], c.left);
    if (c.channels == 2) EXPECT_EQ(out[4000 * 2 + 1], c.right);
  }
}

// Talkers of -10 and -35 dBFS taking turns every 4 s (syllables of noise,
// 200 ms on and 50 ms off), with pauses of faint hiss and of silence.
TEST(SoundChain, LevellerEvensTalkersWithoutRaisingPauses) {
  const auto talk = [](double t) {
    const double turn = std::fmod(t, 8.0), level = turn < 4 ? -10 : -35;
    return std::fmod(t, 0.25) < 0.2 ? Noise(level) : Noise(-75);
  };
  const auto out = Mono(Played({0, true}, {Make(16.0, talk)}));
  for (double start : {8.0, 12.0}) {
    SCOPED_TRACE(start);
    EXPECT_LE(std::fabs(Level(out, start + 0.5, start + 4) - Level(out, start - 3.5, start)), 6.0);
  }
  EXPECT_LE(Peak(Played({0, true}, {Make(16.0, talk)})), kSoundCeiling);

  // Hiss alone is not raised, nor is hiss after speech raised further in a
  // long pause; silence stays silence.
  const auto pause = Mono(Played({0, true}, {Make(6.0, [](double t) { return t < 2 ? Noise(-30) : Noise(-70); })}));
  EXPECT_NEAR(Level(pause, 2.5, 3.5), Level(pause, 5.0, 6.0), 1.0);
  EXPECT_LE(Level(Mono(Played({0, true}, {Make(3.0, [](double) { return Noise(-70); })})), 1, 3), -69.0);
  EXPECT_EQ(Peak(Played({20, true, 0, true, true}, {Make(1.0, [](double) { return 0.0; })})), 0);
}

// The suppressor learns the noise floor itself, whatever its level and
// however it wanders below the voice, and lowers it while tone "syllables"
// keep their level; a clean recording is left alone.
TEST(SoundChain, NoiseSuppressorFindsTheFloorAndKeepsTheSignal) {
  struct Case { double noiseDb; double minCutDb; double (*noise)(double); };
  for (const Case& c : {Case{-50, 10, Noise}, Case{-35, 10, Noise}, Case{-200, 0, Noise}, Case{-30, 10, Drift}}) {
    SCOPED_TRACE(testing::Message() << c.noiseDb << (c.noise == Drift ? " drift" : ""));
    const auto bursts = [](double t) { return std::fmod(t, 1.0) < 0.5 ? Sine(700, -20, t) : 0.0; };
    const Signal clean = Make(6.0, bursts);
    const Signal noise = Make(6.0, [&](double) { return c.noiseDb < -100 ? 0.0 : c.noise(c.noiseDb); });
    Signal noisy(clean.size());
    for (std::size_t i = 0; i < clean.size(); ++i) noisy[i] = clean[i] + noise[i];
    const auto out = Mono(Played({0, false, 0, false, true}, {noisy}));
    for (double s = 3; s < 6; s += 1) {
      EXPECT_NEAR(Level(out, s + 0.1, s + 0.4), Level(clean, s + 0.1, s + 0.4), 1.0) << s;
      if (c.minCutDb > 0) EXPECT_LE(Level(out, s + 0.6, s + 0.95), c.noiseDb - c.minCutDb) << s;
    }
  }
}
