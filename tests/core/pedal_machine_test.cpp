#include "pedal/pedal_machine.h"
#include "settings/hotkey_codes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr PedalButtons L = pedalLeft, M = pedalMiddle, R = pedalRight, none = 0;
constexpr auto hold = PedalMode::HoldToPlay, toggle = PedalMode::PressToToggle;
using enum PedalCommand;

struct Step {
  PedalButtons now;
  PedalCommand command;
  int wind;
};

// Feeds the sets in turn, from all pedals up, and checks each decision.
void Feed(PedalMode mode, const std::vector<Step>& steps) {
  PedalButtons before = none;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(PedalCommandFor(before, steps[i].now, mode), steps[i].command) << "step " << i;
    EXPECT_EQ(PedalWindDirection(steps[i].now), steps[i].wind) << "step " << i;
    before = steps[i].now;
  }
}

TEST(PedalMachine, HoldToPlayPlaysWhileTheMiddlePedalIsDown) {
  Feed(hold, {{M, Resume, 0}, {M, None, 0}, {none, Pause, 0}, {none, None, 0}, {M, Resume, 0}});
}

TEST(PedalMachine, WindWhileHeldThenReleaseWithMiddleStillDownResumes) {
  Feed(hold, {{M, Resume, 0}, {M | L, None, -1}, {M | L, None, -1}, {M, Resume, 0}, {M | R, None, 1}, {M, Resume, 0}});
}

TEST(PedalMachine, WindReleasedWithMiddleUpOnlyStopsTheWind) {
  Feed(hold, {{L, None, -1}, {none, None, 0}, {R, None, 1}, {none, None, 0}});
}

TEST(PedalMachine, BothWindPedalsWindNeither) {
  Feed(hold, {{L, None, -1}, {L | R, None, 0}, {R, None, 1}, {none, None, 0}});
  // With the middle pedal down, adding the second wind pedal stops the wind
  // and so resumes play; taking one away winds the other way.
  Feed(hold, {{M | L, Resume, -1}, {M | L | R, Resume, 0}, {M | R, None, 1}});
}

TEST(PedalMachine, AllPedalsUpAtOnceAsWhenUnpluggedWhileHeld) {
  Feed(hold, {{M | L, Resume, -1}, {none, Pause, 0}});
  Feed(toggle, {{M | R, TogglePause, 1}, {none, None, 0}});
}

TEST(PedalMachine, PressToToggleActsOnlyWhenTheMiddlePedalGoesDown) {
  Feed(toggle, {{M, TogglePause, 0}, {M, None, 0}, {none, None, 0}, {M | L, TogglePause, -1},
               {M, None, 0}, {none, None, 0}, {L, None, -1}, {L | M, TogglePause, -1}});
}

TEST(PedalMode, OnlyZeroAndOneAreModes) {
  EXPECT_EQ(PedalModeFromValue(0), hold);
  EXPECT_EQ(PedalModeFromValue(1), toggle);
  for (std::int32_t value : {-1, 2, INT32_MIN, INT32_MAX}) EXPECT_EQ(PedalModeFromValue(value), hold) << value;
}

TEST(PedalEcho, AHotKeyJustAfterAPedalWithTheSameEffectIsThatPedalAgain) {
  struct Case {
    int hotKey;
    PedalEffect pedal;
    std::uint32_t elapsedMs;
    bool echo;
  } cases[] = {
      {hotKeyPause, PedalEffect::PlayPause, 20, true},   {hotKeyPlay, PedalEffect::PlayPause, 149, true},
      {hotKeyPause, PedalEffect::PlayPause, 150, false}, {hotKeyRew, PedalEffect::Rewind, 10, true},
      {hotKeyFF, PedalEffect::Rewind, 10, false},        {hotKeyFF, PedalEffect::Forward, 10, true},
      {hotKeyWalk, PedalEffect::PlayPause, 10, false},   {hotKeyStamp, PedalEffect::PlayPause, 10, false},
      {hotKeyPause, PedalEffect::None, 0, false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsPedalEcho(HotKeyEffect(c.hotKey), c.pedal, c.elapsedMs), c.echo) << c.hotKey;
}

}  // namespace
