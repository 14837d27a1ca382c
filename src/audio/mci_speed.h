// The digital-video "set speed" command block and flag, which the MinGW
// headers lack: sent by the speed slider, answered by Dorvane's own device.
#pragma once
#include <windows.h>

inline constexpr DWORD kDgvSetSpeed = 0x00020000L;  // MCI_DGV_SET_SPEED
struct DgvSetParms {  // MCI_DGV_SET_PARMS
  DWORD_PTR dwCallback;
  DWORD dwTimeFormat;
  DWORD dwAudio;
  DWORD dwFileFormat;
  DWORD dwSpeed;
};
