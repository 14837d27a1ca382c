// The seam below the foot pedals: the raw-input and HID calls.
#pragma once
#include <windows.h>
#include <winternl.h>  // NTSTATUS, which the HID parser's header needs
#include <hidusage.h>
#include <hidpi.h>

// The raw-input and HID calls, through pointers so that tests can stand in
// for a device. The raw-input calls are user32's. The HID parser's calls are
// hid.dll's, loaded from the system folder when the first pedal is seen:
// while they are null, that load fills them in.
struct PedalPlatform {
  UINT(WINAPI* getRawInputDeviceList)(PRAWINPUTDEVICELIST, PUINT, UINT);
  UINT(WINAPI* getRawInputDeviceInfo)(HANDLE, UINT, LPVOID, PUINT);
  BOOL(WINAPI* registerRawInputDevices)(PCRAWINPUTDEVICE, UINT, UINT);
  UINT(WINAPI* getRawInputData)(HRAWINPUT, UINT, LPVOID, PUINT, UINT);
  NTSTATUS(NTAPI* hidpGetCaps)(PHIDP_PREPARSED_DATA, PHIDP_CAPS);
  NTSTATUS(NTAPI* hidpGetSpecificButtonCaps)(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, PHIDP_BUTTON_CAPS, PUSHORT,
                                             PHIDP_PREPARSED_DATA);
  NTSTATUS(NTAPI* hidpGetUsages)(HIDP_REPORT_TYPE, USAGE, USHORT, PUSAGE, PULONG, PHIDP_PREPARSED_DATA, PCHAR, ULONG);
};
extern PedalPlatform pedalPlatform;
// The real calls (hid.dll's left null, to be loaded when needed).
PedalPlatform SystemPedalPlatform();
