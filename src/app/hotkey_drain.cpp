#include "app/hotkey_drain.h"

std::vector<QueuedHotKey> HotKeysToActOn(std::uintptr_t handledId, std::span<const QueuedHotKey> queued) {
  std::vector<QueuedHotKey> kept;
  for (const QueuedHotKey& key : queued) {
    if (key.id == handledId) continue;
    if (!kept.empty() && kept.back().id == key.id) continue;
    kept.push_back(key);
  }
  return kept;
}
