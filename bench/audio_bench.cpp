// Dorvane's own audio device against the system's MCI devices, on real
// recordings through the sound server (a PulseAudio null sink under Wine):
//   - CPU time of the whole process while a wav plays for 5 s (own device at
//     speed 1.0 and 0.75, the system's wave device at 1.0);
//   - the time a seek plus play takes while playing (the caller waits that long);
//   - the steps in which the position moves while playing;
//   - memory while a two-hour mp3 plays, above the process before it opened
//     (Wine does not count private bytes, so the working set is shown too);
//   - the formats read through Media Foundation: CPU playing twice.m4a, the
//     seek until sound on twice.m4a and twice.opus, and the open of a
//     two-hour m4a until its length is known, and its memory while playing.
//
//   audio_bench <folder with twice.wav, twice.m4a, twice.opus> <a two-hour mp3> [<a two-hour m4a>]
#include <windows.h>
#include <mmsystem.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/audio_device.h"
#include "audio/mci_speed.h"

namespace {

double NowMs() {
  static LARGE_INTEGER frequency{};
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double CpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](FILETIME f) { return ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0; };
  return ms(kernel) + ms(user);
}

// Private bytes and working set, in MB.
std::pair<double, double> MemoryMb() {
  PROCESS_MEMORY_COUNTERS_EX m{};
  m.cb = sizeof m;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m);
  return {static_cast<double>(m.PrivateUsage) / (1024.0 * 1024.0), static_cast<double>(m.WorkingSetSize) / (1024.0 * 1024.0)};
}

MCIDEVICEID Open(const std::string& path) {
  MCI_OPEN_PARMSA open{};
  open.lpstrElementName = path.c_str();
  if (AudioSendCommand(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open)) != 0) return 0;
  MCI_SET_PARMS format{};
  format.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
  AudioSendCommand(open.wDeviceID, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&format));
  return open.wDeviceID;
}
void Close(MCIDEVICEID id) { AudioSendCommand(id, MCI_CLOSE, MCI_WAIT, 0); }
MCIERROR Play(MCIDEVICEID id) {
  MCI_PLAY_PARMS play{};
  return AudioSendCommand(id, MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play));
}
MCIERROR Seek(MCIDEVICEID id, DWORD ms) {
  MCI_SEEK_PARMS seek{};
  seek.dwTo = ms;
  return AudioSendCommand(id, MCI_SEEK, MCI_TO, reinterpret_cast<DWORD_PTR>(&seek));
}
MCIERROR Speed(MCIDEVICEID id, DWORD thousandths) {
  DgvSetParms set{};
  set.dwSpeed = thousandths;
  return AudioSendCommand(id, MCI_SET, kDgvSetSpeed, reinterpret_cast<DWORD_PTR>(&set));
}
long Position(MCIDEVICEID id) {
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_POSITION;
  if (AudioSendCommand(id, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)) != 0) return -1;
  return static_cast<long>(status.dwReturn);
}

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Plays from the start at a speed for 1.5 s to let the output settle, then
// measures the process's CPU time over 5 s; in percent of one core.
double CpuWhilePlaying(MCIDEVICEID id, DWORD speed) {
  Seek(id, 0);
  if (speed != 1000) Speed(id, speed);
  Play(id);
  Sleep(1500);
  const double cpu0 = CpuMs(), t0 = NowMs();
  Sleep(5000);
  const double percent = 100.0 * (CpuMs() - cpu0) / (NowMs() - t0);
  Seek(id, 0);
  if (speed != 1000) Speed(id, 1000);
  return percent;
}

// Median and largest step of the position, read every millisecond for 2 s
// of playing, counting only readings where it moved.
void PositionSteps(MCIDEVICEID id, const char* name) {
  Seek(id, 0);
  Play(id);
  Sleep(1500);
  std::vector<double> steps;
  long last = Position(id);
  const double end = NowMs() + 2000;
  while (NowMs() < end) {
    const long now = Position(id);
    if (now != last) steps.push_back(static_cast<double>(now - last));
    last = now;
    Sleep(1);
  }
  std::printf("position step %-22s median %5.0f ms   largest %5.0f ms   (%zu steps in 2 s)\n", name, Median(steps),
              steps.empty() ? -1.0 : *std::max_element(steps.begin(), steps.end()), steps.size());
}

// While playing, ten times from 1 s to 5.5 s: the time the caller waits for
// a seek and the play after it, and the time until the output plays from
// there (the position, which counts what the output has played, moves past
// the target; 1 s at most).
void SeekLatency(MCIDEVICEID id, const char* name) {
  Seek(id, 0);
  Play(id);
  Sleep(1000);
  std::vector<double> waits, effects;
  int failures = 0;
  for (DWORD to = 1000; to <= 5500; to += 500) {
    const double t0 = NowMs();
    failures += Seek(id, to) != 0;
    failures += Play(id) != 0;
    waits.push_back(NowMs() - t0);
    while (Position(id) <= static_cast<long>(to) && NowMs() - t0 < 1000) Sleep(0);
    effects.push_back(NowMs() - t0);
    Sleep(300);
  }
  std::printf("seek while playing %-17s median %7.1f ms   largest %7.1f ms   (%d failed)\n", name, Median(waits),
              *std::max_element(waits.begin(), waits.end()), failures);
  std::printf("seek to sound %-22s median %7.1f ms   largest %7.1f ms\n", name, Median(effects),
              *std::max_element(effects.begin(), effects.end()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: audio_bench <folder with twice.wav> <two-hour mp3>\n");
    return 2;
  }
  const std::string wav = std::string(argv[1]) + "\\twice.wav";  // 12 s: every measure plays within it
  const std::string longMp3 = argv[2];

  // CPU: the two devices in turn, three rounds, the median of each.
  MCIDEVICEID ids[2];
  for (bool system : {false, true}) {
    useSystemDevices = system;
    ids[system] = Open(wav);
    if (ids[system] == 0) {
      std::fprintf(stderr, "audio_bench: cannot open %s\n", wav.c_str());
      return 1;
    }
  }
  useSystemDevices = false;
  const MCIDEVICEID m4a = Open(std::string(argv[1]) + "\\twice.m4a");
  std::vector<double> own, slow, sys, ownM4a, sound;
  for (int round = 0; round < 3; ++round) {
    own.push_back(CpuWhilePlaying(ids[0], 1000));
    sys.push_back(CpuWhilePlaying(ids[1], 1000));
    slow.push_back(CpuWhilePlaying(ids[0], 750));
    if (m4a != 0) ownM4a.push_back(CpuWhilePlaying(m4a, 1000));
    // Everything of Options, Sound... on.
    SetSoundSettings({20, true, channelMixed, true, true});
    sound.push_back(CpuWhilePlaying(ids[0], 1000));
    SetSoundSettings({});
  }
  std::printf("CPU playing wav at 1.0 %-14s %5.1f %% of a core (median of 3)\n", "(own device)", Median(own));
  std::printf("CPU playing wav at 0.75 %-13s %5.1f %% of a core (median of 3)\n", "(own device)", Median(slow));
  std::printf("CPU playing wav at 1.0 %-14s %5.1f %% of a core (median of 3)\n", "(own, sound all on)", Median(sound));
  std::printf("CPU playing wav at 1.0 %-14s %5.1f %% of a core (median of 3)\n", "(system wave device)", Median(sys));
  std::printf("CPU playing m4a at 1.0 %-14s %5.1f %% of a core (median of 3)\n", "(own device)", Median(ownM4a));
  if (m4a != 0) {
    SeekLatency(m4a, "(m4a, own device)");
    Close(m4a);
  }
  if (const MCIDEVICEID opus = Open(std::string(argv[1]) + "\\twice.opus"); opus != 0) {
    SeekLatency(opus, "(opus, own device)");
    Close(opus);
  }

  for (bool system : {false, true}) {
    const char* name = system ? "(system wave device)" : "(own device)";
    const MCIDEVICEID id = ids[system];
    PositionSteps(id, name);
    SeekLatency(id, name);
    Close(id);
  }

  useSystemDevices = false;
  const auto before = MemoryMb();
  const MCIDEVICEID id = Open(longMp3);
  if (id == 0) {
    std::fprintf(stderr, "audio_bench: cannot open %s\n", longMp3.c_str());
    return 1;
  }
  MCI_STATUS_PARMS length{};
  length.dwItem = MCI_STATUS_LENGTH;
  AudioSendCommand(id, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&length));
  Seek(id, static_cast<DWORD>(length.dwReturn / 2));
  Play(id);
  Sleep(3000);
  const auto playing = MemoryMb();
  std::printf("memory playing a %.1f h mp3, above the process before it opened: private %.1f MB, working set %.1f MB\n",
              length.dwReturn / 3600000.0, playing.first - before.first, playing.second - before.second);
  Close(id);

  if (argc > 3) {
    const auto beforeM4a = MemoryMb();
    const double t0 = NowMs();
    const MCIDEVICEID longM4a = Open(argv[3]);
    length.dwReturn = 0;
    AudioSendCommand(longM4a, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&length));
    const double openMs = NowMs() - t0;
    Seek(longM4a, static_cast<DWORD>(length.dwReturn / 2));
    Play(longM4a);
    Sleep(3000);
    const auto playingM4a = MemoryMb();
    std::printf("open of a %.1f h m4a (own device) until its length: %.0f ms\n", length.dwReturn / 3600000.0, openMs);
    std::printf("memory playing a %.1f h m4a (own device), above the process before it opened: private %.1f MB, "
                "working set %.1f MB\n", length.dwReturn / 3600000.0, playingM4a.first - beforeM4a.first,
                playingM4a.second - beforeM4a.second);
    Close(longM4a);
  }
  const bool closed = CloseAllAudioDevices(kAudioWorkersExitWaitMs);
  // The figures are out; the process ends here, without the decoders' own
  // clean-up at exit, which under Wine's gstreamer now and then crashes or
  // hangs once Media Foundation has decoded a long file (seen: exit codes
  // 139 and a hang, after every figure was printed).
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), closed ? 0 : 1);
  return closed ? 0 : 1;
}
