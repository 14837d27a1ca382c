// The media type table (MCI file extensions grouped by the device type that
// plays them) and the filter text of the media Open dialog built from it.
#pragma once
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxMediaTypes = 60;
inline constexpr std::size_t kDeviceTypeMax = 29;   // characters, without terminator
// Wine alone lists a dozen extensions under MPEGVideo, more than 49
// characters of patterns: a row holds up to 255 so that none is lost, and the
// 800-byte filter still decides which rows are shown.
inline constexpr std::size_t kPatternsMax = 255;    // characters, without terminator
inline constexpr std::size_t kMediaFilterSize = 800;  // the rows and "All Files (*.*)"
// "All media files" names every listed pattern once, fewer bytes than the
// rows give them (each row has its patterns twice): room for that pair comes
// on top, so that it never pushes a row out.
inline constexpr std::size_t kAllMediaRoom = sizeof("All media files") + kMediaFilterSize / 2;
inline constexpr std::size_t kMediaFilterBufferSize = kMediaFilterSize + kAllMediaRoom;

struct MediaTypeEntry {
  std::string deviceType;  // as the source gives it, at most 29 characters
  std::string patterns;    // "*.wav;*.snd;": one "*.%s;" per extension, at most kPatternsMax characters
};

// Rows in the order their device types were first met; rows are only added.
struct MediaTypeTable {
  std::array<MediaTypeEntry, kMaxMediaTypes> rows{};
  int count = 0;
};

// Adds one extension (without dot) under its device type. Device types are
// matched byte for byte, case significant, so "MPEGVideo" and "mpegvideo"
// make two rows. The pattern "*.<ext>;" is appended unless the row's patterns
// already contain it. Both texts are taken as C strings (cut at a NUL), so a
// registry value's data may be passed with its terminator. Limits, none of
// which overflows:
// - a device type longer than 29 characters is cut to 29, and rows are
//   matched on the cut text;
// - a 61st device type is ignored, with its extensions;
// - an extension whose pattern does not fit into the row's 49 characters
//   is left out (a new device type gets no row for it).
void AddMediaExtension(MediaTypeTable& table, std::string_view extension, std::string_view deviceType);

// Adds the lines of a profile section as GetProfileSectionA returns it:
// zero-terminated lines ending with an empty line (or the end of the text).
// Each line holding "=" is cut at the first "=" into extension and device
// type; other lines are passed over.
void AddProfileSection(MediaTypeTable& table, std::string_view section);

// The row the own device's formats are listed under, after the system's.
inline constexpr std::string_view kOwnDeviceType = "Recordings";

// Adds, after the rows the registry and the profile gave, the given
// extensions (the own device's formats this system decodes) that no row
// lists yet (case ignored), under kOwnDeviceType.
void AddOwnDeviceExtensions(MediaTypeTable& table, std::span<const std::string_view> extensions);

struct MediaFilter {
  // The filter exactly as the dialog takes it: pairs of zero-terminated
  // strings, then the empty string, so it ends with "\0\0". At most 800
  // bytes, and kMediaFilterBufferSize with "All media files".
  std::string text;
  int defaultIndex = 1;  // 1-based entry of the list the dialog starts with
};

// One pair "<type> (<patterns>)" / "<patterns>" per row that fits (patterns
// without their trailing ";"), or the wave and video pairs when the table has
// no rows, then "All Files (*.*)" / "*.*" and the empty string. A row is left
// out when its pair would not leave room for the closing 21 bytes; later,
// smaller rows may still fit.
// With allMedia, the pair "All media files" / every pattern of the listed
// rows, each once, comes before "All Files (*.*)" when two or more rows are
// listed, in the room kept for it; the rows keep their places.
// The default entry comes from the extension of the media path (from its last
// "." on, or "*.wav" when it has none): the place in the list of the first
// listed row whose patterns contain it, else "All Files (*.*)"; with no rows
// it is 1.
MediaFilter BuildMediaFilterText(const MediaTypeTable& table, std::string_view mediaPath, bool allMedia = false);
