#include "playback/walk.h"

#include <mmsystem.h>

#include "app/player_state.h"
#include "app/window_parts.h"
#include "playback/mci.h"
#include "playback/media.h"
#include "playback/transport.h"
#include "playback/walk_math.h"
#include "res/resource.h"

namespace {

constexpr UINT_PTR kWalkTimerId = 2;

DWORD_PTR CallbackWindow(HWND window) {
  return reinterpret_cast<DWORD_PTR>(window) & 0xFFFF'FFFF;
}

void ShowCounter(HWND window) {
  SetStatusText(window, kStatusCounter, WalkCounterText(player.walkLoop, GetLoopCount(window)).c_str());
}

}  // namespace

void CancelWalkPause(HWND window) {
  if (player.walkTimer == 0) return;
  KillTimer(window, player.walkTimer);
  player.walkTimer = 0;
}

void StartWalk(HWND window, bool report) {
  if (!player.isOpen) return;
  // A walk pause left pending would otherwise cut into the walk started now.
  CancelWalkPause(window);
  player.isWalking = TRUE;
  player.isPaused = FALSE;
  player.walkLoop = 0;
  const std::int32_t position = QueryMciStatus(MCI_STATUS_POSITION, true);
  const std::int32_t end = FirstWalkChunkEnd(position, GetWalkLengthMs(window), player.mediaLength);
  SetToolbarButtonChecked(window, IDT_PAUSE, false);
  MCI_PLAY_PARMS play{};
  play.dwTo = static_cast<DWORD>(end);
  play.dwCallback = CallbackWindow(window);
  MCIERROR error = SendMciCommandError(player.deviceId, MCI_PLAY, MCI_NOTIFY | MCI_TO, &play);
  if (error == MCIERR_OUTOFRANGE && position >= 0 && position <= end) {
    // The device finds the chunk's end behind where it plays from: the
    // position it reported lagged its play for a moment (right after a
    // restart). The chunk then starts where the position said, which is what
    // the window shows.
    play.dwFrom = static_cast<DWORD>(position);
    error = SendMciCommandError(player.deviceId, MCI_PLAY, MCI_NOTIFY | MCI_FROM | MCI_TO, &play,
                                mci_label::kFirstWalkStep);
  }
  if (error != 0 && report) ShowMciError(error, mci_label::kFirstWalkStep);
  SetStatusText(window, kStatusMode, "walking");
  ShowCounter(window);
  SetStatusText(window, kStatusPaused, "");
}

void NextWalkStep(HWND window) {
  const std::int32_t position = QueryMciStatus(MCI_STATUS_POSITION, true);
  const WalkStep step = NextWalkChunk(player.walkLoop, GetLoopCount(window), position, GetWalkLengthMs(window),
                                      GetBackspaceMs(window), player.mediaLength);
  player.walkLoop = step.walkLoop;
  if (!step.stillWalking) player.isWalking = FALSE;
  ShowCounter(window);
  MCI_PLAY_PARMS play{};
  play.dwCallback = CallbackWindow(window);
  play.dwFrom = static_cast<DWORD>(step.from);
  play.dwTo = static_cast<DWORD>(step.to);
  SendMciCommand(player.deviceId, MCI_PLAY, MCI_NOTIFY | MCI_FROM | MCI_TO, &play, mci_label::kWalk);
}

BOOL OnMciNotify(HWND window, WPARAM code, LPARAM device) {
  if (code == MCI_NOTIFY_FAILURE && player.isOpen && static_cast<MCIDEVICEID>(device) == player.deviceId) {
    // The play stopped early (the sound card went away): say so, then stand
    // paused where it stopped, so that resuming tries again. A failure of a
    // recording already closed says nothing.
    ReportFailedPlay();
    if (player.isOpen && !player.isPaused) TogglePause(window);
    return TRUE;
  }
  if (code != MCI_NOTIFY_SUCCESSFUL || !player.isOpen) return FALSE;
  // Only the end of the play now running counts: not that of a device
  // closed since, nor that of an earlier play whose notice was already on
  // its way when the next began (Walk pressed just as a chunk ended).
  if (static_cast<MCIDEVICEID>(device) != player.deviceId) return FALSE;
  if (QueryMciStatus(MCI_STATUS_MODE, false) == MCI_MODE_PLAY) return FALSE;
  FollowMediaLength(window);  // the play may have found the media's end elsewhere than its length said
  const std::int32_t position = QueryMciStatus(MCI_STATUS_POSITION, true);
  if (position >= EndThreshold(2)) {
    TogglePause(window);  // end of the media
    return TRUE;
  }
  // A chunk that ended just before a pause reports its end afterwards: the
  // walk stays paused.
  if (!player.isWalking || player.isPaused) return FALSE;
  player.walkTimer = SetTimer(window, kWalkTimerId, static_cast<UINT>(GetWalkPauseMs(window)), nullptr);
  return TRUE;
}
