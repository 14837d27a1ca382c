#include "audio/mf_formats.h"

#include <array>

namespace {

#include "audio/mf_probe_clips.inc"

// Containers that Media Foundation picks a source for by the extension: each
// extension is checked with its own name, so that a system that knows .m4a
// but not .m4v lists only the first.
constexpr std::array<MfFormat, 12> kFormats{{
    {"m4a", kMp4aacClip},
    {"aac", kAdtsaacClip},
    {"mp4", kMp4aacClip},
    {"m4v", kMp4aacClip},
    {"3gp", kMp4aacClip},
    {"amr", kAmrnbClip},
    {"wma", kAsfwmaClip},
    {"flac", kFlacClip},
    {"ogg", kOggvorbisClip},
    {"oga", kOggvorbisClip},
    {"opus", kOggopusClip},
    {"webm", kWebmopusClip},
}};

}  // namespace

std::span<const MfFormat> MfFormats() { return kFormats; }

