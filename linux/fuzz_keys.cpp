// Reads arbitrary bytes as the /proc maps text of a Wine process and as an
// options file: the program found is a whole absolute path ending in ".exe"
// that stands in the text, and every hot-key code is one Dorvane registers
// (never 0, which means "the default").
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "keys_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto exe = ExecutableFromMaps(text)) {
    if (exe->empty() || exe->front() != '/' || exe->size() < 5 || text.find(*exe) == std::string_view::npos ||
        exe->find('\n') != std::string::npos) {
      std::abort();
    }
  }
  for (const HotKeyCode code : HotKeyCodesFromOptions(text)) {
    if (code == 0) std::abort();
  }
  return 0;
}
