#include "audio/time_stretch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kWindowSeconds = 0.030;  // pieces of 30 ms, overlapping by half
constexpr double kSearchSeconds = 0.012;  // longer than the period of an 85 Hz voice

std::int16_t ToSample(float v) {
  const float r = std::nearbyint(v);
  return static_cast<std::int16_t>(std::clamp(r, -32768.0f, 32767.0f));
}

}  // namespace

void TimeStretch::Start(int channels, int sampleRate, double speed) {
  channels_ = std::max(1, channels);
  speed_ = std::clamp(speed, kMinSpeed, kMaxSpeed);
  hop_ = std::max<std::size_t>(8, static_cast<std::size_t>(sampleRate * kWindowSeconds / 2));
  search_ = std::max<std::size_t>(4, static_cast<std::size_t>(sampleRate * kSearchSeconds));
  coarse_ = std::max(1, sampleRate / 8000);
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
}

void TimeStretch::Push(const std::int16_t* frames, std::size_t count) {
  if (finished_ || count == 0) return;
  const std::size_t ch = static_cast<std::size_t>(channels_);
  inTotal_ += count;
  if (speed_ == 1.0) {  // pass-through: the very samples, no window touches them
    out_.insert(out_.end(), frames, frames + count * ch);
    outTotal_ += count;
    return;
  }
  in_.insert(in_.end(), frames, frames + count * ch);
  Stretch();
}

void TimeStretch::Finish() {
  if (finished_) return;
  finished_ = true;
  if (speed_ == 1.0) return;
  // Silence after the end lets the last pieces be placed; the output is then
  // cut to the length the input has at this speed.
  in_.resize(in_.size() + (2 * hop_ + 2 * search_) * static_cast<std::size_t>(channels_), 0);
  Stretch();
  const std::uint64_t target = static_cast<std::uint64_t>(std::llround(static_cast<double>(inTotal_) / speed_));
  const std::size_t ch = static_cast<std::size_t>(channels_);
  if (outTotal_ < target) {  // flush what overlaps, then silence to the target
    const std::size_t add = static_cast<std::size_t>(std::min<std::uint64_t>(target - outTotal_, hop_));
    for (std::size_t i = 0; i < add * ch; ++i) out_.push_back(ToSample(tail_[i]));
    outTotal_ += add;
    out_.resize(out_.size() + static_cast<std::size_t>(target - outTotal_) * ch, 0);
    outTotal_ = target;
  } else if (outTotal_ > target) {
    const std::size_t cut = static_cast<std::size_t>(outTotal_ - target) * ch;
    out_.resize(out_.size() - std::min(cut, out_.size() - outRead_));
    outTotal_ = target;
  }
  in_.clear();
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

void TimeStretch::Stretch() {
  const std::size_t ch = static_cast<std::size_t>(channels_);
  const std::size_t frames = in_.size() / ch;
  const std::size_t length = 2 * hop_;
  for (;;) {
    const std::size_t nominal = static_cast<std::size_t>(nominal_);
    const std::size_t from = nominal > search_ ? nominal - search_ : 0;
    const std::size_t to = nominal + search_;
    if (to + length > frames || natural_ + hop_ > frames) break;
    StretchOneFrame(started_ ? BestOffset(from, to) : nominal);
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
  outTotal_ += hop_;
  natural_ = pos + hop_;
  started_ = true;
}

// The start in [from, to] whose first half best matches what naturally
// follows the last piece: normalised cross-correlation of the channel sum,
// first on every coarse_-th frame, then frame by frame around the best.
std::size_t TimeStretch::BestOffset(std::size_t from, std::size_t to) const {
  const std::size_t ch = static_cast<std::size_t>(channels_);
  auto mono = [&](std::size_t frame) {
    float s = 0;
    for (std::size_t c = 0; c < ch; ++c) s += in_[frame * ch + c];
    return s;
  };
  auto score = [&](std::size_t cand, std::size_t stride) {
    double dot = 0, energy = 1e-9;
    for (std::size_t n = 0; n < hop_; n += stride) {
      const double a = mono(cand + n), b = mono(natural_ + n);
      dot += a * b;
      energy += a * a;
    }
    return dot / std::sqrt(energy);
  };
  std::size_t best = from;
  double bestScore = -1e300;
  for (std::size_t cand = from; cand <= to; cand += coarse_) {
    const double s = score(cand, coarse_);
    if (s > bestScore) bestScore = s, best = cand;
  }
  const std::size_t lo = best > from + coarse_ ? best - coarse_ : from;
  const std::size_t hi = std::min(to, best + coarse_);
  bestScore = -1e300;
  for (std::size_t cand = lo; cand <= hi; ++cand) {
    const double s = score(cand, 1);
    if (s > bestScore) bestScore = s, best = cand;
  }
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
