// Reads the layout of a RIFF WAVE file: where its samples are and how they
// are coded. Tolerates odd-sized chunks with or without their pad byte, and
// sizes that pass the end of the file (the samples that are there play).
// WavReader decodes them to 16-bit PCM, mono or stereo, from any frame on.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/byte_source.h"

enum class WavError {
  kNone,
  kNotWave,       // no RIFF/WAVE header: not a file this reader knows
  kUnsupported,   // a coding, sample size or channel count this reader cannot decode
  kNoFormat,      // no usable fmt chunk before the file ends
  kNoData,        // no data chunk
};

// How the samples are coded: integer PCM (8 to 32 bits), IEEE float (32 or
// 64 bits), G.711 A-law and µ-law (8 bits), and IMA (DVI) ADPCM (4 bits).
enum class WavCoding { kPcm, kFloat, kALaw, kMuLaw, kImaAdpcm };

inline constexpr int kMaxWavChannels = 8;

struct WavLayout {
  WavError error = WavError::kNotWave;
  WavCoding coding = WavCoding::kPcm;
  int channels = 0;                // in the file; WavReader gives at most two
  int sampleRate = 0;
  int bitsPerSample = 0;           // of one stored sample
  int blockAlign = 0;              // bytes of one block: a sample frame, or one ADPCM block
  int framesPerBlock = 1;          // frames one block decodes to
  std::uint32_t channelMask = 0;   // speaker positions (WAVE_FORMAT_EXTENSIBLE), else a usual one
  std::uint64_t dataOffset = 0;    // first sample byte
  std::uint64_t dataBytes = 0;     // bytes that are really in the file and decode to whole frames
  std::uint64_t frames = 0;        // frames per channel those bytes decode to
};

WavLayout ParseWav(std::uint64_t fileSize, const ReadAtFn& read);

// Decodes the data of a parsed wav to interleaved 16-bit frames: files of
// three to eight channels are mixed down to stereo (the low-frequency
// channel left out), and every other file keeps its channels.
class WavReader {
 public:
  WavReader(const WavLayout& layout, ReadAtFn read);
  int Channels() const { return outChannels_; }
  std::uint64_t Frames() const { return layout_.frames; }
  // The next Read starts at frame (clamped to the end).
  void Seek(std::uint64_t frame) { next_ = frame < layout_.frames ? frame : layout_.frames; }
  // Up to maxFrames frames; fewer only at the end or when a read comes short.
  std::size_t Read(std::int16_t* out, std::size_t maxFrames);

 private:
  std::size_t ReadFrames(std::int16_t* out, std::size_t maxFrames);
  std::size_t ReadAdpcm(std::int16_t* out, std::size_t maxFrames);
  void Mix(const float* in, std::size_t frames, std::int16_t* out) const;

  WavLayout layout_;
  ReadAtFn read_;
  int outChannels_ = 1;
  std::vector<float> gainLeft_, gainRight_;  // each file channel's share of the two outputs
  std::uint64_t next_ = 0;
  std::vector<std::uint8_t> raw_;
  std::vector<float> wide_;                  // decoded file channels before the mix
  std::vector<std::int16_t> block_;          // the last ADPCM block decoded, output channels
  std::uint64_t blockIndex_ = ~0ull;
  std::size_t blockFrames_ = 0;
};

// Length in milliseconds of frames at rate, rounded down, clamped to int32.
std::int32_t FramesToMs(std::uint64_t frames, int sampleRate);
// First frame at or after ms.
std::uint64_t MsToFrames(std::int64_t ms, int sampleRate);
