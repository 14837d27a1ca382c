// MPEG audio layer III frame headers and the frame index of an mp3 file:
// where each audio frame starts, so that a seek lands on the right frame
// without decoding what lies before it. ID3v2 tags are skipped; the Xing/Info
// frame is read for the encoder's delay and padding and left out of the index.
// Each frame's bit reservoir reach (main_data_begin) is kept, so that a seek
// can start decoding early enough for its target to decode exactly as it
// does in a decode from the start.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/byte_source.h"

struct Mp3Header {
  bool valid = false;
  int version = 0;          // 10 = MPEG-1, 20 = MPEG-2, 25 = MPEG-2.5
  int bitrateKbps = 0;
  int sampleRate = 0;
  int channels = 0;
  int frameBytes = 0;       // the whole frame, header and padding included
  int samplesPerFrame = 0;  // per channel
  int sideBytes = 0;        // header, CRC and side information: where the frame's main data starts
};

// Samples a layer III decoder puts before the first sample it was given
// (the filter bank's delay), and the encoder delay lame uses when a file
// carries no tag that says it.
constexpr int kMp3DecoderDelay = 529;
constexpr int kLameEncoderDelay = 576;

// Decodes a four-byte frame header (big-endian word); invalid for anything
// but layer III with a known bitrate (free format is not taken) and rate.
Mp3Header ParseMp3Header(std::uint32_t word);

// Two frames belong to one stream when version, rate and channels agree.
bool SameStream(const Mp3Header& a, const Mp3Header& b);

// Bytes an ID3v2 tag at the start of bytes takes (header, body and footer),
// or 0 when bytes[0..10) is no ID3v2 header.
std::uint64_t Id3v2TagBytes(const std::uint8_t* bytes10);

struct Mp3Index {
  Mp3Header format;                         // the first audio frame's header
  std::vector<std::uint64_t> frameOffsets;  // audio frames only, in file order
  // For each frame: how many bytes of its main data lie in the frames before
  // it (main_data_begin, the bit reservoir), and how many main data bytes it
  // carries itself (after its side information).
  std::vector<std::uint16_t> mainDataBegin;
  std::vector<std::uint16_t> mainDataBytes;
  // Samples to drop at the start and the end: from the LAME tag, or lame's
  // usual delay and no padding when there is none. The padding counts the
  // decoder's delay in, as lame writes it.
  int encoderDelay = kLameEncoderDelay;
  int encoderPadding = kMp3DecoderDelay;
  bool hasInfoFrame = false;                // a Xing/Info frame was found and skipped
  bool hasDelayTag = false;                 // the delay and padding came from a tag
  std::uint32_t infoFrameCount = 0;         // audio frames the Info frame counts; 0 when it says none
  std::uint64_t infoStreamEnd = 0;          // where the stream ends by the Info frame's count of bytes
  std::uint64_t audioStart = 0;             // where the first audio frame starts

  bool Empty() const { return frameOffsets.empty(); }
  // Samples per channel that remain of so many frames (of the frames
  // indexed) after the delay and padding are dropped.
  std::uint64_t PlayableSamples(std::uint64_t frames) const;
  std::uint64_t PlayableSamples() const { return PlayableSamples(frameOffsets.size()); }
  // Whether the Info frame's counts describe the whole file (nothing but a
  // short tag after its stream), so that its count of frames is the length:
  // not for a file cut short, nor for one where a picture or a second stream
  // follows the first.
  bool InfoFrameCoversFile(std::uint64_t fileSize) const;
  // The count of audio frames before they are indexed: the Info frame's
  // when it covers the file, else what the first frame's bit rate gives for
  // the bytes from it to the end (exact for CBR but for a trailing tag).
  std::uint64_t EstimatedFrames(std::uint64_t fileSize) const;
  // The first frame to give a decoder that starts afresh so that frame
  // `target` comes out as in a decode from the start: the frames its bit
  // reservoir reaches back into, and those of the frames before it whose
  // overlap and filter memory it takes on.
  std::uint64_t FirstFrameToDecode(std::uint64_t target) const;
};

// Indexes a file's frames a stretch at a time, so that an index can be built
// while the file already plays: Start() reads only the start of the file,
// each More() the next frames.
class Mp3Scanner {
 public:
  Mp3Scanner(std::uint64_t fileSize, ReadAtFn read);
  // The stream's format, delays and Info frame; no frames (an invalid
  // format when the file holds no mp3 stream).
  const Mp3Index& Start() const { return start_; }
  // Appends up to maxFrames more frames to index; false once the end of the
  // file is reached (or the file gives no more bytes).
  bool More(Mp3Index& index, std::size_t maxFrames);

 private:
  ByteWindow bytes_;
  Mp3Index start_;
  std::uint64_t at_ = 0;
};

// Scans the frame headers of a whole file. Garbage between frames is skipped
// by searching for the next header that is followed by another, to the end
// of the file however long the stretch without frames; ID3v2 tags, at the
// start or between frames, are skipped by their size, and one that claims
// more bytes than the file has is treated as absent.
Mp3Index BuildMp3Index(std::uint64_t fileSize, const ReadAtFn& read);

// Reads only the start of a file: the stream's format, the encoder's delay
// and padding, and the Info frame's count of frames. No frames are indexed.
Mp3Index ProbeMp3(std::uint64_t fileSize, const ReadAtFn& read);
