#include "playback/media.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <array>
#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "app/player_state.h"
#include "app/window_parts.h"
#include "audio/audio_device.h"
#include "bookmarks/bookmarks.h"
#include "filesel/file_dialogs.h"
#include "filesel/media_types.h"
#include "pedal/pedal_input.h"
#include "playback/mci.h"
#include "playback/media_name.h"
#include "playback/position_text.h"
#include "playback/transport.h"
#include "playback/transport_math.h"
#include "res/resource.h"

namespace {

constexpr UINT kPollPeriodMs = 50;
constexpr UINT_PTR kPollTimerId = 1;
constexpr std::array<int, 5> kTransportButtons{IDT_PLAY, IDT_WALK, IDT_REWIND, IDT_FASTFORWARD, IDT_PAUSE};
constexpr std::array<int, 6> kItemsEnableOrder{IDM_PLAY, IDM_PAUSE, IDM_WALK, IDM_JUMP, IDM_ADD_BOOKMARK, IDM_CLOSE};
constexpr std::array<int, 6> kItemsGrayOrder{IDM_PLAY, IDM_WALK, IDM_PAUSE, IDM_JUMP, IDM_ADD_BOOKMARK, IDM_CLOSE};

void CloseDevice() {
  SendMciCommand(player.deviceId, MCI_CLOSE, MCI_WAIT, nullptr, mci_label::kClose);
  player.deviceId = 0;
}

// Opens the device for mediaPath: a CD track on the CD audio device of its
// drive, any other file on the device MCI picks for its extension.
bool OpenDevice(const CdTrack& cd) {
  MCI_OPEN_PARMSA open{};
  DWORD flags = kOpenFileFlags;
  if (cd.isTrack) {
    open.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<DWORD_PTR>(MCI_DEVTYPE_CD_AUDIO));
    open.lpstrElementName = cd.drive.c_str();
    flags = kOpenCdFlags;
  } else {
    open.lpstrElementName = player.mediaPath.c_str();
  }
  if (SendMciCommand(0, MCI_OPEN, flags, &open, mci_label::kOpen) != 0) return false;
  player.deviceId = open.wDeviceID;
  return true;
}

// The length in the status bar and the position slider's range.
void ShowMediaLength(HWND window) {
  char text[16];
  std::snprintf(text, sizeof text, "%s", FormatPosition(player.mediaLength).c_str());
  SetStatusText(window, kStatusLength, text);

  const PositionSliderRange range = PositionSliderRangeForLength(player.mediaLength);
  SendDlgItemMessageA(window, IDC_POSITION, TBM_SETRANGEMIN, TRUE, range.min);
  SendDlgItemMessageA(window, IDC_POSITION, TBM_SETRANGEMAX, TRUE, range.max);
  SendDlgItemMessageA(window, IDC_POSITION, TBM_SETTICFREQ, range.ticFreq, 0);
}

// A length may change after the opening: a device that is still measuring
// its media (an mp3 whose frames are being counted) says it is not ready,
// and a decoder may end a stream elsewhere than the file's header said.
// While the device is not ready, or the position has passed the length
// shown, the poll tick asks for the length again about once a second; for
// every other file it asks nothing more.
constexpr int kLengthCheckTicks = 1000 / kPollPeriodMs;
bool lengthSettling = false;
int ticksToLengthCheck = 0;

// Whether the device says it is not ready; one that cannot say is ready.
bool DeviceNotReady() {
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_READY;
  return SendMciCommand(player.deviceId, MCI_STATUS, MCI_STATUS_ITEM, &status, nullptr) == 0 && status.dwReturn == FALSE;
}

void ShowFileOpenState(HWND window) {
  ShowMediaLength(window);

  player.isPaused = TRUE;
  player.isWalking = FALSE;
  SetToolbarButtonChecked(window, IDT_PAUSE, true);

  std::string title = std::string(player.appTitle) + ": " + player.mediaPath;
  SetWindowTextA(window, title.c_str());
  SetStatusText(window, kStatusPaused, "paused");
  for (int id : kTransportButtons) SetToolbarButtonEnabled(window, id, true);
  HMENU menu = GetMenu(window);
  for (int id : kItemsEnableOrder) EnableMenuItem(menu, id, MF_BYCOMMAND | MF_ENABLED);
}

// Probes whether the device can change speed, with the speed the slider
// shows, so that a new file plays at that speed; the slider follows the
// answer but keeps its position.
void ProbeSpeed(HWND window) {
  DgvSetParms speed{};
  speed.dwSpeed = SpeedForSlider(static_cast<int>(SendDlgItemMessageA(window, IDC_SPEED, TBM_GETPOS, 0, 0)));
  const MCIERROR error = mciSendCommandHook(player.deviceId, MCI_SET, kDgvSetSpeed, reinterpret_cast<DWORD_PTR>(&speed));
  EnableWindow(GetDlgItem(window, IDC_SPEED), error == 0);
}

// Moves a freshly opened CD device to the start of its track.
void SeekToCdTrack(int track) {
  MCI_SET_PARMS format{};
  format.dwTimeFormat = MCI_FORMAT_TMSF;
  mciSendCommandHook(player.deviceId, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&format));
  MCI_SEEK_PARMS seek{};
  seek.dwTo = MCI_MAKE_TMSF(track & 0xFF, 0, 0, 0);
  mciSendCommandHook(player.deviceId, MCI_SEEK, MCI_TO, reinterpret_cast<DWORD_PTR>(&seek));
  format.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
  mciSendCommandHook(player.deviceId, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&format));
}

}  // namespace

void OpenMediaFile(HWND window, const char* path) {
  // The bookmarks to save belong to the file open on the device, which is not
  // always mediaPath: loading an options file replaces mediaPath.
  const std::string previous = player.openMediaPath;

  if (path == nullptr) {
    AddOwnFormatsToMediaFilter();
    if (!RunFileDialog(MediaOpenDialog(), window, player.mediaPath, FileDialogKind::kOpen)) return;
  } else {
    player.mediaPath = path;
  }
  CloseMediaFile(window, previous.c_str());

  const CdTrack cd = DetectCdTrack(player.mediaPath);
  if (!OpenDevice(cd)) return;
  if (cd.isTrack && QueryMciStatus(MCI_STATUS_MEDIA_PRESENT, true) == 0) {
    MessageBoxA(window, "No CD in drive", "Error", MB_ICONWARNING);
    CloseDevice();
    return;
  }
  if (player.pollTimer == 0) player.pollTimer = SetTimer(window, kPollTimerId, kPollPeriodMs, nullptr);

  MCI_SET_PARMS format{};
  format.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
  SendMciCommand(player.deviceId, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, &format, mci_label::kTimeFormat);
  player.mediaLength = QueryMciStatus(MCI_STATUS_LENGTH, true);

  ShowFileOpenState(window);
  player.isOpen = TRUE;
  player.bookmarkCount = 0;
  player.openMediaPath = player.mediaPath;
  LoadBookmarks(window);
  ProbeSpeed(window);
  if (IsSoundOnly(player.deviceId)) SetStatusText(window, kStatusCounter, IdleCounterText());  // "sound only"
  if (cd.isTrack) SeekToCdTrack(cd.track);
  lengthSettling = DeviceNotReady();
  ticksToLengthCheck = kLengthCheckTicks;
}

void FollowMediaLength(HWND window) {
  if (!player.isOpen) return;
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_LENGTH;
  if (SendMciCommand(player.deviceId, MCI_STATUS, MCI_STATUS_ITEM, &status, nullptr) != 0) return;
  if (lengthSettling) lengthSettling = DeviceNotReady();  // a device once ready stays so
  const auto length = static_cast<std::int32_t>(status.dwReturn);
  if (length == player.mediaLength || length < 0) return;
  player.mediaLength = length;
  if (window != nullptr) ShowMediaLength(window);
}

void OnLengthTick(HWND window, std::int32_t position) {
  if (!lengthSettling && position <= player.mediaLength) return;
  if (--ticksToLengthCheck > 0) return;
  ticksToLengthCheck = kLengthCheckTicks;
  FollowMediaLength(window);
}

void CloseMediaFile(HWND window, const char* path) {
  const bool soundOnly = player.deviceId != 0 && IsSoundOnly(player.deviceId);
  ForgetPollControls();
  if (player.pollTimer != 0) {
    KillTimer(window, player.pollTimer);
    player.pollTimer = 0;
  }
  if (player.walkTimer != 0) {
    KillTimer(window, player.walkTimer);
    player.walkTimer = 0;
  }
  if (player.deviceId != 0) CloseDevice();

  for (int id : kTransportButtons) SetToolbarButtonEnabled(window, id, false);
  SetWindowTextA(window, player.appTitle);
  SetStatusText(window, kStatusLength, "0:00.000");
  SetStatusText(window, kStatusPosition, "0:00.000");
  HMENU menu = GetMenu(window);
  for (int id : kItemsGrayOrder) EnableMenuItem(menu, id, MF_BYCOMMAND | MF_GRAYED);

  SaveBookmarks(window, path);
  player.isOpen = FALSE;
  lengthSettling = false;
  player.openMediaPath.clear();
  if (soundOnly) SetStatusText(window, kStatusCounter, IdleCounterText());  // "sound only" goes with its file
  TogglePause(window);
}
