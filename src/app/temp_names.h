// Names of the temporary files a save writes beside its target before moving
// it into place, and the test that tells a leftover of an interrupted save
// from any other file.
#pragma once
#include <string>
#include <string_view>

// "~dv" and the low 16 bits of value as four upper-case hexadecimal digits,
// then ".tmp": "~dv0A3F.tmp".
std::string SaveTempName(unsigned value);

// True only for names SaveTempName makes, exactly as it spells them.
bool IsSaveTempName(std::string_view name);
