// The own audio device's third reader: every other format the system decodes
// (m4a, aac, opus, ogg, flac, webm, the sound of mp4, ...) through Media
// Foundation's Source Reader, loaded at run time from the system folder.
#pragma once
#include <memory>

#include "audio/pcm_source.h"

struct MfOpened {
  std::unique_ptr<PcmSource> source;  // null when Media Foundation cannot decode the file's sound
  bool hasVideo = false;              // the file has a picture as well
};

// Opens the file's first audio stream, decoded to 16-bit PCM. Without
// mfplat.dll and mfreadwrite.dll (Windows N, an old Wine) nothing opens.
MfOpened OpenMfSource(const char* path);
