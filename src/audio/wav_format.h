// Reads the layout of a RIFF WAVE file: where its PCM samples are and what
// they are. Tolerates odd-sized chunks with or without their pad byte, and
// sizes that pass the end of the file (the samples that are there play).
#pragma once

#include <cstdint>

#include "audio/byte_source.h"

enum class WavError {
  kNone,
  kNotWave,       // no RIFF/WAVE header: not a file this reader knows
  kUnsupported,   // a WAVE format other than 8 or 16 bit PCM, mono or stereo
  kNoFormat,      // no usable fmt chunk before the file ends
  kNoData,        // no data chunk
};

struct WavLayout {
  WavError error = WavError::kNotWave;
  int channels = 0;
  int sampleRate = 0;
  int bitsPerSample = 0;
  int blockAlign = 0;            // bytes of one sample frame, all channels
  std::uint64_t dataOffset = 0;  // first sample byte
  std::uint64_t dataBytes = 0;   // whole frames that are really in the file
};

WavLayout ParseWav(std::uint64_t fileSize, const ReadAtFn& read);

// Length in milliseconds of frames at rate, rounded down, clamped to int32.
std::int32_t FramesToMs(std::uint64_t frames, int sampleRate);
// First frame at or after ms.
std::uint64_t MsToFrames(std::int64_t ms, int sampleRate);
