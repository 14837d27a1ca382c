// Arithmetic of the transport: seek bounds, fast-wind steps, and the scales of
// the position and speed sliders. All positions are milliseconds.
#pragma once
#include <cstdint>

// Target of a seek on media of the given length: below 0 becomes 0, beyond the
// length becomes length - 1 (exactly the length passes unchanged). Never
// negative, so an empty medium (length 0) seeks to 0.
std::int32_t ClampSeekTarget(std::int64_t ms, std::int32_t mediaLength);

// Size of one fast-wind step: slowStep while fewer than speedupDelay seeks were
// made in the current burst, fastStep after that.
std::int32_t FastWindStep(std::int32_t seekCount, std::int32_t speedupDelay, std::int32_t slowStep,
                          std::int32_t fastStep);

// position + direction * step, where direction is -1 (rewind) or +1 (fast
// forward); computed wide and clamped to the int32 range.
std::int32_t WindTarget(std::int32_t position, std::int32_t step, int direction);

// One poll tick of a pending burst's countdown: the ticks left after it, and
// whether the burst ends now (fewer than 1 left). Any value below 2, however
// negative (a hand-edited HotKeySeekDelay), ends the burst without overflow.
struct BurstCountdown {
  std::int32_t left = 0;
  bool ends = true;
};
BurstCountdown CountDownSeekDelay(std::int32_t left);

// Range and tick frequency of the position slider; one step is 100 ms, and
// the tick frequency gives about twenty tick marks whatever the length.
struct PositionSliderRange {
  std::int32_t min = 1;
  std::int32_t max = 1;
  std::int32_t ticFreq = 0;
};

// min 1, max mediaLength / 100 + 1, ticFreq (mediaLength / 100) / 20.
// A negative length (a device reporting nonsense) is taken as 0, so the range
// never ends below its start.
PositionSliderRange PositionSliderRangeForLength(std::int32_t mediaLength);

// Slider value v stands for the 100 ms span that starts at (v - 1) * 100.
std::int32_t SliderValueForPosition(std::int32_t ms);    // ms / 100 + 1
std::int32_t PositionForSliderValue(std::int32_t value);  // (value - 1) * 100, clamped to int32

// Speed in thousandths of normal for speed slider position p (0 to 10, centre
// 5): (p - 5) * 50 + 1000, so 750 to 1250. Positions outside the slider's
// range are taken as its nearest end.
std::uint32_t SpeedForSlider(int p);
