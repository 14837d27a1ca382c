// Which of the own device's further formats this system decodes.
#pragma once
#include <string_view>
#include <vector>

// The extensions of MfFormats() that this system's Media Foundation opens,
// in that order: each format's clip is written to a temporary file named
// with its extension and opened as a recording would be. Takes a fraction
// of a second, so it is asked when the list is first needed, not at start.
std::vector<std::string_view> MfDecodedExtensions();
