#include "pedal/pedal_machine.h"

#include "settings/hotkey_codes.h"

PedalMode PedalModeFromValue(std::int32_t value) {
  return value == static_cast<std::int32_t>(PedalMode::PressToToggle) ? PedalMode::PressToToggle
                                                                       : PedalMode::HoldToPlay;
}

int PedalWindDirection(PedalButtons buttons) {
  const bool left = (buttons & pedalLeft) != 0;
  const bool right = (buttons & pedalRight) != 0;
  if (left == right) return 0;
  return left ? -1 : 1;
}

PedalCommand PedalCommandFor(PedalButtons before, PedalButtons now, PedalMode mode) {
  if (before == now) return PedalCommand::None;
  const bool middleBefore = (before & pedalMiddle) != 0;
  const bool middleNow = (now & pedalMiddle) != 0;
  if (mode == PedalMode::PressToToggle) {
    return !middleBefore && middleNow ? PedalCommand::TogglePause : PedalCommand::None;
  }
  if (middleBefore != middleNow) return middleNow ? PedalCommand::Resume : PedalCommand::Pause;
  const bool windStopped = PedalWindDirection(before) != 0 && PedalWindDirection(now) == 0;
  return windStopped && middleNow ? PedalCommand::Resume : PedalCommand::None;
}

PedalEffect HotKeyEffect(int hotKeyId) {
  switch (hotKeyId) {
    case hotKeyPlay:
    case hotKeyPause: return PedalEffect::PlayPause;
    case hotKeyRew: return PedalEffect::Rewind;
    case hotKeyFF: return PedalEffect::Forward;
    default: return PedalEffect::None;
  }
}

bool IsPedalEcho(PedalEffect hotKey, PedalEffect lastPedal, std::uint32_t elapsedMs) {
  return hotKey != PedalEffect::None && hotKey == lastPedal && elapsedMs < kPedalEchoMs;
}
