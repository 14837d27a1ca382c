#include "settings/hotkey_legend.h"

#include <string_view>

std::string HotKeyLegend(const std::array<HotKeyCode, hotKeyCount>& codes,
                         const std::array<std::string, hotKeyCount>& keyNames) {
  std::string legend;
  legend.reserve(hotKeyLegendLimit);
  for (int id = 0; id < hotKeyCount; ++id) {
    const std::uint8_t flags = HotKeyFlags(codes[id]);
    std::string_view keyName = keyNames[id];
    keyName = keyName.substr(0, keyName.find('\0'));
    keyName = keyName.substr(0, 9);

    legend += hotKeyNames[id];
    legend += ':';
    if (flags & hotKeyFlagControl) legend += "Ctrl";
    if (flags & hotKeyFlagAlt) legend += "Alt";
    if (flags & hotKeyFlagShift) legend += "Shft";
    legend += keyName;
    legend += "  ";
  }
  return legend;
}
