// Which of the hot keys that queued up while one was being handled are acted
// on. A held key repeats faster than a slow seek completes, so its repeats are
// dropped; a different key pressed meanwhile (Pause during a fast wind) is
// kept, in the order pressed. Works for any number of hot-key ids.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct QueuedHotKey {
  std::uintptr_t id = 0;    // the hot-key id (wParam of WM_HOTKEY)
  std::intptr_t keys = 0;   // modifiers and virtual key (lParam), passed on unchanged
  friend bool operator==(const QueuedHotKey&, const QueuedHotKey&) = default;
};

// At most this many queued messages are taken in one drain.
inline constexpr std::size_t kHotKeyQueueLimit = 64;

// The queued keys to act on, in order: every key of the handled id is
// dropped, and of a run of one other id (its repeats, once the handled key's
// repeats between them are gone) only the first is kept.
std::vector<QueuedHotKey> HotKeysToActOn(std::uintptr_t handledId, std::span<const QueuedHotKey> queued);
