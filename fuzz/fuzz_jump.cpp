// Arbitrary text into the Jump dialog reader and the CD track name check.
#include "playback/jump_text.h"
#include "playback/media_name.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // The reader gives -1 (no seek) or whole seconds, unless it had to clamp.
  const std::int32_t ms = ReadJumpText(text);
  if (ms != -1 && ms % 1000 != 0 && ms != INT32_MAX && ms != INT32_MIN) __builtin_trap();

  // Any shown position reads back as itself, less its milliseconds.
  if (ms >= 0 && ReadJumpText(JumpInitialText(ms)) != ms / 1000 * 1000) __builtin_trap();

  const CdTrack cd = DetectCdTrack(text);
  if (cd.isTrack && (cd.drive.size() > 2 || cd.track < -9 || cd.track > 99)) __builtin_trap();
  if (!cd.isTrack && (!cd.drive.empty() || cd.track != 0)) __builtin_trap();
  return 0;
}
