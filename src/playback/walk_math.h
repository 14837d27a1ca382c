// Arithmetic of walk mode: where each chunk starts and ends, and the
// repetition counter shown in the status bar. All positions are milliseconds.
#pragma once
#include <cstdint>
#include <string>

// End of the first chunk of a walk started at position: one walk length
// further, but no further than the end of the media. Computed without overflow.
std::int32_t FirstWalkChunkEnd(std::int32_t position, std::int32_t walkLengthMs, std::int32_t mediaLength);

// The chunk that follows the end of the previous one.
struct WalkStep {
  std::int32_t walkLoop = 0;  // repetition index of the chunk now played, from 0
  std::int32_t from = 0;      // start of the chunk
  std::int32_t to = 0;        // end of the chunk
  bool stillWalking = true;   // false when the chunk was cut at the end of the media
};

// After a chunk ends at position: the same chunk again (walkLoop + 1, start =
// position - walkLengthMs) while walkLoop + 1 is below loopCount, otherwise
// the next chunk (walkLoop 0, start = position - backspaceMs). A start below 0
// becomes 0; end = start + walkLengthMs, cut to mediaLength (and stillWalking
// false) when it would pass the end. Computed without overflow.
WalkStep NextWalkChunk(std::int32_t walkLoop, std::int32_t loopCount, std::int32_t position,
                       std::int32_t walkLengthMs, std::int32_t backspaceMs, std::int32_t mediaLength);

// The counter "%d of %d" with walkLoop + 1 and loopCount, as in "2 of 3".
std::string WalkCounterText(std::int32_t walkLoop, std::int32_t loopCount);
