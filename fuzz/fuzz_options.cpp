// Reads arbitrary bytes as an options file, writes the settings that result,
// and reads that text back: the writer must stay within the reader's limit
// and every value must come back as it was written. The File value is
// well-formed UTF-8 whatever the bytes (legacy text decoded), and a path
// that does not fit is left out whole.
#include "settings/options_text.h"
#include "text/utf8_text.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::int64_t Distance(std::int32_t a, std::int32_t b) {
  const std::int64_t d = std::int64_t{a} - b;
  return d < 0 ? -d : d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const OptionsValues read = ReadOptionsText(input);
  if (read.file) Check(read.file->size() <= mediaPathLimit && IsValidUtf8(*read.file));
  // A process not in UTF-8 keeps the bytes, within the same limit.
  const auto kept = ReadOptionsText(input, nullptr).file;
  if (kept) Check(kept->size() <= mediaPathLimit);

  OptionsSnapshot snapshot;
  snapshot.walkLengthMs = read.walkLengthMs.value_or(3000);
  snapshot.backspaceMs = read.backspaceMs.value_or(1500);
  snapshot.walkPauseMs = read.walkPauseMs.value_or(1000);
  snapshot.unpauseRewindMs = read.unpauseRewindMs.value_or(0);
  snapshot.numLoops = read.numLoops.value_or(3);
  for (int id = 0; id < hotKeyCount; ++id) {
    snapshot.hotKeys[id] = static_cast<HotKeyCode>(read.hotKeys[id].value_or(defaultHotKeyCodes[id]));
  }
  snapshot.file = read.file.value_or("");
  snapshot.timing = read.timing;
  snapshot.choices = read.choices;
  for (int i = 0; i < optionChoiceCount; ++i) {
    Check(read.choices[i] >= 0 && read.choices[i] <= optionChoiceKeys[i].largest);
  }

  const std::string text = WriteOptionsText(snapshot);
  Check(text.size() <= optionsTextLimit);
  const OptionsValues back = ReadOptionsText(text);

  // Seconds are written with one decimal: back within half a tenth (plus
  // the truncation to whole ms) of what was written.
  Check(back.walkLengthMs && Distance(*back.walkLengthMs, snapshot.walkLengthMs) <= 51);
  Check(back.backspaceMs && Distance(*back.backspaceMs, snapshot.backspaceMs) <= 51);
  Check(back.walkPauseMs && Distance(*back.walkPauseMs, snapshot.walkPauseMs) <= 51);
  Check(back.unpauseRewindMs && Distance(*back.unpauseRewindMs, snapshot.unpauseRewindMs) <= 51);
  Check(back.numLoops == snapshot.numLoops);
  for (int id = 0; id < hotKeyCount; ++id) Check(back.hotKeys[id] == snapshot.hotKeys[id]);
  Check(back.timing == snapshot.timing);
  Check(back.choices == snapshot.choices);
  // The path comes back whole, or not at all when it would not fit in what
  // is left of the text: never cut into the name of another file.
  Check(back.file && (*back.file == snapshot.file ||
                      (back.file->empty() && text.size() + snapshot.file.size() > optionsTextLimit)));

  // Values on the sliders' half-second grid come back exactly.
  OptionsSnapshot grid = snapshot;
  grid.walkLengthMs = (SliderPositionForMs(snapshot.walkLengthMs) % 21) * 500;
  grid.backspaceMs = (SliderPositionForMs(snapshot.backspaceMs) % 21) * 500;
  const OptionsValues gridBack = ReadOptionsText(WriteOptionsText(grid));
  Check(gridBack.walkLengthMs == grid.walkLengthMs && gridBack.backspaceMs == grid.backspaceMs);
  return 0;
}
