#include "app/temp_names.h"

namespace {
constexpr std::string_view kPrefix = "~dv";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::string_view kDigits = "0123456789ABCDEF";
constexpr std::size_t kHexDigits = 4;
}  // namespace

std::string SaveTempName(unsigned value) {
  std::string name(kPrefix);
  for (int shift = 12; shift >= 0; shift -= 4) name += kDigits[(value >> shift) & 0xF];
  name += kSuffix;
  return name;
}

bool IsSaveTempName(std::string_view name) {
  if (name.size() != kPrefix.size() + kHexDigits + kSuffix.size()) return false;
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return false;
  return name.substr(kPrefix.size(), kHexDigits).find_first_not_of(kDigits) == std::string_view::npos;
}
