#include "playback/transport_math.h"

#include <algorithm>

namespace {

std::int32_t ClampToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

std::int32_t ClampSeekTarget(std::int64_t ms, std::int32_t mediaLength) {
  if (ms < 0) return 0;
  if (ms > mediaLength) return ClampToInt32(std::max<std::int64_t>(0, static_cast<std::int64_t>(mediaLength) - 1));
  return static_cast<std::int32_t>(ms);  // 0 <= ms <= mediaLength
}

std::int32_t FastWindStep(std::int32_t seekCount, std::int32_t speedupDelay, std::int32_t slowStep,
                          std::int32_t fastStep) {
  return seekCount < speedupDelay ? slowStep : fastStep;
}

std::int32_t WindTarget(std::int32_t position, std::int32_t step, int direction) {
  return ClampToInt32(static_cast<std::int64_t>(position) +
                      static_cast<std::int64_t>(direction) * static_cast<std::int64_t>(step));
}

BurstCountdown CountDownSeekDelay(std::int32_t left) {
  if (left < 2) return {0, true};
  return {left - 1, false};
}

PositionSliderRange PositionSliderRangeForLength(std::int32_t mediaLength) {
  const std::int32_t steps = std::max<std::int32_t>(mediaLength, 0) / 100;
  return {1, steps + 1, steps / 20};
}

std::int32_t SliderValueForPosition(std::int32_t ms) { return ms / 100 + 1; }

std::int32_t PositionForSliderValue(std::int32_t value) {
  return ClampToInt32((static_cast<std::int64_t>(value) - 1) * 100);
}

std::uint32_t SpeedForSlider(int p) {
  const int position = std::clamp(p, 0, 10);
  return static_cast<std::uint32_t>((position - 5) * 50 + 1000);
}
