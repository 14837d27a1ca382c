// MPEG audio layer III frame headers and the frame index of an mp3 file:
// where each audio frame starts, so that a seek lands on the right frame
// without decoding what lies before it. ID3v2 tags are skipped; the Xing/Info
// frame is read for the encoder's delay and padding and left out of the index.
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
};

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
  int encoderDelay = 0;                     // samples to drop at the start (LAME tag)
  int encoderPadding = 0;                   // samples to drop at the end
  bool hasInfoFrame = false;                // a Xing/Info frame was found and skipped

  bool Empty() const { return frameOffsets.empty(); }
  // Samples per channel that remain after the delay and padding are dropped.
  std::uint64_t PlayableSamples() const;
};

// Scans the frame headers of a whole file. Garbage between frames is skipped
// by searching for the next header that is followed by another; an ID3v2 tag
// that claims more bytes than the file has is treated as absent.
Mp3Index BuildMp3Index(std::uint64_t fileSize, const ReadAtFn& read);
