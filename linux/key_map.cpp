#include "key_map.h"

#include <X11/X.h>
#include <X11/XF86keysym.h>
#include <X11/keysym.h>

namespace {

// Virtual keys that are one X key each (ranges and the keypad's and the
// navigation keys' two forms are handled in XKeyForHotKey).
struct KeyRow {
  std::uint8_t virtualKey;
  std::uint32_t keysym;
};
constexpr std::array<KeyRow, 32> kSingleKeys{{
    {0x08, XK_BackSpace},       {0x09, XK_Tab},
    {0x0D, XK_Return},          {0x13, XK_Pause},
    {0x1B, XK_Escape},          {0x20, XK_space},
    {0x2C, XK_Print},           {0x6A, XK_KP_Multiply},
    {0x6B, XK_KP_Add},          {0x6C, XK_KP_Separator},
    {0x6D, XK_KP_Subtract},     {0x6E, XK_KP_Decimal},
    {0x6F, XK_KP_Divide},       {0x91, XK_Scroll_Lock},
    {0xB0, XF86XK_AudioNext},   {0xB1, XF86XK_AudioPrev},
    {0xB2, XF86XK_AudioStop},   {0xB3, XF86XK_AudioPlay},
    {0xBA, XK_semicolon},       {0xBB, XK_equal},
    {0xBC, XK_comma},           {0xBD, XK_minus},
    {0xBE, XK_period},          {0xBF, XK_slash},
    {0xC0, XK_grave},           {0xDB, XK_bracketleft},
    {0xDC, XK_backslash},       {0xDD, XK_bracketright},
    {0xDE, XK_apostrophe},      {0xAD, XF86XK_AudioMute},
    {0xAE, XF86XK_AudioLowerVolume}, {0xAF, XF86XK_AudioRaiseVolume},
}};

// Navigation keys: the separate key (extended flag) and the keypad's.
struct NavigationRow {
  std::uint8_t virtualKey;
  std::uint32_t separate;
  std::uint32_t keypad;
};
constexpr std::array<NavigationRow, 10> kNavigationKeys{{
    {0x21, XK_Prior, XK_KP_Prior},
    {0x22, XK_Next, XK_KP_Next},
    {0x23, XK_End, XK_KP_End},
    {0x24, XK_Home, XK_KP_Home},
    {0x25, XK_Left, XK_KP_Left},
    {0x26, XK_Up, XK_KP_Up},
    {0x27, XK_Right, XK_KP_Right},
    {0x28, XK_Down, XK_KP_Down},
    {0x2D, XK_Insert, XK_KP_Insert},
    {0x2E, XK_Delete, XK_KP_Delete},
}};

std::optional<std::uint32_t> KeysymOf(std::uint8_t virtualKey, bool extended) {
  if (virtualKey >= 0x70 && virtualKey <= 0x87) return XK_F1 + (virtualKey - 0x70);          // F1 to F24
  if (virtualKey >= 'A' && virtualKey <= 'Z') return XK_a + (virtualKey - 'A');              // letters
  if (virtualKey >= '0' && virtualKey <= '9') return XK_0 + (virtualKey - '0');              // digits
  if (virtualKey >= 0x60 && virtualKey <= 0x69) return XK_KP_0 + (virtualKey - 0x60);        // keypad digits
  for (const NavigationRow& row : kNavigationKeys) {
    if (row.virtualKey == virtualKey) return extended ? row.separate : row.keypad;
  }
  for (const KeyRow& row : kSingleKeys) {
    if (row.virtualKey == virtualKey) return row.keysym;
  }
  return std::nullopt;
}

constexpr unsigned kModifierMask = ShiftMask | ControlMask | Mod1Mask;

}  // namespace

std::optional<XKeyCombo> XKeyForHotKey(HotKeyCode code) {
  const std::uint8_t flags = HotKeyFlags(code);
  const auto keysym = KeysymOf(HotKeyVirtualKey(code), (flags & hotKeyFlagExt) != 0);
  if (!keysym) return std::nullopt;
  XKeyCombo combo{*keysym, 0};
  if (flags & hotKeyFlagShift) combo.modifiers |= ShiftMask;
  if (flags & hotKeyFlagControl) combo.modifiers |= ControlMask;
  if (flags & hotKeyFlagAlt) combo.modifiers |= Mod1Mask;
  return combo;
}

std::array<unsigned, 4> GrabMasks(unsigned modifiers, unsigned numLockMask) {
  return {modifiers, modifiers | LockMask, modifiers | numLockMask, modifiers | LockMask | numLockMask};
}

std::optional<int> HotKeyForPress(const std::array<GrabbedKey, hotKeyCount>& keys, unsigned keycode,
                                  unsigned state) {
  for (int id = 0; id < hotKeyCount; ++id) {
    if (keys[id].keycode != 0 && keys[id].keycode == keycode && keys[id].modifiers == (state & kModifierMask)) {
      return id;
    }
  }
  return std::nullopt;
}

std::optional<int> HotKeyForCommand(std::string_view command) {
  for (int id = 0; id < hotKeyCount; ++id) {
    if (hotKeyCommands[id] == command) return id;
  }
  return std::nullopt;
}
