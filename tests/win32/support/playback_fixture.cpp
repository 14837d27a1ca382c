#include "support/playback_fixture.h"

#include <commctrl.h>

#include "app/player_state.h"
#include "app/window_parts.h"
#include "playback/media.h"
#include "res/resource.h"
#include "settings/settings_state.h"

void PlaybackTest::SetUp() {
  MainWindowTest::SetUp();
  timingOptions = defaultTimingOptions;
  hook.emplace(sim);
}

void PlaybackTest::TearDown() {
  hook.reset();
  MainWindowTest::TearDown();
  // Notifications posted to the window are gone with it; drop any others.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
  }
}

std::string PlaybackTest::AddFile(const std::string& name, std::int32_t lengthMs, SimMedia::Kind kind,
                                  bool speedSupported) {
  const std::string path = name.find('\\') == std::string::npos ? TempFile(name) : name;
  SimMedia media;
  media.kind = kind;
  media.length = lengthMs;
  media.speedSupported = speedSupported;
  sim.AddFile(path, media);
  return path;
}

void PlaybackTest::StartWithFile(const std::string& path) {
  CreateMainWindow(path.c_str());
  ASSERT_TRUE(player.isOpen) << path;
  StopRealPollTimer();
  sim.ClearLog();
}

void PlaybackTest::OpenFile(const std::string& path) {
  OpenMediaFile(window, path.c_str());
  StopRealPollTimer();
  sim.ClearLog();
}

void PlaybackTest::StopRealPollTimer() {
  // player.pollTimer keeps its id, so Tick() still delivers ticks by hand.
  if (player.pollTimer != 0) KillTimer(window, player.pollTimer);
}

INT_PTR PlaybackTest::Tick() { return Call(WM_TIMER, player.pollTimer); }

void PlaybackTest::Ticks(int count) {
  for (int i = 0; i < count; ++i) Tick();
}

INT_PTR PlaybackTest::FireWalkTimer() {
  if (player.walkTimer == 0) return FALSE;
  return Call(WM_TIMER, player.walkTimer);
}

INT_PTR PlaybackTest::MoveSlider(int id, int position) {
  SetSliderPos(id, position);
  return Call(WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(Item(id)));
}

void PlaybackTest::HoldButton(int id, bool held) {
  SendDlgItemMessageA(window, IDC_TOOLBAR, TB_PRESSBUTTON, id, held ? TRUE : FALSE);
}

void PlaybackTest::SetWalk(std::int32_t lengthMs, std::int32_t backspaceMs, std::int32_t pauseMs, int loops) {
  SetBackspaceMs(window, backspaceMs);
  SetWalkLengthMs(window, lengthMs);
  SetWalkPauseMs(window, pauseMs);
  SetLoops(loops);
}

void PlaybackTest::SetLoops(int loops) {
  SendDlgItemMessageA(window, IDC_LOOPS_UPDOWN, UDM_SETPOS, 0, MAKELPARAM(loops, 0));
}

std::vector<CaughtDialog> PlaybackTest::Boxes() const { return WithoutHotKeyWarnings(dialogs.Caught()); }

std::vector<std::string> PlaybackTest::Captions() const {
  std::vector<std::string> captions;
  for (const auto& d : Boxes()) captions.push_back(d.caption);
  return captions;
}

std::vector<CaughtDialog> WithoutHotKeyWarnings(const std::vector<CaughtDialog>& caught) {
  const auto isWarning = [](const std::string& text) {
    const std::string prefix = "Invalid ";
    const std::string suffix = " hot-key, using default";
    return text == "Default Hot Key invalid!" ||
           (text.size() > prefix.size() + suffix.size() && text.compare(0, prefix.size(), prefix) == 0 &&
            text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0);
  };
  std::vector<CaughtDialog> kept;
  for (const auto& d : caught) {
    if (!isWarning(d.text)) kept.push_back(d);
  }
  return kept;
}

std::string MciErrorText(MCIERROR error) {
  char text[200] = "";
  mciGetErrorStringA(error, text, sizeof text);
  return text;
}
