// Names derived from a media file path: its base name and whether it names
// a track of an audio CD ("TrackNN.cda" on the drive the path starts with).
#pragma once
#include <string_view>

// The text after the last backslash of the path, or the whole path when it
// has none.
std::string_view MediaBaseName(std::string_view path);
