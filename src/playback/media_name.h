// Names derived from a media file path: its base name and whether it names
// a track of an audio CD ("TrackNN.cda" on the drive the path starts with).
#pragma once
#include <string>
#include <string_view>

// The text after the last backslash of the path, or the whole path when it
// has none.
std::string_view MediaBaseName(std::string_view path);

// What the name of a media file says about CD audio. A path names a CD track
// when its base name is exactly eleven characters, starts with "Track" and
// ends with ".CDA" (both without regard to case), as in "E:\Track07.cda".
struct CdTrack {
  bool isTrack = false;
  std::string drive;  // first two characters of the path ("E:"); empty when not a track
  int track = 0;      // number read as atoi reads it from the sixth character; 0 when not a track
};

// Decides whether the path names a CD track. The track number is kept as read,
// so a name like "Track-1.cda" or "Track00.cda" gives -1 or 0: the name still
// selects the CD audio device, and the caller puts the number's low byte into
// the TMSF seek, which the device rejects (that seek is sent silently).
// Only the two characters between "Track" and ".CDA" can hold the number,
// so it always lies within -9 .. 99.
CdTrack DetectCdTrack(std::string_view path);
