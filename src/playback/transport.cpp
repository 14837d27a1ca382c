#include "playback/transport.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <string>
#include <utility>
#include <vector>

#include "app/hotkey_drain.h"
#include "app/player_state.h"
#include "app/window_parts.h"
#include "pedal/pedal_input.h"
#include "playback/jump_text.h"
#include "playback/mci.h"
#include "playback/media.h"
#include "playback/position_text.h"
#include "playback/transport_math.h"
#include "playback/walk.h"
#include "res/resource.h"
#include "settings/settings_state.h"

namespace {

enum HotKeyId { kHotKeyPlay = 0, kHotKeyPause, kHotKeyWalk, kHotKeyRewind, kHotKeyFastForward };

DWORD_PTR CallbackWindow(HWND window) {
  // MCI takes the window handle in the low-order word of dwCallback.
  return reinterpret_cast<DWORD_PTR>(window) & 0xFFFF'FFFF;
}

// Restarts playback after a seek or a resume, in the mode the transport was in.
void Restart(HWND window) {
  if (player.isWalking) {
    StartWalk(window, false);
  } else {
    StartPlay(window, false);
  }
}

// Asks the device whether it is playing. A device that cannot say (the query
// fails) is taken to be playing, so that a pause is never left out.
bool DeviceMayBePlaying() {
  switch (QueryMciStatus(MCI_STATUS_MODE, false)) {
    case MCI_MODE_STOP:
    case MCI_MODE_PAUSE:
    case MCI_MODE_NOT_READY:
    case MCI_MODE_OPEN:
      return false;
    default:
      return true;
  }
}

void Wind(std::int32_t position, std::int32_t step, int direction) {
  SeekTo(WindTarget(position, step, direction));
}

}  // namespace

std::int64_t EndThreshold(std::int32_t margin) {
  return static_cast<std::int64_t>(player.mediaLength) - margin;
}

void StartPlay(HWND window, bool report) {
  if (!player.isOpen) return;
  CancelWalkPause(window);
  MCI_PLAY_PARMS play{};
  play.dwCallback = CallbackWindow(window);
  player.isPaused = FALSE;
  player.isWalking = FALSE;
  SetToolbarButtonChecked(window, IDT_PAUSE, false);
  SendMciCommand(player.deviceId, MCI_PLAY, MCI_NOTIFY, &play, report ? mci_label::kPlay : nullptr);
  SetStatusText(window, kStatusMode, "playing");
  SetStatusText(window, kStatusPaused, "");
  SetStatusText(window, kStatusCounter, IdleCounterText());
}

void TogglePause(HWND window) {
  if (player.isOpen) {
    const std::int32_t position = QueryMciStatus(MCI_STATUS_POSITION, true);
    if (position < EndThreshold(1) && player.isPaused) {
      player.isPaused = FALSE;
      SetToolbarButtonChecked(window, IDT_PAUSE, false);
      SetStatusText(window, kStatusPaused, "");
      const std::int32_t now = QueryMciStatus(MCI_STATUS_POSITION, true);
      SeekTo(static_cast<std::int64_t>(now) - GetUnpauseRewindMs(window));
      player.seekDelayLeft = 0;
      player.seekCount = 0;
      Restart(window);
      return;
    }
  }
  if (player.isPaused) {
    // Nothing changes, but a click has already flipped the check button
    // itself: it must go on showing the paused transport.
    SetToolbarButtonChecked(window, IDT_PAUSE, true);
    return;
  }
  player.isPaused = TRUE;
  SetToolbarButtonChecked(window, IDT_PAUSE, true);
  SetStatusText(window, kStatusPaused, "paused");
  if (!player.isOpen) return;
  const std::int32_t position = QueryMciStatus(MCI_STATUS_POSITION, true);
  if (position >= EndThreshold(1)) return;
  if (player.walkTimer != 0 && player.isWalking) {
    // Between walk chunks the device is already stopped.
    CancelWalkPause(window);
    return;
  }
  // A seek leaves the device stopped, and so does the end of a walk chunk
  // whose notification is still queued; a stopped device refuses a pause.
  if (!DeviceMayBePlaying()) return;
  SendMciCommand(player.deviceId, MCI_PAUSE, 0, nullptr, mci_label::kPause);
}

void SeekTo(std::int64_t ms) {
  if (!player.isOpen) return;
  // Past the length shown: the media may have grown since (a length that
  // was an estimate, or a stream that went on past its header's length).
  if (ms > player.mediaLength) FollowMediaLength(mainWindow);
  MCI_SEEK_PARMS seek{};
  seek.dwTo = static_cast<DWORD>(ClampSeekTarget(ms, player.mediaLength));
  SendMciCommand(player.deviceId, MCI_SEEK, MCI_TO, &seek, mci_label::kSeek);
  ++player.seekCount;
}

namespace {

// The controls the poll tick touches 20 times a second. Their handles live as
// long as the window, so they are looked up once per window, not per tick.
// The position text last set is remembered with them: the tick compares with
// it instead of asking the status bar for its text twice a tick.
struct PollControls {
  HWND window = nullptr;
  HWND toolbar = nullptr;
  HWND position = nullptr;
  std::string shownPosition;  // empty: not known, the next tick sets it
};

PollControls controls;

PollControls& ControlsOf(HWND window) {
  if (controls.window != window) {
    controls = {window, GetDlgItem(window, IDC_TOOLBAR), GetDlgItem(window, IDC_POSITION), {}};
  }
  return controls;
}

// Moves the position slider's thumb. The slider repaints its thumb for every
// new value, but a value is 100 ms and the slider a few hundred pixels wide,
// so on all but the shortest recordings most new values leave the thumb on
// the same pixels, and that repaint (the themed channel, tics and thumb) would
// show nothing new. It is dropped when the thumb has not moved and nothing
// else was waiting to be painted in the slider. A hidden slider paints
// nothing anyway, so it is spared the two questions to the window system.
void MovePositionSlider(HWND slider, std::int32_t value) {
  if (!IsWindowVisible(slider) || IsIconic(GetParent(slider))) {
    SendMessageA(slider, TBM_SETPOS, TRUE, value);
    return;
  }
  const bool waiting = GetUpdateRect(slider, nullptr, FALSE) != FALSE;
  RECT before{};
  RECT after{};
  SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&before));
  SendMessageA(slider, TBM_SETPOS, TRUE, value);
  SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&after));
  if (!waiting && EqualRect(&before, &after)) ValidateRect(slider, nullptr);
}

}  // namespace

void ForgetPollControls() { controls = PollControls{}; }

void RefreshPosition(HWND window) {
  PollControls& controls = ControlsOf(window);
  const std::int32_t position = QueryMciStatus(MCI_STATUS_POSITION, false);
  // While the position stands still (paused, between walk chunks, or between
  // the steps in which a wave device moves) the text and slider already show
  // it: setting them again would only repaint.
  std::string text = FormatPosition(position);
  if (text != controls.shownPosition) {
    SetStatusText(window, kStatusPosition, text.c_str());  // painted at once, that text alone
    controls.shownPosition = std::move(text);
  }
  const std::int32_t value = SliderValueForPosition(position);
  if (SendMessageA(controls.position, TBM_GETPOS, 0, 0) != value) MovePositionSlider(controls.position, value);
  OnLengthTick(window, position);
}

void OnPollTick(HWND window) {
  const HWND toolbar = ControlsOf(window).toolbar;
  // A held foot pedal winds as a held button does; the buttons come first.
  int direction = PedalWind();
  if (SendMessageA(toolbar, TB_ISBUTTONPRESSED, IDT_REWIND, 0) != 0) {
    direction = -1;
  } else if (SendMessageA(toolbar, TB_ISBUTTONPRESSED, IDT_FASTFORWARD, 0) != 0) {
    direction = 1;
  }
  if (direction != 0) {
    const std::int32_t position = QueryMciStatus(MCI_STATUS_POSITION, false);
    const std::int32_t step = FastWindStep(player.seekCount, timingOptions.ButtonSpeedupDelay,
                                           timingOptions.ButtonSlowRepeatSpeed, timingOptions.ButtonFastRepeatSpeed);
    Wind(position, step, direction);
  } else if (player.seekCount != 0) {
    // A burst is pending: it ends when the delay has counted down.
    const BurstCountdown countdown = CountDownSeekDelay(player.seekDelayLeft);
    player.seekDelayLeft = countdown.left;
    if (countdown.ends) {
      player.seekCount = 0;
      if (!player.isPaused) Restart(window);
    }
  }
  RefreshPosition(window);
}

void OnTransportHotKey(HWND window, int id) {
  switch (id) {
    case kHotKeyPlay: StartPlay(window, true); break;
    case kHotKeyPause: TogglePause(window); break;
    case kHotKeyWalk: StartWalk(window, true); break;
    case kHotKeyRewind:
    case kHotKeyFastForward:
      if (player.isOpen) {
        const std::int32_t position = QueryMciStatus(MCI_STATUS_POSITION, true);
        const std::int32_t step = FastWindStep(player.seekCount, timingOptions.HotKeySpeedupDelay,
                                               timingOptions.HotKeySlowRepeatSpeed, timingOptions.HotKeyFastRepeatSpeed);
        Wind(position, step, id == kHotKeyRewind ? -1 : 1);
      }
      break;
    default: return;
  }
  DrainQueuedHotKeys(window, id);
  player.seekDelayLeft = timingOptions.HotKeySeekDelay;
}

void DrainQueuedHotKeys(HWND window, int handledId) {
  // A held key repeats faster than a seek completes (a seek while playing
  // can take more than half a second): its repeats that queued up meanwhile
  // are dropped. Any other key pressed in that time is acted on, in order.
  std::vector<QueuedHotKey> queued;
  MSG msg;
  // A hot key behind the end of a play stays behind it: taken out now, it
  // would be acted on before that end is.
  if (PeekMessageA(&msg, window, MM_MCINOTIFY, MM_MCINOTIFY, PM_NOREMOVE) && msg.wParam == MCI_NOTIFY_SUCCESSFUL) {
    return;
  }
  while (queued.size() < kHotKeyQueueLimit && PeekMessageA(&msg, window, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
    queued.push_back({msg.wParam, msg.lParam});
  }
  for (const QueuedHotKey& key : HotKeysToActOn(static_cast<std::uintptr_t>(handledId), queued)) {
    SendMessageA(window, WM_HOTKEY, key.id, key.keys);
  }
}

void OnPositionSlider(HWND window) {
  const auto value = static_cast<std::int32_t>(SendDlgItemMessageA(window, IDC_POSITION, TBM_GETPOS, 0, 0));
  SeekTo(PositionForSliderValue(value));
}

void OnSpeedSlider(HWND window) {
  DgvSetParms speed{};
  speed.dwSpeed = SpeedForSlider(static_cast<int>(SendDlgItemMessageA(window, IDC_SPEED, TBM_GETPOS, 0, 0)));
  SendMciCommand(player.deviceId, MCI_SET, kDgvSetSpeed, &speed, mci_label::kSpeed);
}

void JumpToLocation(HWND window) {
  const std::int32_t position = QueryMciStatus(MCI_STATUS_POSITION, false);
  const INT_PTR result = DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_POSITION_TEXT), window, JumpDialogProc,
                                         static_cast<LPARAM>(position));
  if (result != -1) SeekTo(result);
}

INT_PTR CALLBACK JumpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, IDC_POSITION_EDIT, JumpInitialText(static_cast<std::int32_t>(lParam)).c_str());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        char text[40] = "";
        GetDlgItemTextA(dialog, IDC_POSITION_EDIT, text, sizeof text);
        EndDialog(dialog, ReadJumpText(text));
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, -1);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
