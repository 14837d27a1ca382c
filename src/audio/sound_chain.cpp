#include "audio/sound_chain.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kCeiling = kSoundCeiling;
constexpr double kLowCutHz = 100.0;

// Leveller: the speech level it steers towards, how far it may move, and
// how quickly it follows (the level over about 150 ms of speech, the gain
// after it over about 80 ms: a new speaker is followed within half a second).
constexpr double kTargetDb = -20.0;
constexpr double kMaxLevelGainDb = 20.0, kMinLevelGainDb = -20.0;
constexpr double kLevelSeconds = 0.15, kGainSeconds = 0.08;
// A 10 ms block counts as speech when it stands this far above the floor of
// the recording's pauses and above an absolute threshold; otherwise the gain
// holds, so pauses and hiss are never raised.
constexpr double kGateAboveFloorDb = 10.0, kGateDb = -60.0;
constexpr double kFloorRiseDbPerSecond = 10.0;

// Noise suppressor: each bin's power, over three neighbouring bins and
// recursively over time (about 23 ms), and the minimum of that over about
// 6 s (8 sub-windows of 0.75 s) as the noise floor, times the factor that
// makes the minimum of steady noise its mean. The window is long so that a
// recording without noise keeps a pause in it and its speech is left alone;
// a louder noise is followed within it, a quieter one at once. Then a-priori
// SNR, decision-directed, and a Wiener gain kept above a floor, so that no
// lone bin of noise stands out as a "musical" tone.
constexpr float kPowerSmoothing = 0.6f;
constexpr int kSubWindows = 8;
constexpr double kSubWindowSeconds = 0.75;
constexpr float kMinimumBias = 2.6f;
// Below the lowest voice pitch (bins centred under 60 Hz) there is no speech
// to keep, and what is there, drift and rumble, wanders far more than a
// steady hiss: its minimum over the window lies about 13 dB under its mean
// in pink noise, and further in a random walk, where hiss's lies 4 dB under
// (the bias above). There the floor is the mean power over about a second,
// but never more than 20 dB above the minimum: a clean recording, whose
// pauses hold nothing, is still left alone.
constexpr double kLowestVoiceHz = 60.0;
constexpr double kBelowVoiceSeconds = 1.0;
constexpr float kBelowVoiceMostAboveMinimum = 100.0f;  // 20 dB
constexpr float kDecisionDirected = 0.96f;
constexpr float kMinSnr = 0.0032f;  // -25 dB
constexpr float kGainFloor = 0.08f;  // about -22 dB

double Db(double power) { return 10.0 * std::log10(std::max(power, 1e-12)); }

// Per-sample coefficient of a one-pole smoother with time constant seconds.
double Smoother(double seconds, double rate) { return 1.0 - std::exp(-1.0 / (seconds * rate)); }

// A second-order high-pass section (bilinear, prewarped) of quality q.
std::array<double, 5> HighPassSection(double hz, double rate, double q) {
  const double w = 2 * std::numbers::pi * hz / rate, cw = std::cos(w), alpha = std::sin(w) / (2 * q);
  const double a0 = 1 + alpha;
  return {(1 + cw) / 2 / a0, -(1 + cw) / a0, (1 + cw) / 2 / a0, -2 * cw / a0, (1 - alpha) / a0};
}

}  // namespace

bool AnySoundOn(const SoundSettings& s) {
  return s.boostDb != 0 || s.level || s.channel != channelBoth || s.lowCut || s.denoise;
}

std::string SoundMark(const SoundSettings& s) {
  std::string mark;
  const auto add = [&mark](const std::string& part) { mark += (mark.empty() ? "" : ", ") + part; };
  if (s.boostDb != 0) add("boost +" + std::to_string(s.boostDb) + " dB");
  if (s.level) add("level");
  if (s.channel == channelLeft) add("left only");
  if (s.channel == channelRight) add("right only");
  if (s.channel == channelMixed) add("mixed");
  if (s.lowCut) add("low cut");
  if (s.denoise) add("denoise");
  return mark;
}

double SoundChain::HighPass::Run(double x, const std::array<std::array<double, 5>, 2>& c) {
  for (std::size_t i = 0; i < 2; ++i) {
    auto& z = state[i];
    const auto& k = c[i];
    const double y = k[0] * x + k[1] * z[0] + k[2] * z[1] - k[3] * z[2] - k[4] * z[3];
    z = {x, z[0], y, z[2]};
    x = y;
  }
  return x;
}

void SoundChain::Start(int channels, int sampleRate) {
  // More than two channels pass unchanged, without delay.
  passThrough_ = channels < 1 || channels > 2;
  channels_ = std::clamp(channels, 1, 2);
  rate_ = std::max(sampleRate, 1000);
  // Frames of about 32 ms at most (a power of two), overlapping by half:
  // the chain's delay stays within 16 ms plus the limiter's 1.5 ms.
  n_ = 64;
  while (n_ * 2 <= static_cast<std::size_t>(rate_ * 0.032)) n_ *= 2;
  hop_ = n_ / 2;
  lookahead_ = std::max<std::size_t>(1, static_cast<std::size_t>(rate_ * 0.0015));
  block_ = static_cast<std::size_t>(rate_ / 100);
  glide_ = Smoother(0.01, rate_);
  releaseGlide_ = Smoother(0.08, rate_);
  // Fourth-order Butterworth high-pass: two sections.
  hpCoef_ = {HighPassSection(kLowCutHz, rate_, 0.54119610), HighPassSection(kLowCutHz, rate_, 1.3065630)};

  window_.resize(n_);
  for (std::size_t i = 0; i < n_; ++i)
    window_[i] = static_cast<float>(std::sin(std::numbers::pi * static_cast<double>(i) / static_cast<double>(n_)));
  cosTable_.resize(n_ / 2);
  sinTable_.resize(n_ / 2);
  for (std::size_t i = 0; i < n_ / 2; ++i) {
    cosTable_[i] = static_cast<float>(std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n_)));
    sinTable_[i] = static_cast<float>(-std::sin(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n_)));
  }
  bitReverse_.resize(n_);
  for (std::size_t i = 0; i < n_; ++i) {
    std::size_t r = 0;
    for (std::size_t b = 1, m = n_ >> 1; m > 0; b <<= 1, m >>= 1)
      if (i & b) r |= m;
    bitReverse_[i] = r;
  }
  belowVoice_ = static_cast<std::size_t>(std::ceil(kLowestVoiceHz * static_cast<double>(n_) / rate_));
  meanGlide_ = static_cast<float>(Smoother(kBelowVoiceSeconds, static_cast<double>(rate_) / static_cast<double>(hop_)));
  re_.assign(n_, 0);
  im_.assign(n_, 0);
  const std::size_t bins = n_ / 2 + 1;
  for (Suppressor& s : suppressor_) {
    s = Suppressor{};
    s.smoothed.assign(bins, 0);
    s.noise.assign(bins, 0);
    s.subMin.assign(bins, 0);
    s.lastClean.assign(bins, 0);
    s.mean.assign(belowVoice_, 0);
    s.gain.assign(bins, 1);
  }
  levelStarted_ = speechSeen_ = false;
  gainDb_ = goalDb_ = 0;
  appliedGain_ = goal_ = 1;
  boost_ = std::pow(10.0, settings_.boostDb / 20.0);
  Restart();
}

void SoundChain::Restart() {
  for (HighPass& h : highPass_) h = HighPass{};
  lowCutOn_ = false;
  for (Suppressor& s : suppressor_) {
    s.in.assign(n_, 0);
    s.out.assign(n_, 0);
  }
  suppressing_ = false;
  gathered_.assign(hop_ * 2, 0);
  inHop_ = 0;
  ready_.clear();
  readyRead_ = 0;
  toDrop_ = Latency();
  owed_ = 0;
  blockSum_ = 0;
  blockFill_ = 0;
  delayLine_.assign(lookahead_ * 2, 0);
  required_.assign(lookahead_ + 1, 1);
  averaged_.assign(lookahead_, 1);
  ringAt_ = 0;
  average_ = static_cast<double>(lookahead_);
  release_ = 1;
}

float SoundChain::ChannelStage(const std::int16_t* frame, int c) const {
  const int last = channels_ - 1;
  switch (settings_.channel) {
    case channelLeft: return frame[0];
    case channelRight: return frame[last];
    case channelMixed: return 0.5f * (static_cast<float>(frame[0]) + static_cast<float>(frame[last]));
    default: return frame[std::min(c, last)];
  }
}

std::size_t SoundChain::Process(std::int16_t* frames, std::size_t count) {
  if (passThrough_) return count;
  const auto ch = static_cast<std::size_t>(channels_);
  std::size_t written = 0;
  if (settings_.lowCut && !lowCutOn_)  // switched on: from rest, not from where it stopped
    for (HighPass& h : highPass_) h = HighPass{};
  lowCutOn_ = settings_.lowCut;
  for (std::size_t f = 0; f < count; ++f) {
    // Both lanes are kept while the two channels differ; one otherwise.
    for (int c = 0; c < 2; ++c) {
      double x = ChannelStage(frames + f * ch, c);
      if (settings_.lowCut) x = highPass_[static_cast<std::size_t>(c)].Run(x, hpCoef_);
      gathered_[inHop_ * 2 + static_cast<std::size_t>(c)] = static_cast<float>(x);
    }
    ++owed_;
    if (++inHop_ == hop_) {
      inHop_ = 0;
      EmitHop();
    }
    // Hand out what is ready, never beyond the frames already read from
    // this call's buffer (f + 1), so that writing in place is safe.
    while (readyRead_ < ready_.size() / ch && written < f + 1) {
      for (std::size_t c = 0; c < ch; ++c) frames[written * ch + c] = ready_[readyRead_ * ch + c];
      ++readyRead_;
      ++written;
      --owed_;
    }
  }
  ready_.erase(ready_.begin(), ready_.begin() + static_cast<std::ptrdiff_t>(readyRead_ * ch));
  readyRead_ = 0;
  return written;
}

std::size_t SoundChain::Flush(std::int16_t* out, std::size_t maxFrames) {
  if (passThrough_) return 0;
  const auto ch = static_cast<std::size_t>(channels_);
  // Every frame taken in comes out once: feed silence through the delay
  // until all of them are ready.
  while (ready_.size() / ch - readyRead_ < owed_) {
    std::fill(gathered_.begin() + static_cast<std::ptrdiff_t>(inHop_ * 2), gathered_.end(), 0.0f);
    inHop_ = 0;
    EmitHop();
  }
  const std::size_t n = std::min(maxFrames, owed_);
  std::copy_n(ready_.begin() + static_cast<std::ptrdiff_t>(readyRead_ * ch), n * ch, out);
  readyRead_ += n;
  owed_ -= n;
  return n;
}

void SoundChain::Suppress(Suppressor& s, bool active) {
  const std::size_t bins = n_ / 2 + 1;
  for (std::size_t i = 0; i < n_; ++i) {
    re_[bitReverse_[i]] = s.in[i] * window_[i];
    im_[bitReverse_[i]] = 0;
  }
  const auto fft = [this] {
    for (std::size_t size = 2; size <= n_; size *= 2) {
      const std::size_t half = size / 2, step = n_ / size;
      for (std::size_t start = 0; start < n_; start += size)
        for (std::size_t k = 0; k < half; ++k) {
          const float c = cosTable_[k * step], sn = sinTable_[k * step];
          const std::size_t a = start + k, b = a + half;
          const float tr = re_[b] * c - im_[b] * sn, ti = re_[b] * sn + im_[b] * c;
          re_[b] = re_[a] - tr;
          im_[b] = im_[a] - ti;
          re_[a] += tr;
          im_[a] += ti;
        }
    }
  };
  fft();

  if (s.frames == 0) s.gain.assign(bins, 1);
  if (active) {
    const std::size_t subLength =
        std::max<std::size_t>(1, static_cast<std::size_t>(kSubWindowSeconds * rate_ / static_cast<double>(hop_)));
    for (std::size_t k = 0; k < bins; ++k) {
      const float p = re_[k] * re_[k] + im_[k] * im_[k];
      // Over three neighbouring bins, which steadies the minimum of noise.
      const auto power = [this](std::size_t i) { return re_[i] * re_[i] + im_[i] * im_[i]; };
      const float near = (power(k == 0 ? 1 : k - 1) + 2 * p + power(k == bins - 1 ? k - 1 : k + 1)) / 4;
      s.smoothed[k] = s.frames == 0 ? near : kPowerSmoothing * s.smoothed[k] + (1 - kPowerSmoothing) * near;
      s.subMin[k] = s.subFrames == 0 ? s.smoothed[k] : std::min(s.subMin[k], s.smoothed[k]);
      float floor = s.subMin[k];
      for (const auto& m : s.mins) floor = std::min(floor, m[k]);
      // Until a sub-window has passed, the minimum of so few frames is
      // close to the smoothed power itself: no bias factor yet.
      s.noise[k] = std::max(s.mins.empty() ? floor : kMinimumBias * floor, 1e-3f);
      if (k < belowVoice_) {
        s.mean[k] = s.frames == 0 ? p : s.mean[k] + meanGlide_ * (p - s.mean[k]);
        if (!s.mins.empty()) s.noise[k] = std::max(s.noise[k], std::min(s.mean[k], kBelowVoiceMostAboveMinimum * floor));
      }
      const float gamma = p / s.noise[k];
      const float prior = s.frames == 0 ? 1.0f : s.lastClean[k] / s.noise[k];
      const float xi = std::max(kDecisionDirected * prior + (1 - kDecisionDirected) * std::max(gamma - 1, 0.0f), kMinSnr);
      s.gain[k] = std::max(xi / (1 + xi), kGainFloor);
      s.lastClean[k] = s.gain[k] * s.gain[k] * p;
    }
    if (++s.subFrames >= static_cast<int>(subLength)) {
      s.subFrames = 0;
      s.mins.push_back(s.subMin);
      if (s.mins.size() > kSubWindows) s.mins.erase(s.mins.begin());
    }
    ++s.frames;
  } else {
    for (float& g : s.gain) g += 0.3f * (1 - g);  // switched off: back to unity over a few frames
  }
  for (std::size_t k = 0; k < bins; ++k) {
    re_[k] *= s.gain[k];
    im_[k] *= s.gain[k];
    if (k != 0 && k != n_ / 2) {
      re_[n_ - k] *= s.gain[k];
      im_[n_ - k] *= s.gain[k];
    }
  }
  // Inverse: the forward transform of the conjugate, conjugated, over n.
  for (std::size_t i = 0; i < n_; ++i) {
    const std::size_t r = bitReverse_[i];
    if (r > i) {
      std::swap(re_[i], re_[r]);
      std::swap(im_[i], im_[r]);
    }
  }
  for (float& v : im_) v = -v;
  fft();
  const float scale = 1.0f / static_cast<float>(n_);
  for (std::size_t i = 0; i < n_; ++i) s.out[i] += re_[i] * scale * window_[i];
}

void SoundChain::EmitHop() {
  const bool shared = channels_ == 1 || settings_.channel != channelBoth;
  const int lanes = shared ? 1 : 2;
  const bool any = AnySoundOn(settings_);
  const bool suppress = settings_.denoise || suppressing_;
  std::array<std::vector<float>*, 2> hop{};
  for (int c = 0; c < lanes; ++c) {
    Suppressor& s = suppressor_[static_cast<std::size_t>(c)];
    std::copy(s.in.begin() + static_cast<std::ptrdiff_t>(hop_), s.in.end(), s.in.begin());
    for (std::size_t i = 0; i < hop_; ++i) s.in[hop_ + i] = gathered_[i * 2 + static_cast<std::size_t>(c)];
    if (suppress) {
      if (!suppressing_) {
        // Switched on: the overlap-add sum starts with what the frame
        // before would have left there at unity gain.
        std::fill(s.out.begin(), s.out.end(), 0.0f);
        for (std::size_t i = 0; i < hop_; ++i) s.out[i] = s.in[i] * window_[i + hop_] * window_[i + hop_];
      }
      Suppress(s, settings_.denoise);
    } else {
      std::copy_n(s.in.begin(), hop_, s.out.begin());
    }
    hop[static_cast<std::size_t>(c)] = &s.out;
  }
  if (suppress) {
    suppressing_ = settings_.denoise;
    for (int c = 0; c < lanes && !suppressing_; ++c)
      for (float g : suppressor_[static_cast<std::size_t>(c)].gain) suppressing_ = suppressing_ || g < 0.999f;
  }

  const auto ch = static_cast<std::size_t>(channels_);
  const double boostTarget = std::pow(10.0, std::clamp(settings_.boostDb, 0, kMaxBoostDb) / 20.0);
  for (std::size_t i = 0; i < hop_; ++i) {
    std::array<float, 2> x{};
    for (int c = 0; c < 2; ++c) x[static_cast<std::size_t>(c)] = (*hop[static_cast<std::size_t>(shared ? 0 : c)])[i];
    if (any) {
      Level(x.data(), lanes);
      boost_ += (boostTarget - boost_) * glide_;
      const double g = appliedGain_ * boost_;
      for (float& v : x) v = static_cast<float>(v * g);
    }
    Limit(x.data(), lanes);
    // The limiter's output is the frame lookahead_ frames back.
    if (toDrop_ > 0) {
      --toDrop_;
      continue;
    }
    for (std::size_t c = 0; c < ch; ++c) {
      const double v = std::clamp(static_cast<double>(x[shared ? 0 : c]), any ? -kCeiling : -32768.0, any ? kCeiling : 32767.0);
      ready_.push_back(static_cast<std::int16_t>(std::lround(v)));
    }
  }
  for (int c = 0; c < lanes; ++c) {
    auto& out = suppressor_[static_cast<std::size_t>(c)].out;
    std::copy(out.begin() + static_cast<std::ptrdiff_t>(hop_), out.end(), out.begin());
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(hop_), out.end(), 0.0f);
  }
}

void SoundChain::Level(float* x, int lanes) {
  const double target = settings_.level ? gainDb_ : 0.0;
  if (settings_.level) {
    double power = 0;
    for (int c = 0; c < lanes; ++c) power += static_cast<double>(x[c]) * x[c];
    blockSum_ += power / lanes;
    if (++blockFill_ >= block_) {
      const double db = Db(blockSum_ / static_cast<double>(blockFill_) / (32768.0 * 32768.0));
      blockSum_ = 0;
      blockFill_ = 0;
      const double blockSeconds = static_cast<double>(block_) / rate_;
      if (!levelStarted_) {
        floorDb_ = db;
        levelStarted_ = true;
      }
      // The floor of the pauses: falls at once, rises slowly.
      floorDb_ = db < floorDb_ ? db : floorDb_ + kFloorRiseDbPerSecond * blockSeconds;
      if (db > kGateDb && db > floorDb_ + kGateAboveFloorDb) {
        speechDb_ = speechSeen_ ? speechDb_ + (db - speechDb_) * (1 - std::exp(-blockSeconds / kLevelSeconds)) : db;
        speechSeen_ = true;
        const double wanted = std::clamp(kTargetDb - speechDb_, kMinLevelGainDb, kMaxLevelGainDb);
        gainDb_ += (wanted - gainDb_) * (1 - std::exp(-blockSeconds / kGainSeconds));
      }
    }
  }
  if (target != goalDb_) {
    goalDb_ = target;
    goal_ = std::pow(10.0, target / 20.0);
  }
  appliedGain_ += (goal_ - appliedGain_) * glide_;
}

void SoundChain::Limit(float* x, int lanes) {
  const auto L = lookahead_;
  float peak = 0;
  for (int c = 0; c < lanes; ++c) peak = std::max(peak, std::fabs(x[c]));
  const bool any = AnySoundOn(settings_);
  const double required = any && peak > kCeiling ? kCeiling / peak : 1.0;
  release_ = required < release_ ? required : release_ + (required - release_) * releaseGlide_;
  required_[ringAt_ % (L + 1)] = static_cast<float>(release_);
  float lowest = 1;
  for (float r : required_) lowest = std::min(lowest, r);
  const std::size_t a = ringAt_ % L;
  average_ += lowest - averaged_[a];
  averaged_[a] = lowest;
  // Swap the frame into the delay line: x leaves with the frame L back.
  for (int c = 0; c < 2; ++c) std::swap(x[c], delayLine_[a * 2 + static_cast<std::size_t>(c)]);
  ++ringAt_;
  if (!any) return;
  const double gain = std::min(1.0, average_ / static_cast<double>(L));
  for (int c = 0; c < 2; ++c) x[c] = static_cast<float>(x[c] * gain);
}
