// What the foot pedals do, as an edge-triggered state machine fed with the
// set of pedals held down after each report. It decides only; the transport
// carries the decisions out with its own operations.
#pragma once
#include <cstdint>

#include "pedal/pedal_report.h"

// The middle pedal's behaviour, option PedalMode.
enum class PedalMode : std::int32_t {
  HoldToPlay = 0,     // plays while held down, pauses when let go
  PressToToggle = 1,  // each press toggles pause, as the Pause hot key does
};
inline constexpr std::int32_t defaultPedalMode = 0;

// An option value as a mode: 0 and 1 are the two modes, anything else is the default.
PedalMode PedalModeFromValue(std::int32_t value);

enum class PedalCommand {
  None,
  Resume,       // resume from pause (with the rewind after unpause), when paused
  Pause,        // pause, when not paused
  TogglePause,  // what the Pause hot key does
};

// The command for a change from one set of pedals held down to the next.
// - A set equal to the previous one changes nothing.
// - Hold to play: middle down resumes, middle up pauses; letting go of the
//   wind (one wind pedal released, or a second one added) while the middle
//   pedal stays down resumes too.
// - Press to toggle: middle down toggles pause; nothing else gives a command.
// A device that goes away counts as all its pedals up.
PedalCommand PedalCommandFor(PedalButtons before, PedalButtons now, PedalMode mode);

// The direction the pedals wind in while held: -1 left alone, +1 right
// alone, 0 for neither or both. The poll tick steps with it exactly as with
// a held Rewind or Fast Forward button.
int PedalWindDirection(PedalButtons buttons);

// What a pedal change did, or what a hot key would do, for telling a hot key
// that merely repeats a pedal (a pedal in keyboard mode, or a key-mapping
// tool, sends the hot key while the pedal is also read directly).
enum class PedalEffect { None, PlayPause, Rewind, Forward };

// The effect of hot key id (hotkey_codes.h): Play and Pause play or pause,
// Rewind and Fast Forward wind; Walk and Stamp have none a pedal has.
PedalEffect HotKeyEffect(int hotKeyId);

// A hot key arriving elapsedMs after a pedal change with the same effect is
// that change again, and is dropped.
inline constexpr std::uint32_t kPedalEchoMs = 150;
bool IsPedalEcho(PedalEffect hotKey, PedalEffect lastPedal, std::uint32_t elapsedMs);
