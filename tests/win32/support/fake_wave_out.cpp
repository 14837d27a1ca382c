#include "support/fake_wave_out.h"

#include <algorithm>
#include <deque>
#include <mutex>

#include "audio/audio_device.h"

namespace fake_wave_out {

bool refuseOpen = false;

namespace {

std::mutex m;  // the device's worker calls in while the test plays
std::deque<WAVEHDR*> queue;
HANDLE wake = nullptr;
std::uint64_t frameBytes = 2, played = 0, intoFront = 0;
std::vector<std::int16_t> playedSamples;
const auto card = reinterpret_cast<HWAVEOUT>(static_cast<std::uintptr_t>(0xCA4D));

void FinishAll() {
  for (WAVEHDR* h : queue) h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  queue.clear();
  intoFront = 0;
}

MMRESULT WINAPI Open(LPHWAVEOUT out, UINT, LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR, DWORD) {
  if (refuseOpen) return MMSYSERR_ALLOCATED;
  std::lock_guard lock(m);
  *out = card;
  wake = reinterpret_cast<HANDLE>(callback);
  frameBytes = format->nBlockAlign;
  played = 0;
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI Prepare(HWAVEOUT, LPWAVEHDR h, UINT) {
  h->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI Unprepare(HWAVEOUT, LPWAVEHDR h, UINT) {
  h->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI Write(HWAVEOUT, LPWAVEHDR h, UINT) {
  std::lock_guard lock(m);
  h->dwFlags = (h->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  queue.push_back(h);
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI Reset(HWAVEOUT) {
  std::lock_guard lock(m);
  FinishAll();
  played = 0;
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI Position(HWAVEOUT, LPMMTIME time, UINT) {
  std::lock_guard lock(m);
  time->wType = TIME_SAMPLES;
  time->u.sample = static_cast<DWORD>(played);
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI Close(HWAVEOUT) {
  std::lock_guard lock(m);
  FinishAll();
  wake = nullptr;
  return MMSYSERR_NOERROR;
}

}  // namespace

void Install() {
  waveOutCalls = {Open, Prepare, Unprepare, Reset, Position, Close};
  waveOutWriteHook = Write;
  refuseOpen = false;
  std::lock_guard lock(m);
  playedSamples.clear();
}

void Remove() {
  waveOutCalls = WaveOutCalls{};
  waveOutWriteHook = waveOutWrite;
}

std::vector<std::int16_t> PlayedSamples() {
  std::lock_guard lock(m);
  return playedSamples;
}

void Play(std::uint64_t frames) {
  std::lock_guard lock(m);
  for (std::uint64_t bytes = frames * frameBytes; bytes > 0 && !queue.empty();) {
    WAVEHDR* h = queue.front();
    const std::uint64_t step = std::min<std::uint64_t>(bytes, h->dwBufferLength - intoFront);
    bytes -= step;
    const auto* data = reinterpret_cast<const std::int16_t*>(h->lpData + intoFront);
    playedSamples.insert(playedSamples.end(), data, data + step / 2);
    played += step / frameBytes;
    intoFront += step;
    if (intoFront == h->dwBufferLength) {
      h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
      queue.pop_front();
      intoFront = 0;
    }
  }
  if (wake != nullptr) SetEvent(wake);
}

}  // namespace fake_wave_out
