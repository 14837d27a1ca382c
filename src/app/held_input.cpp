#include "app/held_input.h"

namespace {

constexpr UINT kRetryMs = 100;
std::vector<int> heldHotKeys;

}  // namespace

bool HoldInputWhileBoxOpen(HWND window) {
  if (IsWindowEnabled(window)) return false;
  SetTimer(window, kHeldInputTimer, kRetryMs, nullptr);
  return true;
}

bool HoldHotKeyWhileBoxOpen(HWND window, int id) {
  if (!HoldInputWhileBoxOpen(window)) return false;
  if (heldHotKeys.empty() || heldHotKeys.back() != id) heldHotKeys.push_back(id);
  return true;
}

bool TakeHeldInput(HWND window, std::vector<int>& hotKeys) {
  hotKeys.clear();
  if (!IsWindowEnabled(window)) return false;
  KillTimer(window, kHeldInputTimer);
  hotKeys.swap(heldHotKeys);
  return true;
}
