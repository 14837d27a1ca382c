// Dorvane's own audio device, below the one place that sends MCI commands.
// PCM wav, mp3 and whatever else Media Foundation decodes (m4a, opus, ogg,
// flac, ...) open here and answer the MCI commands Dorvane sends,
// with MCI's meaning; every other file, and every file while
// useSystemDevices is set, goes to the system's MCI devices as before.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include "audio/sound_chain.h"

// Same signature as mciSendCommandA, which it calls for what is not its own.
MCIERROR WINAPI AudioSendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parms);

// The user's choice to play everything on the system's MCI devices.
extern bool useSystemDevices;

// What Options, Sound... sets, for every own device open now and later. A
// device that is playing goes on at once from the frame being heard, with
// the new settings; the others take them at their next play. Called on the
// thread that sends the MCI commands.
void SetSoundSettings(const SoundSettings& settings);
const SoundSettings& CurrentSoundSettings();

// At the program's end: closes every own device and waits up to waitMs for
// their workers to finish (a worker stuck on a stalled read is not waited
// for longer). True when all have finished.
bool CloseAllAudioDevices(DWORD waitMs);
inline constexpr DWORD kAudioWorkersExitWaitMs = 3000;

// Whether an id belongs to an open device of Dorvane's own.
bool IsOwnAudioDevice(MCIDEVICEID device);

// Whether an own device plays only the sound of a file that has a picture
// (the system's devices could not open it).
bool IsSoundOnly(MCIDEVICEID device);

// The error that ended an own device's play early (the play's
// MCI_NOTIFY_FAILURE: the sound card went away or could not be opened, or
// the file ended before the play and a second read gave nothing either),
// handed out once; 0 for none, and for every other device.
MCIERROR TakeAudioFailure(MCIDEVICEID device);

// Every buffer goes to the sound card through this pointer: waveOutWrite,
// unless a test makes the card go away.
using WaveOutWriteFn = MMRESULT(WINAPI*)(HWAVEOUT, LPWAVEHDR, UINT);
extern WaveOutWriteFn waveOutWriteHook;

// The other calls to the sound card: the system's waveOut functions, unless
// a test puts a card of its own in their place (with waveOutWriteHook).
struct WaveOutCalls {
  decltype(&waveOutOpen) open = waveOutOpen;
  decltype(&waveOutPrepareHeader) prepare = waveOutPrepareHeader;
  decltype(&waveOutUnprepareHeader) unprepare = waveOutUnprepareHeader;
  decltype(&waveOutReset) reset = waveOutReset;
  decltype(&waveOutGetPosition) position = waveOutGetPosition;
  decltype(&waveOutClose) close = waveOutClose;
};
extern WaveOutCalls waveOutCalls;
