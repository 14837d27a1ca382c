#include "audio/time_stretch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Pieces of 30 ms overlapping by half: long enough to hold two periods of a
// 76 Hz voice, short enough that a syllable's end is not smeared (40 ms
// measured worse on every spectral measure; see docs/performance.md).
constexpr double kWindowSeconds = 0.030;
// A piece moves at most 8 ms from its nominal place: more than the period of
// an 125 Hz voice, and pieces do not drift far or jump back into the last
// syllable. Shorter, a 76 Hz voice warbles.
constexpr double kSearchSeconds = 0.008;
// A candidate's similarity is weighed down linearly with its distance from
// its nominal place, to 0.6 at the edge of the search: of two nearly equal
// matches the nearer wins, and the output keeps closer to the input's timing.
constexpr double kFarWeight = 0.6;
constexpr double kFadeSeconds = 0.004;

std::int16_t ToSample(float v) {
  const float r = std::nearbyint(v);
  return static_cast<std::int16_t>(std::clamp(r, -32768.0f, 32767.0f));
}

// Raised-cosine gain of frame i of a fade-in over n frames (0 before, 1 after).
float FadeGain(std::size_t i, std::size_t n) {
  return static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * (static_cast<double>(i) + 0.5) / static_cast<double>(n)));
}

}  // namespace

std::size_t EdgeFadeFrames(int sampleRate) {
  return std::max<std::size_t>(1, static_cast<std::size_t>(sampleRate * kFadeSeconds));
}

void FadeOut(std::int16_t* frames, std::size_t count, int channels) {
  const std::size_t c = static_cast<std::size_t>(std::max(1, channels));
  for (std::size_t i = 0; i < count; ++i) {
    const float g = FadeGain(count - 1 - i, count);
    for (std::size_t k = 0; k < c; ++k) frames[i * c + k] = ToSample(g * frames[i * c + k]);
  }
}

void TimeStretch::Start(int channels, int sampleRate, double speed) {
  channels_ = std::max(1, channels);
  speed_ = std::clamp(speed, kMinSpeed, kMaxSpeed);
  hop_ = std::max<std::size_t>(8, static_cast<std::size_t>(sampleRate * kWindowSeconds / 2));
  search_ = std::max<std::size_t>(4, static_cast<std::size_t>(sampleRate * kSearchSeconds));
  coarse_ = std::max(1, sampleRate / 8000);
  fade_ = EdgeFadeFrames(sampleRate);
  window_.resize(2 * hop_);
  for (std::size_t n = 0; n < window_.size(); ++n)
    window_[n] = static_cast<float>(0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(n) /
                                                         static_cast<double>(window_.size())));
  in_.clear();
  out_.clear();
  outRead_ = 0;
  tail_.assign(hop_ * static_cast<std::size_t>(channels_), 0.0f);
  nominal_ = 0;
  natural_ = 0;
  started_ = false;
  finished_ = false;
  inTotal_ = outTotal_ = 0;
  segmentIn_ = 0;
  segmentOut_ = 0;
}

void TimeStretch::SetSpeed(double speed) {
  const double to = std::clamp(speed, kMinSpeed, kMaxSpeed);
  if (to == speed_) return;
  // The output so far stands for the input up to here at the old speed.
  segmentIn_ = InputAt(outTotal_);
  segmentOut_ = outTotal_;
  speed_ = to;
}

double TimeStretch::InputAt(std::uint64_t outputFrame) const {
  return segmentIn_ + static_cast<double>(outputFrame - std::min(outputFrame, segmentOut_)) * speed_;
}

void TimeStretch::Push(const std::int16_t* frames, std::size_t count) {
  if (finished_ || count == 0) return;
  const std::size_t ch = static_cast<std::size_t>(channels_);
  inTotal_ += count;
  in_.insert(in_.end(), frames, frames + count * ch);
  Stretch();
}

void TimeStretch::Finish() {
  if (finished_) return;
  finished_ = true;
  Stretch();  // the pieces that fit in what is left
  // What follows the last piece is the input itself: the last piece's tail
  // and the input from natural_ on, faded into each other, sum to it.
  const std::size_t ch = static_cast<std::size_t>(channels_);
  const std::size_t rest = in_.size() / ch - natural_;
  out_.insert(out_.end(), in_.begin() + static_cast<std::ptrdiff_t>(natural_ * ch), in_.end());
  Emit(rest);
  in_.clear();
  natural_ = 0;
  // The sound fades out over its last frames (those not yet pulled).
  const std::size_t held = (out_.size() - outRead_) / ch;
  const std::size_t fade = std::min(fade_, held);
  for (std::size_t i = 0; i < fade; ++i) {
    const float g = FadeGain(i, fade_);  // i frames before the end
    for (std::size_t c = 0; c < ch; ++c) {
      std::int16_t& v = out_[out_.size() - (i + 1) * ch + c];
      v = ToSample(g * v);
    }
  }
  // Short of the length the input has at this speed: silence after the last
  // sample, so that the output's length still maps to the input's.
  const double left = std::max(0.0, static_cast<double>(inTotal_) - segmentIn_);
  const std::uint64_t target = segmentOut_ + static_cast<std::uint64_t>(std::llround(left / speed_));
  if (outTotal_ < target) {
    out_.resize(out_.size() + static_cast<std::size_t>(target - outTotal_) * ch, 0);
    outTotal_ = target;
  }
}

std::size_t TimeStretch::Pull(std::int16_t* out, std::size_t maxFrames) {
  const std::size_t ch = static_cast<std::size_t>(channels_);
  const std::size_t n = std::min(maxFrames, Ready());
  std::copy_n(out_.begin() + static_cast<std::ptrdiff_t>(outRead_), n * ch, out);
  outRead_ += n * ch;
  if (outRead_ == out_.size()) {
    out_.clear();
    outRead_ = 0;
  } else if (outRead_ > 1 << 16) {
    out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(outRead_));
    outRead_ = 0;
  }
  return n;
}

// The frames just added at the end of out_ become output: those among the
// first fade_ frames of the sound fade in.
void TimeStretch::Emit(std::size_t frames) {
  const std::size_t ch = static_cast<std::size_t>(channels_);
  const std::uint64_t first = outTotal_;
  outTotal_ += frames;
  if (first >= fade_) return;
  const std::size_t base = out_.size() / ch - frames;
  for (std::size_t i = 0; i < frames && first + i < fade_; ++i) {
    const float g = FadeGain(static_cast<std::size_t>(first + i), fade_);
    for (std::size_t c = 0; c < ch; ++c) {
      std::int16_t& v = out_[(base + i) * ch + c];
      v = ToSample(g * v);
    }
  }
}

void TimeStretch::Stretch() {
  const std::size_t ch = static_cast<std::size_t>(channels_);
  const std::size_t frames = in_.size() / ch;
  const std::size_t length = 2 * hop_;
  // Pass-through: the very samples, no window touches them. After a change
  // to 1.0 from another speed, pieces go on being placed.
  if (speed_ == 1.0 && !started_) {
    out_.insert(out_.end(), in_.begin(), in_.end());
    Emit(frames);
    in_.clear();
    return;
  }
  for (;;) {
    const std::size_t nominal = static_cast<std::size_t>(nominal_);
    const std::size_t from = nominal > search_ ? nominal - search_ : 0;
    std::size_t to = nominal + search_;
    // At the end of the input the search keeps to what is there.
    if (finished_ && to + length > frames && frames >= length) to = std::max(from, frames - length);
    if (to + length > frames || natural_ + hop_ > frames) break;
    std::size_t pos = nominal;
    if (started_) pos = BestOffset(from, to, nominal);
    StretchOneFrame(pos);
    nominal_ += static_cast<double>(hop_) * speed_;
  }
  DropUsedInput();
}

// Overlaps the piece at pos with the tail of the last piece; the first half
// is final output, the second half waits for the next piece.
void TimeStretch::StretchOneFrame(std::size_t pos) {
  const std::size_t ch = static_cast<std::size_t>(channels_);
  const std::int16_t* x = in_.data() + pos * ch;
  for (std::size_t n = 0; n < hop_; ++n) {
    for (std::size_t c = 0; c < ch; ++c) {
      const float head = started_ ? tail_[n * ch + c] + window_[n] * x[n * ch + c] : static_cast<float>(x[n * ch + c]);
      out_.push_back(ToSample(head));
      tail_[n * ch + c] = window_[hop_ + n] * x[(hop_ + n) * ch + c];
    }
  }
  Emit(hop_);
  natural_ = pos + hop_;
  started_ = true;
}

// The start in [from, to] whose first half best matches what naturally
// follows the last piece: normalised cross-correlation of the channel sum,
// first on every coarse_-th frame, then frame by frame around the best.
// Nearer candidates are preferred, and of equal scores the nearest wins: in
// a pause, where every candidate scores 0, the piece stays at its place
// rather than reaching back into the syllable before it.
std::size_t TimeStretch::BestOffset(std::size_t from, std::size_t to, std::size_t nominal) const {
  const std::size_t ch = static_cast<std::size_t>(channels_);
  auto mono = [&](std::size_t frame) {
    float s = 0;
    for (std::size_t c = 0; c < ch; ++c) s += in_[frame * ch + c];
    return s;
  };
  auto distance = [&](std::size_t cand) { return cand > nominal ? cand - nominal : nominal - cand; };
  auto score = [&](std::size_t cand, std::size_t stride) {
    double dot = 0, energy = 1e-9;
    for (std::size_t n = 0; n < hop_; n += stride) {
      const double a = mono(cand + n), b = mono(natural_ + n);
      dot += a * b;
      energy += a * a;
    }
    const double weight = 1 - (1 - kFarWeight) * static_cast<double>(distance(cand)) / static_cast<double>(search_);
    const double similarity = dot / std::sqrt(energy);
    return similarity > 0 ? similarity * weight : similarity / weight;
  };
  std::size_t best = from;
  double bestScore = -1e300;
  auto consider = [&](std::size_t cand, double s) {
    const double tie = 1e-6 * std::abs(bestScore);
    if (s > bestScore + tie || (s >= bestScore - tie && distance(cand) < distance(best))) bestScore = s, best = cand;
  };
  for (std::size_t cand = from; cand <= to; cand += coarse_) consider(cand, score(cand, coarse_));
  const std::size_t lo = best > from + coarse_ ? best - coarse_ : from;
  const std::size_t hi = std::min(to, best + coarse_);
  bestScore = -1e300;
  for (std::size_t cand = lo; cand <= hi; ++cand) consider(cand, score(cand, 1));
  return best;
}

void TimeStretch::DropUsedInput() {
  const std::size_t ch = static_cast<std::size_t>(channels_);
  const std::size_t nominal = static_cast<std::size_t>(nominal_);
  const std::size_t keepFrom = std::min(nominal > search_ ? nominal - search_ : 0, natural_);
  if (keepFrom < 4 * hop_) return;
  in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(keepFrom * ch));
  nominal_ -= static_cast<double>(keepFrom);
  natural_ -= keepFrom;
}
