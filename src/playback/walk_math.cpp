#include "playback/walk_math.h"

#include <algorithm>
#include <cstdio>

namespace {

std::int32_t ClampToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

std::int32_t FirstWalkChunkEnd(std::int32_t position, std::int32_t walkLengthMs, std::int32_t mediaLength) {
  const std::int64_t end = static_cast<std::int64_t>(position) + walkLengthMs;
  return ClampToInt32(std::min<std::int64_t>(end, mediaLength));
}

WalkStep NextWalkChunk(std::int32_t walkLoop, std::int32_t loopCount, std::int32_t position,
                       std::int32_t walkLengthMs, std::int32_t backspaceMs, std::int32_t mediaLength) {
  WalkStep step;
  const std::int64_t nextLoop = static_cast<std::int64_t>(walkLoop) + 1;
  std::int64_t start;
  if (nextLoop < loopCount) {
    step.walkLoop = static_cast<std::int32_t>(nextLoop);  // below loopCount, so it fits
    start = static_cast<std::int64_t>(position) - walkLengthMs;
  } else {
    step.walkLoop = 0;
    start = static_cast<std::int64_t>(position) - backspaceMs;
  }
  if (start < 0) start = 0;
  std::int64_t end = start + walkLengthMs;
  if (end > mediaLength) {
    end = mediaLength;
    step.stillWalking = false;
  }
  step.from = ClampToInt32(start);
  step.to = ClampToInt32(end);
  return step;
}

std::string WalkCounterText(std::int32_t walkLoop, std::int32_t loopCount) {
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%lld of %d", static_cast<long long>(walkLoop) + 1,
                              static_cast<int>(loopCount));
  return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}
