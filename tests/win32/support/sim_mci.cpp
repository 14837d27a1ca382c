#include "support/sim_mci.h"

#include <algorithm>
#include <cctype>

namespace {

SimMci* currentSim = nullptr;

MCIERROR WINAPI SendToSim(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parms) {
  if (currentSim == nullptr) return MCIERR_DEVICE_NOT_INSTALLED;
  return currentSim->Send(device, message, flags, parms);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

constexpr DWORD kSeekToStart = MCI_SEEK_TO_START;
constexpr DWORD kSeekToEnd = MCI_SEEK_TO_END;
constexpr int kMaxDeliveries = 100000;  // a handler that loops forever must not hang the test run

}  // namespace

void SimMci::AddFile(const std::string& path, SimMedia media) { files_[Lower(path)] = std::move(media); }

void SimMci::AddCdDrive(const std::string& drive, SimMedia media) {
  media.kind = SimMedia::kCdAudio;
  drives_[Lower(drive)] = std::move(media);
}

void SimMci::Fail(UINT message, MCIERROR error, int times) {
  FailWhen([message](const SimMciCommand& c) { return c.message == message; }, error, times);
}

void SimMci::FailWhen(std::function<bool(const SimMciCommand&)> match, MCIERROR error, int times) {
  failures_.push_back({std::move(match), error, times});
}

std::optional<MCIERROR> SimMci::InjectedFailure(const SimMciCommand& command) {
  for (auto it = failures_.begin(); it != failures_.end(); ++it) {
    if (it->times == 0 || !it->match(command)) continue;
    const MCIERROR error = it->error;
    if (it->times > 0 && --it->times == 0) failures_.erase(it);
    return error;
  }
  return std::nullopt;
}

std::vector<SimMciCommand> SimMci::Commands(UINT message) const {
  std::vector<SimMciCommand> found;
  for (const auto& c : log_) {
    if (c.message == message) found.push_back(c);
  }
  return found;
}

std::int32_t SimMci::Position(MCIDEVICEID id) const {
  auto it = devices_.find(id);
  return it == devices_.end() ? 0 : static_cast<std::int32_t>(it->second.positionMilli / 1000);
}

bool SimMci::IsPlaying(MCIDEVICEID id) const {
  auto it = devices_.find(id);
  return it != devices_.end() && it->second.playing;
}

std::int32_t SimMci::PlayEnd(MCIDEVICEID id) const {
  auto it = devices_.find(id);
  return it == devices_.end() ? 0 : it->second.playEnd;
}

DWORD SimMci::Speed(MCIDEVICEID id) const {
  auto it = devices_.find(id);
  return it == devices_.end() ? 0 : it->second.speed;
}

DWORD SimMci::TimeFormat(MCIDEVICEID id) const {
  auto it = devices_.find(id);
  return it == devices_.end() ? 0 : it->second.timeFormat;
}

void SimMci::SetPosition(MCIDEVICEID id, std::int32_t ms) {
  auto it = devices_.find(id);
  if (it != devices_.end()) it->second.positionMilli = static_cast<std::int64_t>(ms) * 1000;
}

void SimMci::SetDiscPresent(MCIDEVICEID id, bool present) {
  auto it = devices_.find(id);
  if (it != devices_.end()) it->second.media.discPresent = present;
}

void SimMci::SetLength(MCIDEVICEID id, std::int32_t ms, bool ready) {
  auto it = devices_.find(id);
  if (it != devices_.end()) it->second.media.length = ms, it->second.media.ready = ready;
}

void SimMci::DeliverNotifications() {
  MSG msg;
  for (int i = 0; i < kMaxDeliveries && PeekMessageA(&msg, nullptr, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE); ++i) {
    DispatchMessageA(&msg);
  }
}

void SimMci::Advance(std::int64_t ms) {
  std::int64_t remaining = std::max<std::int64_t>(ms, 0);
  for (;;) {
    // Up to the earliest end of a running play, or the whole time left.
    std::int64_t step = remaining;
    for (const auto& [id, d] : devices_) {
      if (!d.playing) continue;
      const std::int64_t left = static_cast<std::int64_t>(d.playEnd) * 1000 - d.positionMilli;
      step = std::min<std::int64_t>(step, (left + d.speed - 1) / d.speed);
    }
    step = std::max<std::int64_t>(step, 0);
    now_ += step;
    remaining -= step;
    std::vector<MCIDEVICEID> ended;
    for (auto& [id, d] : devices_) {
      if (!d.playing) continue;
      d.positionMilli += step * d.speed;
      if (d.positionMilli >= static_cast<std::int64_t>(d.playEnd) * 1000) ended.push_back(id);
    }
    for (MCIDEVICEID id : ended) {
      Device& d = devices_.at(id);
      d.positionMilli = static_cast<std::int64_t>(d.playEnd) * 1000;
      d.playing = false;
      if (d.notifyPending) {
        d.notifyPending = false;
        Notify(id, d.notifyWindow, MCI_NOTIFY_SUCCESSFUL);
      }
    }
    if (deliver) DeliverNotifications();
    if (remaining <= 0) break;
  }
}

MCIERROR SimMci::Send(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parms) {
  SimMciCommand command = Record(device, message, static_cast<DWORD>(flags), parms);
  if (auto failure = InjectedFailure(command)) {
    command.result = *failure;
  } else {
    command.result = Execute(command, parms);
  }
  log_.push_back(command);
  return command.result;
}

SimMciCommand SimMci::Record(MCIDEVICEID device, UINT message, DWORD flags, DWORD_PTR parms) const {
  SimMciCommand c;
  c.at = now_;
  c.device = device;
  c.message = message;
  c.flags = flags;
  c.hasParms = parms != 0;
  if (parms == 0) return c;
  c.callback = reinterpret_cast<const MCI_GENERIC_PARMS*>(parms)->dwCallback;
  switch (message) {
    case MCI_OPEN: {
      const auto* p = reinterpret_cast<const MCI_OPEN_PARMSA*>(parms);
      c.deviceType = reinterpret_cast<DWORD_PTR>(p->lpstrDeviceType);
      if ((flags & MCI_OPEN_ELEMENT) && p->lpstrElementName != nullptr) c.element = p->lpstrElementName;
      break;
    }
    case MCI_STATUS: c.item = reinterpret_cast<const MCI_STATUS_PARMS*>(parms)->dwItem; break;
    case MCI_SET:
      c.timeFormat = reinterpret_cast<const MCI_SET_PARMS*>(parms)->dwTimeFormat;
      // The speed field exists only in the larger block that comes with the flag.
      if (flags & kDgvSetSpeed) c.speed = reinterpret_cast<const DgvSetParms*>(parms)->dwSpeed;
      break;
    case MCI_PLAY: {
      const auto* p = reinterpret_cast<const MCI_PLAY_PARMS*>(parms);
      c.from = p->dwFrom;
      c.to = p->dwTo;
      break;
    }
    case MCI_SEEK: c.to = reinterpret_cast<const MCI_SEEK_PARMS*>(parms)->dwTo; break;
    default: break;
  }
  return c;
}

MCIERROR SimMci::Execute(SimMciCommand& command, DWORD_PTR parms) {
  if (command.message == MCI_OPEN) return Open(command, parms);
  auto it = devices_.find(command.device);
  if (it == devices_.end()) return MCIERR_INVALID_DEVICE_ID;
  Device& device = it->second;
  const MCIDEVICEID id = command.device;
  MCIERROR error = 0;
  switch (command.message) {
    case MCI_CLOSE:
      Stop(id, device, MCI_NOTIFY_ABORTED);
      devices_.erase(it);
      return 0;
    case MCI_STATUS: error = Status(device, command, parms); break;
    case MCI_SET: error = Set(device, command); break;
    case MCI_PLAY: return Play(id, device, command);
    case MCI_SEEK: error = Seek(id, device, command); break;
    case MCI_PAUSE:
      if (device.media.kind == SimMedia::kCdAudio && !device.media.discPresent) return MCIERR_DEVICE_NOT_READY;
      // As Wine's wave device: a device that is not playing (after a seek, or
      // at the end of a play) refuses to pause.
      if (!device.playing) return MCIERR_NONAPPLICABLE_FUNCTION;
      Stop(id, device, MCI_NOTIFY_ABORTED);
      break;
    default: return MCIERR_UNRECOGNIZED_COMMAND;
  }
  // Any other command that asks for notification supersedes the pending one
  // and completes at once.
  if (error == 0 && (command.flags & MCI_NOTIFY)) {
    if (device.notifyPending) Notify(id, device.notifyWindow, MCI_NOTIFY_SUPERSEDED);
    device.notifyPending = false;
    Notify(id, CallbackToWindow(command.callback), MCI_NOTIFY_SUCCESSFUL);
  }
  return error;
}

MCIERROR SimMci::Open(SimMciCommand& command, DWORD_PTR parms) {
  if (parms == 0) return MCIERR_MISSING_PARAMETER;
  const SimMedia* media = nullptr;
  if (command.flags & MCI_OPEN_TYPE) {
    const bool cd = (command.flags & MCI_OPEN_TYPE_ID)
                        ? LOWORD(command.deviceType) == MCI_DEVTYPE_CD_AUDIO
                        : command.deviceType != 0 &&
                              Lower(reinterpret_cast<const char*>(command.deviceType)) == "cdaudio";
    if (!cd) return MCIERR_INVALID_DEVICE_NAME;
    if (command.flags & MCI_OPEN_ELEMENT) {
      auto found = drives_.find(Lower(command.element));
      if (found == drives_.end()) return MCIERR_INVALID_DEVICE_NAME;
      media = &found->second;
    } else {
      if (drives_.empty()) return MCIERR_INVALID_DEVICE_NAME;
      media = &drives_.begin()->second;
    }
  } else if (command.flags & MCI_OPEN_ELEMENT) {
    auto found = files_.find(Lower(command.element));
    if (found == files_.end()) return MCIERR_FILE_NOT_FOUND;
    media = &found->second;
  } else {
    return MCIERR_MISSING_PARAMETER;
  }
  if (media->openError != 0) return media->openError;
  const MCIDEVICEID id = nextId_++;
  Device device;
  device.media = *media;
  devices_[id] = device;
  lastOpened_ = id;
  reinterpret_cast<MCI_OPEN_PARMSA*>(parms)->wDeviceID = id;
  return 0;
}

MCIERROR SimMci::Status(Device& device, SimMciCommand& command, DWORD_PTR parms) {
  if (parms == 0) return MCIERR_MISSING_PARAMETER;
  if (!(command.flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
  const bool noDisc = device.media.kind == SimMedia::kCdAudio && !device.media.discPresent;
  DWORD_PTR value = 0;
  switch (command.item) {
    case MCI_STATUS_MEDIA_PRESENT: value = noDisc ? FALSE : TRUE; break;
    case MCI_STATUS_LENGTH:
      if (noDisc) return MCIERR_DEVICE_NOT_READY;
      value = static_cast<DWORD>(device.media.length);
      break;
    case MCI_STATUS_POSITION:
      if (noDisc) return MCIERR_DEVICE_NOT_READY;
      value = FromMs(device, static_cast<std::int32_t>(device.positionMilli / 1000));
      break;
    case MCI_STATUS_MODE: value = device.playing ? MCI_MODE_PLAY : MCI_MODE_STOP; break;
    case MCI_STATUS_READY: value = device.media.ready ? TRUE : FALSE; break;
    default: return MCIERR_BAD_CONSTANT;
  }
  reinterpret_cast<MCI_STATUS_PARMS*>(parms)->dwReturn = value;
  return 0;
}

MCIERROR SimMci::Set(Device& device, const SimMciCommand& command) {
  const DWORD known = MCI_NOTIFY | MCI_WAIT | MCI_SET_TIME_FORMAT | kDgvSetSpeed;
  if (command.flags & ~known) return MCIERR_UNRECOGNIZED_KEYWORD;
  if (!command.hasParms) return MCIERR_MISSING_PARAMETER;
  if (!(command.flags & (MCI_SET_TIME_FORMAT | kDgvSetSpeed))) return MCIERR_MISSING_PARAMETER;
  if (command.flags & kDgvSetSpeed) {
    // Wave and CD audio devices do not know the flag at all.
    if (!device.media.speedSupported) return MCIERR_NONAPPLICABLE_FUNCTION;
    if (command.speed == 0) return MCIERR_OUTOFRANGE;
  }
  if (command.flags & MCI_SET_TIME_FORMAT) {
    const bool tmsf = command.timeFormat == MCI_FORMAT_TMSF;
    if (command.timeFormat != MCI_FORMAT_MILLISECONDS && !tmsf) return MCIERR_BAD_TIME_FORMAT;
    if (tmsf && device.media.kind != SimMedia::kCdAudio) return MCIERR_BAD_TIME_FORMAT;
    device.timeFormat = command.timeFormat;
  }
  if (command.flags & kDgvSetSpeed) device.speed = command.speed;
  return 0;
}

MCIERROR SimMci::Play(MCIDEVICEID id, Device& device, const SimMciCommand& command) {
  if (device.media.kind == SimMedia::kCdAudio && !device.media.discPresent) return MCIERR_DEVICE_NOT_READY;
  const std::int32_t length = device.media.length;
  std::int64_t from = device.positionMilli / 1000;
  std::int64_t to = length;
  if (command.flags & MCI_FROM) from = ToMs(device, command.from);
  if (command.flags & MCI_TO) to = ToMs(device, command.to);
  if (from < 0 || to < 0 || from > length || to > length || to < from) return MCIERR_OUTOFRANGE;

  // The running play ends here: superseded by a new notified play, aborted
  // by one without notification.
  if (device.notifyPending) {
    Notify(id, device.notifyWindow, (command.flags & MCI_NOTIFY) ? MCI_NOTIFY_SUPERSEDED : MCI_NOTIFY_ABORTED);
    device.notifyPending = false;
  }
  device.positionMilli = from * 1000;
  device.playEnd = static_cast<std::int32_t>(to);
  device.playing = true;
  if (command.flags & MCI_NOTIFY) {
    device.notifyPending = true;
    device.notifyWindow = CallbackToWindow(command.callback);
  }
  if (from == to) Stop(id, device, MCI_NOTIFY_SUCCESSFUL);  // nothing to play: done at once
  return 0;
}

MCIERROR SimMci::Seek(MCIDEVICEID id, Device& device, const SimMciCommand& command) {
  if (device.media.kind == SimMedia::kCdAudio && !device.media.discPresent) return MCIERR_DEVICE_NOT_READY;
  std::int64_t to;
  if (command.flags & MCI_TO) {
    to = ToMs(device, command.to);
  } else if (command.flags & kSeekToStart) {
    to = 0;
  } else if (command.flags & kSeekToEnd) {
    to = device.media.length;
  } else {
    return MCIERR_MISSING_PARAMETER;
  }
  if (to < 0 || to > device.media.length) return MCIERR_OUTOFRANGE;
  Stop(id, device, MCI_NOTIFY_ABORTED);
  device.positionMilli = to * 1000;
  return 0;
}

void SimMci::Stop(MCIDEVICEID id, Device& device, WPARAM pendingCode) {
  device.playing = false;
  if (device.notifyPending) {
    device.notifyPending = false;
    Notify(id, device.notifyWindow, pendingCode);
  }
}

void SimMci::Notify(MCIDEVICEID id, HWND window, WPARAM code) {
  notifications_.push_back({now_, window, code, id});
  PostMessageA(window, MM_MCINOTIFY, code, static_cast<LPARAM>(id));
}

std::int32_t SimMci::ToMs(const Device& device, DWORD value) const {
  if (device.timeFormat != MCI_FORMAT_TMSF) {
    return value > static_cast<DWORD>(INT32_MAX) ? -1 : static_cast<std::int32_t>(value);
  }
  const std::size_t track = MCI_TMSF_TRACK(value);
  if (track < 1 || track > device.media.trackStarts.size()) return -1;
  return device.media.trackStarts[track - 1] + MCI_TMSF_MINUTE(value) * 60000 + MCI_TMSF_SECOND(value) * 1000 +
         MCI_TMSF_FRAME(value) * 1000 / 75;
}

DWORD SimMci::FromMs(const Device& device, std::int32_t ms) const {
  if (device.timeFormat != MCI_FORMAT_TMSF || device.media.trackStarts.empty()) return static_cast<DWORD>(ms);
  std::size_t track = 1;
  while (track < device.media.trackStarts.size() && device.media.trackStarts[track] <= ms) ++track;
  const std::int32_t offset = ms - device.media.trackStarts[track - 1];
  return MCI_MAKE_TMSF(track, offset / 60000, (offset / 1000) % 60, (offset % 1000) * 75 / 1000);
}

SimMciHook::SimMciHook(SimMci& sim) : previousHook_(mciSendCommandHook), previousSim_(currentSim) {
  currentSim = &sim;
  mciSendCommandHook = SendToSim;
}

SimMciHook::~SimMciHook() {
  mciSendCommandHook = previousHook_;
  currentSim = previousSim_;
}
