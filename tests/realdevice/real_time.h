// What the real-device tests share: where the recordings are, and running the
// window's message loop in real time (real timers, real notifications).
#pragma once
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>

// The recordings made for these tests: $DORVANE_MEDIA_DIR, or media\ beside
// the test program.
inline std::string MediaDir() {
  if (const char* dir = std::getenv("DORVANE_MEDIA_DIR"); dir != nullptr && *dir != '\0') return dir;
  char exe[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const std::string path = exe;
  return path.substr(0, path.find_last_of('\\')) + "\\media";
}

// Dispatches this thread's messages until done() or the timeout, asking done()
// about every 5 ms; returns whether done() came true.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(5);
  }
}
inline void PumpFor(DWORD ms) { PumpUntil([] { return false; }, ms); }
