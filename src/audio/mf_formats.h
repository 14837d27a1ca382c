// The formats beyond wav and mp3 that the own device may play through Media
// Foundation, by file extension, and a tiny clip of each (a twentieth of a
// second of silence) that shows whether this system's Media Foundation
// decodes it: Windows N lacks them all, Wine 8 lacks wma. Asking Media Foundation to
// open a clip is the one check that answers exactly what playing needs (the
// registered handlers and decoders do not: Wine decodes through one handler
// for every extension and lists a wma decoder it cannot use).
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

struct MfFormat {
  std::string_view extension;           // without the dot, as the Open dialog lists it
  std::span<const std::uint8_t> clip;   // a file of that format, named with that extension to check it
};

// In the order the Open dialog lists them.
std::span<const MfFormat> MfFormats();
