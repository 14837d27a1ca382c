// The six global hot keys: their ids, names, default codes, and the pieces
// of a hot-key control code that registration needs.
#pragma once
#include <array>
#include <cstdint>

// The word of the hot-key control: low byte virtual key, high byte flags.
using HotKeyCode = std::uint16_t;

// Hot-key ids, given to the system at registration and used as table index.
// The five transport keys come first; Stamp types the current position into
// the program that has the keyboard focus.
enum HotKeyId : int { hotKeyPlay = 0, hotKeyPause = 1, hotKeyWalk = 2, hotKeyRew = 3, hotKeyFF = 4, hotKeyStamp = 5 };
inline constexpr int hotKeyCount = 6;

// Ctrl+F5 to Ctrl+F10.
inline constexpr std::array<HotKeyCode, hotKeyCount> defaultHotKeyCodes{0x274, 0x275, 0x276, 0x277, 0x278, 0x279};
inline constexpr std::array<const char*, hotKeyCount> hotKeyNames{"Play", "Pause", "Walk", "Rew", "FF", "Stamp"};

// Modifier flags in the high byte of a code (the hot-key control's values).
inline constexpr std::uint8_t hotKeyFlagShift = 0x01;
inline constexpr std::uint8_t hotKeyFlagControl = 0x02;
inline constexpr std::uint8_t hotKeyFlagAlt = 0x04;
inline constexpr std::uint8_t hotKeyFlagExt = 0x08;

// Modifier bits that RegisterHotKey takes (the system's values).
inline constexpr std::uint32_t hotKeyModAlt = 0x0001;
inline constexpr std::uint32_t hotKeyModControl = 0x0002;
inline constexpr std::uint32_t hotKeyModShift = 0x0004;

// Registration modifiers of a code, from its own flags only. The extended-key
// flag has no modifier: it only changes the key's name.
std::uint32_t HotKeyModifiers(HotKeyCode code);

// Virtual key of a code: its low byte.
std::uint8_t HotKeyVirtualKey(HotKeyCode code);

// The flags byte of a code: its high byte.
std::uint8_t HotKeyFlags(HotKeyCode code);
