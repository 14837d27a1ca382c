// The yardstick for playing: open the file named on the command line on the
// MCI device for its extension, play it, and wait for the end. No window,
// no timer, no position display.
#include <windows.h>
#include <mmsystem.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  MCI_OPEN_PARMSA open{};
  open.lpstrElementName = commandLine;
  if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open)) != 0) return 1;
  MCI_PLAY_PARMS play{};
  const MCIERROR error = mciSendCommandA(open.wDeviceID, MCI_PLAY, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&play));
  mciSendCommandA(open.wDeviceID, MCI_CLOSE, MCI_WAIT, 0);
  return error == 0 ? 0 : 2;
}
