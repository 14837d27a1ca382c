#include "app/hotkey_drain.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uintptr_t> Ids(const std::vector<QueuedHotKey>& keys) {
  std::vector<std::uintptr_t> ids;
  for (const auto& k : keys) ids.push_back(k.id);
  return ids;
}

std::vector<QueuedHotKey> Queue(const std::vector<std::uintptr_t>& ids) {
  std::vector<QueuedHotKey> keys;
  for (std::uintptr_t id : ids) keys.push_back({id, static_cast<std::intptr_t>(id * 0x10000 + 0x74)});
  return keys;
}

TEST(HotKeyDrain, RepeatsOfTheHandledKeyGoOtherKeysStayInOrder) {
  struct Case {
    std::uintptr_t handled;
    std::vector<std::uintptr_t> queued, kept;
  };
  const std::vector<Case> cases = {
      {4, {}, {}},
      {4, {4, 4, 4}, {}},                 // a held Fast forward
      {4, {4, 1, 4, 4}, {1}},             // Pause pressed during a slow seek
      {4, {4, 1, 1, 1, 4}, {1}},          // a held Pause: one Pause
      {4, {1, 4, 1}, {1}},                // its repeats around a Fast forward repeat
      {3, {1, 2, 0}, {1, 2, 0}},          // different keys, in the order pressed
      {1, {3, 3, 4, 4, 3}, {3, 4, 3}},
      {0, {5, 5, 7}, {5, 7}},             // ids beyond the five are passed on
  };
  for (const Case& c : cases) {
    const auto queued = Queue(c.queued);
    EXPECT_EQ(Ids(HotKeysToActOn(c.handled, queued)), c.kept) << "handled " << c.handled;
  }
}

TEST(HotKeyDrain, KeptMessagesKeepTheirKeys) {
  const std::vector<QueuedHotKey> queued{{4, 0x780002}, {1, 0x750002}};
  EXPECT_EQ(HotKeysToActOn(4, queued), (std::vector<QueuedHotKey>{{1, 0x750002}}));
}

}  // namespace
