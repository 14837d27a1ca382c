// What Media Foundation's Source Reader hands back, checked before the own
// audio device relies on it: the decoded format, the length, and where each
// decoded sample lies on the recording's time line. Every value comes from a
// decoder of some file, so each is checked as untrusted input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "audio/byte_source.h"

// The fields of a decoded audio media type as the reader reports them
// (0 for a field it did not give).
struct MfTypeFields {
  bool isAudio = false;
  bool isPcm = false;
  std::uint32_t bitsPerSample = 0;
  std::uint32_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint32_t blockAlign = 0;
};

// 16-bit PCM the device can play: 1 or 2 channels, 8 to 192 kHz.
struct MfPcmFormat {
  int channels = 0;
  int sampleRate = 0;
};

std::optional<MfPcmFormat> CheckMfPcmType(const MfTypeFields& type);

// Frames of a length in 100-ns units (MF_PD_DURATION), rounded to the
// nearest; nothing for a length that is not positive or longer than a day.
std::optional<std::uint64_t> MfDurationFrames(std::uint64_t hns, int sampleRate);

// The frame a time stamp in 100-ns units names, rounded to the nearest;
// negative stamps (decoder priming) give frame 0 less, so they return as a
// signed count.
std::int64_t MfStampFrame(std::int64_t hns, int sampleRate);

// 100-ns units of a frame, for SetCurrentPosition.
std::int64_t MfFrameHns(std::uint64_t frame, int sampleRate);

// How one decoded buffer fits the time line, given the frame the reader
// should give next: frames of silence to insert for a gap before it (a
// decoder that skipped a stretch, or a seek that landed late), frames to drop
// from its front (decoded before a seek's target, or overlapping what was
// given), and frames to keep. A buffer whose size is not whole frames, or is
// larger than any decoder gives, is no buffer (nothing).
struct MfPlacement {
  std::uint64_t silence = 0;
  std::size_t drop = 0;
  std::size_t keep = 0;
};
// The largest buffer accepted; the largest gap filled with silence; the
// furthest behind a buffer may start and still be dropped into place (a
// seek may land a little early). A time stamp further off than these is
// taken to be wrong, and the buffer then follows on from what was given.
constexpr std::size_t kMfMaxBufferBytes = 16u << 20;
constexpr std::uint64_t kMfMaxAheadMs = 1000;
constexpr std::uint64_t kMfMaxBehindMs = 10000;
std::optional<MfPlacement> PlaceMfBuffer(std::optional<std::int64_t> stampHns, std::size_t bytes,
                                         const MfPcmFormat& format, std::uint64_t nextFrame);

// Right after a seek to frame target (the reader sent lead frames before
// it), whether a buffer stamped stampHns was decoded before the seek: Wine's
// Source Reader may still hand one over (seen: stamped seconds away, at the
// place the play was before). The first buffer of the seek starts at or
// before the place the reader was sent to, or within the lead at the start
// of the file; one stamped after that, or further behind than a buffer is
// ever dropped into place, is such a leftover.
bool MfLeftoverOfSeek(std::int64_t stampHns, int sampleRate, std::uint64_t target, std::uint64_t lead);

// The priming of an MP4 file's sound track (m4a, mp4, 3gp): the frames its
// edit list skips at the start of the decoded stream (1024 or 2112 for
// AAC), at the given output rate; 0 for no edit, no sound track, or a file
// that is not MP4. A decoder that does not apply the edit list gives these
// frames first, and the reader drops them.
std::uint64_t Mp4AudioPrimingFrames(std::uint64_t fileSize, const ReadAtFn& read, int sampleRate);

// What the samples of an MP4 file's sound track add up to (its stts box), in
// frames at the given output rate, whatever the file's length headers say;
// nothing for a file that is not MP4 or has no sound track.
std::optional<std::uint64_t> Mp4SoundSampleFrames(std::uint64_t fileSize, const ReadAtFn& read, int sampleRate);
