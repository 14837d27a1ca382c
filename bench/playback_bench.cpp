// Cost of the two messages that arrive most often while media plays: one
// poll-timer tick (position read, status bar repainted, slider moved), while
// playing (with and without the painting it causes) and while paused, one
// global hot key (position read, seek, drain of queued hot keys), and the
// Stamp hot key up to the SendInput call (position read, text, key events;
// the events themselves go nowhere). Measured on
// the real main window, shown, with the simulated MCI device behind it, so
// the figures are Dorvane's own work and the window system's, not a driver's.
//
//   playback_bench [events] [series]
//
// events: how many of each (default 20000); series: only one of them
// (playing, painted, paused, hidden, hotkey or stamp), for a profiler.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_dialog.h"
#include "app/player_state.h"
#include "app/startup.h"
#include "playback/transport.h"
#include "res/resource.h"
#include "stamp/stamp_input.h"
#include "support/dialog_catcher.h"
#include "support/sim_mci.h"
#include "support/temp_dir.h"

namespace {

struct Stopwatch {
  LARGE_INTEGER frequency{};
  Stopwatch() { QueryPerformanceFrequency(&frequency); }
  static LONGLONG Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
  }
  double Microseconds(LONGLONG ticks) const { return static_cast<double>(ticks) * 1e6 / frequency.QuadPart; }
};

// CPU time of this thread, user and kernel, in microseconds. Its clock is
// coarse (often 10 ms), so it is read only around a whole series of events.
double ThreadCpuMicroseconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  const auto us = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10.0;
  };
  return us(kernel) + us(user);
}

// Wall-clock times of each event, and the thread's CPU time over the series:
// on a busy machine the second is disturbed less by the other programs.
struct Series {
  std::vector<double> us;
  double cpuUs = 0;
};

struct Summary {
  double median;
  double p99;
  double max;
  double cpuPerEvent;
};

Summary Summarise(Series series) {
  std::vector<double>& us = series.us;
  std::sort(us.begin(), us.end());
  const auto at = [&us](double q) { return us[static_cast<std::size_t>(q * (us.size() - 1))]; };
  return {at(0.5), at(0.99), us.back(), series.cpuUs / static_cast<double>(us.size())};
}

void Print(const char* name, const Series& series) {
  if (series.us.empty()) return;
  const Summary s = Summarise(series);
  std::printf("%-12s median %8.1f us   p99 %8.1f us   max %9.1f us   cpu %7.1f us/event   (%zu events)\n", name,
              s.median, s.p99, s.max, s.cpuPerEvent, series.us.size());
}

BOOL WINAPI NoHelp(HWND, LPCSTR, UINT, ULONG_PTR) { return TRUE; }

// Stands in for SendInput: the benchmark must not type into the session.
UINT typedEvents = 0;
UINT WINAPI CountInput(UINT count, LPINPUT, int) {
  typedEvents += count;
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const int events = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
  const std::string only = argc > 2 ? argv[2] : "";
  const auto wanted = [&only](const char* series) { return only.empty() || only == series; };
  constexpr int kWarmUp = 500;

  InitProcessValues(GetModuleHandleA(nullptr));
  const std::string dir = MakeTempDir("dvb");
  player.programDir = dir;
  winHelpHook = NoHelp;

  // Start-up warns in a message box when another program holds one of the
  // global hot keys; the catcher answers it, so the run never waits for a click.
  DialogCatcher boxes;
  SimMci sim;
  SimMciHook hook(sim);
  const std::string media = dir + "\\lecture.wav";
  sim.AddFile(media, SimMedia{SimMedia::kWave, 4 * 3600 * 1000});

  HWND window = CreateDialogParamA(appInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc,
                                   reinterpret_cast<LPARAM>(media.c_str()));
  if (window == nullptr || !player.isOpen) {
    std::fprintf(stderr, "bench: the main window or the media could not be opened\n");
    return 1;
  }
  mainWindow = window;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  // Ticks come only from this program, one at a time.
  KillTimer(window, player.pollTimer);
  const UINT_PTR pollTimer = player.pollTimer;

  Stopwatch clock;
  // Ticks while playing (the position text changes every time, so the status
  // bar is repainted) and while paused (the same text again).
  // painted: each tick is followed by the painting it caused (the status bar
  // is painted within the tick; the position slider waits for the loop).
  const auto measureTicks = [&](std::int64_t advanceMs, const char* name, bool painted = false) {
    Series series;
    if (!wanted(name)) return series;
    series.us.reserve(events);
    double cpuStart = 0;
    for (int i = 0; i < kWarmUp + events; ++i) {
      if (i == kWarmUp) cpuStart = ThreadCpuMicroseconds();
      sim.Advance(advanceMs);
      const LONGLONG start = Stopwatch::Now();
      SendMessageA(window, WM_TIMER, pollTimer, 0);
      if (painted) RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      const LONGLONG end = Stopwatch::Now();
      if (i >= kWarmUp) series.us.push_back(clock.Microseconds(end - start));
      if (i % 1000 == 0) sim.ClearLog();
    }
    series.cpuUs = ThreadCpuMicroseconds() - cpuStart;
    return series;
  };
  StartPlay(window, true);
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  const Series paintedTicks = measureTicks(50, "painted", true);
  const Series ticks = measureTicks(50, "playing");
  TogglePause(window);
  const Series pausedTicks = measureTicks(0, "paused");
  // The same playing ticks with the window hidden: nothing is painted, so
  // what remains is Dorvane's own work and the messages to its controls.
  ShowWindow(window, SW_HIDE);
  StartPlay(window, true);
  const Series hiddenTicks = measureTicks(50, "hidden");
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  StartPlay(window, true);

  // Fast forward and rewind alternately, so the position stays in the media.
  Series hotKeys;
  hotKeys.us.reserve(events);
  double cpuStart = 0;
  for (int i = 0; wanted("hotkey") && i < kWarmUp + events; ++i) {
    if (i == kWarmUp) cpuStart = ThreadCpuMicroseconds();
    const LONGLONG start = Stopwatch::Now();
    SendMessageA(window, WM_HOTKEY, (i % 2 == 0) ? 4 : 3, 0);
    const LONGLONG end = Stopwatch::Now();
    if (i >= kWarmUp) hotKeys.us.push_back(clock.Microseconds(end - start));
    SimMci::DeliverNotifications();  // the aborted plays' notifications, as the loop would
    if (i % 1000 == 0) sim.ClearLog();
  }
  hotKeys.cpuUs = ThreadCpuMicroseconds() - cpuStart;

  // The Stamp key while playing.
  sendInputHook = CountInput;
  Series stamps;
  stamps.us.reserve(events);
  for (int i = 0; wanted("stamp") && i < kWarmUp + events; ++i) {
    if (i == kWarmUp) cpuStart = ThreadCpuMicroseconds();
    const LONGLONG start = Stopwatch::Now();
    SendMessageA(window, WM_HOTKEY, 5, 0);
    const LONGLONG end = Stopwatch::Now();
    if (i >= kWarmUp) stamps.us.push_back(clock.Microseconds(end - start));
    if (i % 1000 == 0) sim.ClearLog();
  }
  stamps.cpuUs = ThreadCpuMicroseconds() - cpuStart;
  sendInputHook = SendInput;
  if (wanted("stamp") && typedEvents == 0) std::printf("the Stamp key typed nothing\n");

  Print("poll tick", ticks);
  Print("  (painted)", paintedTicks);
  Print("  (paused)", pausedTicks);
  Print("  (hidden)", hiddenTicks);
  Print("hot key", hotKeys);
  Print("stamp key", stamps);

  DestroyWindow(window);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  RemoveDirTree(dir);
  return typedEvents > 0 ? 0 : 1;  // a Stamp key that typed nothing measured nothing
}
