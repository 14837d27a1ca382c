// A sound card for Dorvane's own audio device that needs no sound server: it
// takes the device's buffers and plays them only as far as the test moves
// its clock, finishing them in order and waking the device as a card does.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <vector>

namespace fake_wave_out {

// Puts the card behind the device's waveOut calls, and the system's back.
void Install();
void Remove();
// The card plays so many frames of what is queued.
void Play(std::uint64_t frames);
// Every sample the card has played since Install, interleaved as written.
std::vector<std::int16_t> PlayedSamples();
// The next opens fail as when another program holds the card.
extern bool refuseOpen;

}  // namespace fake_wave_out
