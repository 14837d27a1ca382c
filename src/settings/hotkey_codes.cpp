#include "settings/hotkey_codes.h"

std::uint8_t HotKeyFlags(HotKeyCode code) {
  return static_cast<std::uint8_t>(code >> 8);
}

std::uint8_t HotKeyVirtualKey(HotKeyCode code) {
  return static_cast<std::uint8_t>(code & 0xFF);
}

std::uint32_t HotKeyModifiers(HotKeyCode code) {
  const std::uint8_t flags = HotKeyFlags(code);
  std::uint32_t modifiers = 0;
  if (flags & hotKeyFlagControl) modifiers |= hotKeyModControl;
  if (flags & hotKeyFlagAlt) modifiers |= hotKeyModAlt;
  if (flags & hotKeyFlagShift) modifiers |= hotKeyModShift;
  return modifiers;
}
