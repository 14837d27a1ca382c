// The main window with a simulated MCI device behind it, for the tests of
// opening media, the transport and walk mode. Time moves only when the test
// says: sim.Advance(ms) for the device, Tick() for one poll-timer tick,
// FireWalkTimer() for the walk-pause timer.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <optional>
#include <string>
#include <vector>

#include "support/main_window_fixture.h"
#include "support/sim_mci.h"

class PlaybackTest : public MainWindowTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Registers a file of the given kind and length with the device.
  std::string AddFile(const std::string& name, std::int32_t lengthMs, SimMedia::Kind kind = SimMedia::kWave,
                      bool speedSupported = false);
  // The window with that file opened from the command line (paused at 0),
  // and the command log cleared.
  void StartWithFile(const std::string& path);
  // Opens another file in the running window as the Open command does, and
  // clears the command log.
  void OpenFile(const std::string& path);

  // Stops the real 50 ms timer so that modal loops (message boxes, the Jump
  // dialog) cannot deliver ticks the test did not ask for.
  void StopRealPollTimer();
  // One poll tick, as the 50 ms timer delivers it.
  INT_PTR Tick();
  void Ticks(int count);
  // The walk-pause timer expiring (nothing happens when none is pending).
  INT_PTR FireWalkTimer();
  INT_PTR HotKey(int id) { return Call(WM_HOTKEY, id); }
  INT_PTR Command(int id) { return Call(WM_COMMAND, MAKEWPARAM(id, 0)); }
  // A WM_HSCROLL from a slider after moving it to position.
  INT_PTR MoveSlider(int id, int position);
  // Holds a toolbar button down (TB_ISBUTTONPRESSED reads true) or lets it go.
  void HoldButton(int id, bool held);

  // The device of the open file, its position, and what it was sent.
  MCIDEVICEID Device() const { return sim.Current(); }
  std::int32_t DevicePosition() const { return sim.Position(sim.Current()); }
  std::vector<SimMciCommand> Sent(UINT message) const { return sim.Commands(message); }
  int CountSent(UINT message) const { return static_cast<int>(sim.Commands(message).size()); }
  // The one walk or play settings the tests use: sliders in ms, loops.
  void SetWalk(std::int32_t lengthMs, std::int32_t backspaceMs, std::int32_t pauseMs, int loops);
  void SetLoops(int loops);
  // The boxes and dialogs caught so far, in order, and their captions; both
  // leave out the start-up's hot-key warnings (see WithoutHotKeyWarnings).
  std::vector<CaughtDialog> Boxes() const;
  std::vector<std::string> Captions() const;

  SimMci sim;
  std::optional<SimMciHook> hook;
};

// Leaves out the warnings of the hot-key registration at start-up. They appear
// whenever another program holds one of the five keys, which is the case when
// another test program runs beside this one: hot keys are system-wide.
std::vector<CaughtDialog> WithoutHotKeyWarnings(const std::vector<CaughtDialog>& caught);

// The caption that SendMciCommand gives a failed command's box.
inline std::string MciErrorCaption(const std::string& label) { return "Error in processing MCI command " + label; }
// The text the platform gives an MCI error code.
std::string MciErrorText(MCIERROR error);
