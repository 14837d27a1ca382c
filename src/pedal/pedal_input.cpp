#include "pedal/pedal_input.h"

#include "pedal/pedal_platform.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "app/held_input.h"
#include "app/system_library.h"
#include "app/player_state.h"
#include "app/window_parts.h"
#include "audio/audio_device.h"
#include "pedal/pedal_machine.h"
#include "pedal/pedal_report.h"
#include "playback/transport.h"
#include "res/resource.h"
#include "settings/settings_state.h"

PedalPlatform SystemPedalPlatform() {
  return {GetRawInputDeviceList, GetRawInputDeviceInfoA, RegisterRawInputDevices, GetRawInputData,
          nullptr, nullptr, nullptr};
}

PedalPlatform pedalPlatform = SystemPedalPlatform();

namespace {

constexpr char kPedalText[] = "pedal";
constexpr DWORD kRegisterFlags = RIDEV_INPUTSINK | RIDEV_DEVNOTIFY;
constexpr std::size_t kMaxUsages = 128;

// One connected pedal: its raw-input handle, the descriptor as the HID
// parser needs it, and the pedals it holds down now.
struct PedalDevice {
  HANDLE handle = nullptr;
  std::vector<std::uint64_t> preparsed;  // 8-byte aligned, as the parser's data is
  PedalReportFormat format;
  PedalButtons buttons = 0;
};

struct PedalInputState {
  std::vector<PedalDevice> devices;
  std::vector<RAWINPUTDEVICE> registered;
  PedalButtons buttons = 0;  // all connected pedals together, as the machine last saw them
  HMODULE hid = nullptr;
  PedalEffect lastEffect = PedalEffect::None;  // of the last change that did something
  DWORD lastEffectTick = 0;
};

PedalInputState pedals;

auto Preparsed(PedalDevice& device) {
  return reinterpret_cast<PHIDP_PREPARSED_DATA>(device.preparsed.data());
}

// A function of hid.dll by name; the cast passes through the generic
// function pointer type, as GetProcAddress's result must.
template <typename Function>
void Resolve(Function& function, const char* name) {
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(pedals.hid, name)));
}

// hid.dll from the system folder (never from the program's or the current
// folder), loaded once. It is a system DLL, but loading it here rather than
// importing it keeps start-up free of it when no pedal is connected, and a
// system without a usable HID parser only goes without pedals.
bool LoadHidParser() {
  if (pedalPlatform.hidpGetCaps != nullptr && pedalPlatform.hidpGetSpecificButtonCaps != nullptr &&
      pedalPlatform.hidpGetUsages != nullptr) {
    return true;
  }
  if (pedals.hid == nullptr) {
    pedals.hid = LoadSystemLibrary("hid.dll");
    if (pedals.hid == nullptr) return false;
  }
  Resolve(pedalPlatform.hidpGetCaps, "HidP_GetCaps");
  Resolve(pedalPlatform.hidpGetSpecificButtonCaps, "HidP_GetSpecificButtonCaps");
  Resolve(pedalPlatform.hidpGetUsages, "HidP_GetUsages");
  return pedalPlatform.hidpGetCaps != nullptr && pedalPlatform.hidpGetSpecificButtonCaps != nullptr &&
         pedalPlatform.hidpGetUsages != nullptr;
}

// The device's HID description, when it is a HID device that the system can
// still describe.
bool HidInfo(HANDLE device, RID_DEVICE_INFO& info) {
  info = RID_DEVICE_INFO{};
  info.cbSize = sizeof info;
  UINT size = sizeof info;
  const UINT got = pedalPlatform.getRawInputDeviceInfo(device, RIDI_DEVICEINFO, &info, &size);
  return got != static_cast<UINT>(-1) && got >= offsetof(RID_DEVICE_INFO, hid) + sizeof info.hid &&
         info.dwType == RIM_TYPEHID;
}

bool IsPedalCollection(const RID_DEVICE_INFO& info) {
  return FindKnownPedal(info.hid.dwVendorId, info.hid.dwProductId) != nullptr &&
         IsRegistrableCollection(info.hid.usUsagePage, info.hid.usUsage);
}

// Reads what the HID parser needs to know of a device. False for anything
// that is no usable pedal: another device, one that went away, unreadable
// descriptor data, no button usages.
bool DescribePedal(HANDLE handle, PedalDevice& device) {
  RID_DEVICE_INFO info;
  if (handle == nullptr || !HidInfo(handle, info) || !IsPedalCollection(info) || !LoadHidParser()) return false;
  UINT size = 0;
  if (pedalPlatform.getRawInputDeviceInfo(handle, RIDI_PREPARSEDDATA, nullptr, &size) != 0 || size == 0) return false;
  device.handle = handle;
  device.preparsed.assign((size + 7) / 8, 0);
  UINT room = size;
  const UINT got = pedalPlatform.getRawInputDeviceInfo(handle, RIDI_PREPARSEDDATA, device.preparsed.data(), &room);
  if (got == static_cast<UINT>(-1) || got == 0 || got > size) return false;

  HIDP_CAPS caps{};
  if (pedalPlatform.hidpGetCaps(Preparsed(device), &caps) != HIDP_STATUS_SUCCESS) return false;
  if (caps.InputReportByteLength == 0 || caps.NumberInputButtonCaps == 0) return false;
  std::vector<HIDP_BUTTON_CAPS> buttons(caps.NumberInputButtonCaps);
  USHORT count = caps.NumberInputButtonCaps;
  if (pedalPlatform.hidpGetSpecificButtonCaps(HidP_Input, buttonUsagePage, 0, 0, buttons.data(), &count,
                                              Preparsed(device)) != HIDP_STATUS_SUCCESS ||
      count == 0) {
    return false;
  }
  device.format.reportLength = caps.InputReportByteLength;
  for (USHORT i = 0; i < count && i < buttons.size(); ++i) device.format.reportIds.set(buttons[i].ReportID);
  return true;
}

PedalDevice* FindPedal(HANDLE handle) {
  for (PedalDevice& device : pedals.devices) {
    if (device.handle == handle) return &device;
  }
  return nullptr;
}

PedalDevice* TakeUpPedal(HANDLE handle) {
  if (PedalDevice* known = FindPedal(handle)) return known;
  PedalDevice device;
  if (!DescribePedal(handle, device)) return nullptr;
  pedals.devices.push_back(std::move(device));
  return &pedals.devices.back();
}

// Part 4 follows the pedals only while it shows no walk counter.
void ShowPedalStatus(HWND window) {
  char shown[32] = "";
  const HWND status = GetDlgItem(window, IDC_STATUSBAR);
  if (SendMessageA(status, SB_GETTEXTLENGTHA, kStatusCounter, 0) >= static_cast<LRESULT>(sizeof shown)) return;
  SendMessageA(status, SB_GETTEXTA, kStatusCounter, reinterpret_cast<LPARAM>(shown));
  if (shown[0] == '\0' || std::strcmp(shown, kPedalText) == 0) SetStatusText(window, kStatusCounter, IdleCounterText());
}

// Feeds the pedals of all connected devices together to the state machine
// and carries out its decision. With no media open nothing is done.
void ApplyPedals(HWND window) {
  PedalButtons now = 0;
  for (const PedalDevice& device : pedals.devices) now |= device.buttons;
  const PedalCommand command = PedalCommandFor(pedals.buttons, now, PedalModeFromValue(pedalMode));
  const int windBefore = PedalWindDirection(pedals.buttons), wind = PedalWindDirection(now);
  pedals.buttons = now;
  if (command != PedalCommand::None || (wind != 0 && wind != windBefore)) {
    pedals.lastEffect = command != PedalCommand::None ? PedalEffect::PlayPause
                        : wind < 0                      ? PedalEffect::Rewind
                                                        : PedalEffect::Forward;
    pedals.lastEffectTick = GetTickCount();
  }
  if (!player.isOpen) return;
  switch (command) {
    case PedalCommand::Resume:
      if (player.isPaused) TogglePause(window);
      break;
    case PedalCommand::Pause:
      if (!player.isPaused) TogglePause(window);
      break;
    case PedalCommand::TogglePause:
      TogglePause(window);
      break;
    case PedalCommand::None:
      break;
  }
}

std::vector<RAWINPUTDEVICELIST> DeviceList() {
  std::vector<RAWINPUTDEVICELIST> list;
  for (int attempt = 0; attempt < 3; ++attempt) {  // a device may come between the two calls
    UINT count = 0;
    if (pedalPlatform.getRawInputDeviceList(nullptr, &count, sizeof(RAWINPUTDEVICELIST)) != 0) return {};
    list.resize(count);
    if (count == 0) return list;
    const UINT got = pedalPlatform.getRawInputDeviceList(list.data(), &count, sizeof(RAWINPUTDEVICELIST));
    if (got != static_cast<UINT>(-1)) {
      list.resize(std::min<std::size_t>(got, list.size()));
      return list;
    }
  }
  return {};
}

// Registers the consumer page (where the pedals' collections are, and where
// a pedal plugged in later is announced), and the collection of every known
// pedal found elsewhere, then takes up the pedals found.
void RegisterPedals(HWND window) {
  std::vector<RAWINPUTDEVICE> wanted{{consumerUsagePage, 0, RIDEV_PAGEONLY | kRegisterFlags, window}};
  std::vector<HANDLE> found;
  for (const RAWINPUTDEVICELIST& entry : DeviceList()) {
    RID_DEVICE_INFO info;
    if (entry.dwType != RIM_TYPEHID || !HidInfo(entry.hDevice, info) || !IsPedalCollection(info)) continue;
    found.push_back(entry.hDevice);
    if (info.hid.usUsagePage == consumerUsagePage) continue;
    const bool listed = std::any_of(wanted.begin(), wanted.end(), [&](const RAWINPUTDEVICE& d) {
      return d.usUsagePage == info.hid.usUsagePage && d.usUsage == info.hid.usUsage;
    });
    if (!listed) wanted.push_back({info.hid.usUsagePage, info.hid.usUsage, kRegisterFlags, window});
  }
  if (pedalPlatform.registerRawInputDevices(wanted.data(), static_cast<UINT>(wanted.size()), sizeof(RAWINPUTDEVICE))) {
    pedals.registered = wanted;
  }
  for (HANDLE handle : found) TakeUpPedal(handle);
  ShowPedalStatus(window);
}

}  // namespace

void StartPedals(HWND window) { FollowPedalChoice(window); }

void FollowPedalChoice(HWND window) {
  if (!readPedals) {
    StopPedals();
    ShowPedalStatus(window);
  } else if (pedals.registered.empty()) {
    RegisterPedals(window);
  }
}

void ReleaseAllPedals(HWND window) {
  for (PedalDevice& device : pedals.devices) device.buttons = 0;
  ApplyPedals(window);
}

void ApplyHeldPedals(HWND window) { ApplyPedals(window); }

bool IsPedalEchoHotKey(int id) {
  return readPedals && IsPedalEcho(HotKeyEffect(id), pedals.lastEffect, GetTickCount() - pedals.lastEffectTick);
}

void StopPedals() {
  std::vector<RAWINPUTDEVICE> remove = pedals.registered;
  for (RAWINPUTDEVICE& d : remove) {
    d.dwFlags = RIDEV_REMOVE | (d.dwFlags & RIDEV_PAGEONLY);
    d.hwndTarget = nullptr;
  }
  if (!remove.empty()) {
    pedalPlatform.registerRawInputDevices(remove.data(), static_cast<UINT>(remove.size()), sizeof(RAWINPUTDEVICE));
  }
  pedals.registered.clear();
  pedals.devices.clear();
  pedals.buttons = 0;
}

void OnPedalInput(HWND window, HRAWINPUT input) {
  UINT size = 0;
  if (pedalPlatform.getRawInputData(input, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)) != 0) return;
  if (size < offsetof(RAWINPUT, data.hid.bRawData)) return;
  std::vector<std::uint64_t> buffer((size + 7) / 8);
  UINT room = size;
  const UINT got = pedalPlatform.getRawInputData(input, RID_INPUT, buffer.data(), &room, sizeof(RAWINPUTHEADER));
  if (got == static_cast<UINT>(-1) || got < offsetof(RAWINPUT, data.hid.bRawData) || got > size) return;
  const auto* raw = reinterpret_cast<const RAWINPUT*>(buffer.data());
  if (raw->header.dwType != RIM_TYPEHID) return;
  const HANDLE handle = raw->header.hDevice;
  const PedalDevice* found = TakeUpPedal(handle);
  if (found == nullptr) return;
  // Copies: acting on a change may run a message loop (a box), in which the
  // device may go and the list change; the record is found again each time.
  const std::vector<std::uint64_t> preparsed = found->preparsed;
  const PedalReportFormat format = found->format;

  const std::span<const std::uint8_t> arrived(raw->data.hid.bRawData, got - offsetof(RAWINPUT, data.hid.bRawData));
  const PedalUsageReader readUsages = [&preparsed](std::span<const std::uint8_t> report)
      -> std::optional<std::vector<std::uint16_t>> {
    std::vector<char> bytes(report.begin(), report.end());  // the parser takes a writable report
    std::array<USAGE, kMaxUsages> usages{};
    ULONG count = usages.size();
    if (pedalPlatform.hidpGetUsages(HidP_Input, buttonUsagePage, 0, usages.data(), &count,
                                    reinterpret_cast<PHIDP_PREPARSED_DATA>(const_cast<std::uint64_t*>(preparsed.data())),
                                    bytes.data(), static_cast<ULONG>(bytes.size())) != HIDP_STATUS_SUCCESS) {
      return std::nullopt;
    }
    return std::vector<std::uint16_t>(usages.begin(), usages.begin() + std::min<std::size_t>(count, usages.size()));
  };
  const bool wasShown = !pedals.devices.empty();
  for (PedalButtons buttons : DecodePedalReports(raw->data.hid.dwSizeHid, raw->data.hid.dwCount, arrived,
                                                 format, readUsages)) {
    PedalDevice* device = FindPedal(handle);
    if (device == nullptr) break;
    device->buttons = buttons;
    // While a box of the window is open, the pedals wait for it to go.
    if (HoldInputWhileBoxOpen(window)) continue;
    ApplyPedals(window);
  }
  if (!wasShown) ShowPedalStatus(window);
}

void OnPedalDeviceChange(HWND window, WPARAM change, HANDLE device) {
  if (change == GIDC_ARRIVAL) {
    TakeUpPedal(device);
  } else if (change == GIDC_REMOVAL) {
    const auto gone = std::remove_if(pedals.devices.begin(), pedals.devices.end(),
                                     [device](const PedalDevice& d) { return d.handle == device; });
    if (gone == pedals.devices.end()) return;
    pedals.devices.erase(gone, pedals.devices.end());
    ApplyPedals(window);  // its pedals count as up
  }
  ShowPedalStatus(window);
}

void OnDeviceNodesChanged(HWND window) { RegisterPedals(window); }

int PedalWind() { return PedalWindDirection(pedals.buttons); }

const char* IdleCounterText() {
  if (player.isOpen && IsSoundOnly(player.deviceId)) return "sound only";
  return pedals.devices.empty() ? "" : kPedalText;
}

void ResetPedalState() {
  pedals.devices.clear();
  pedals.registered.clear();
  pedals.buttons = 0;
  pedals.lastEffect = PedalEffect::None;
}
