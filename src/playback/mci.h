// The one place where Dorvane talks to the Media Control Interface.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>

#include "audio/mci_speed.h"

// Every MCI command goes through this pointer: Dorvane's own audio device,
// which passes what it does not play to mciSendCommandA, unless a test puts a
// simulated device behind it.
using MciSendCommandFn = MCIERROR(WINAPI*)(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR);
extern MciSendCommandFn mciSendCommandHook;

// Labels of the reported MCI commands: they complete the caption
// "Error in processing MCI command %s".
namespace mci_label {
inline constexpr const char* kOpen = "Open device";
inline constexpr const char* kStatus = "Checking status";
inline constexpr const char* kClose = "Close device";
inline constexpr const char* kTimeFormat = "Set Time Format ms";
inline constexpr const char* kPlay = "Play file";
inline constexpr const char* kFirstWalkStep = "First walk step";
inline constexpr const char* kWalk = "Walk";
inline constexpr const char* kPause = "Pause";
inline constexpr const char* kSeek = "Seek to";
inline constexpr const char* kSpeed = "Set Speed";
}  // namespace mci_label

// Flags of the commands Dorvane sends, as the device expects them.
inline constexpr DWORD kOpenFileFlags = MCI_OPEN_ELEMENT | MCI_WAIT;                                   // 0x202
inline constexpr DWORD kOpenCdFlags = MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT | MCI_WAIT;  // 0x3202

// Sends one command. Returns 0 on success and 1 on failure; a failure with a
// label shows the device's error text in a warning box.
int SendMciCommand(std::uint32_t device, UINT command, DWORD flags, void* parms, const char* label);
// The same without a box: the device's error, 0 on success. For a caller that
// answers some errors itself and shows the others with ShowMciError. A play
// may name the command its later failure is reported under, where its flags
// would name another.
MCIERROR SendMciCommandError(std::uint32_t device, UINT command, DWORD flags, void* parms,
                             const char* playLabel = nullptr);
// The box of a failed command: the device's error text under
// "Error in processing MCI command <label>".
void ShowMciError(MCIERROR error, const char* label);

// The play last sent ended early (its MCI_NOTIFY_FAILURE): shows the box
// that play's command would have shown, with the device's error, or the
// hardware error's text when the device gives none.
void ReportFailedPlay();

// Asks the open device for one status item; 0 when the query fails.
std::int32_t QueryMciStatus(DWORD item, bool report);

// Shows the system's text for a Win32 error under the caption "Error".
void ShowSystemError(HWND owner, DWORD error);
// The system's text for an error code, without its line end.
std::string SystemMessage(DWORD error);
