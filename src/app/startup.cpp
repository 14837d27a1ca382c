#include "app/startup.h"

#include "app/system_library.h"
#include "audio/audio_device.h"

#include <commctrl.h>

#include <string>

#include "app/command_line.h"
#include "app/file_io.h"
#include "app/main_dialog.h"
#include "app/player_state.h"
#include "app/single_instance.h"
#include "res/resource.h"

void InitProcessValues(HINSTANCE instance) {
  LimitLibrarySearchToSystem();
  appInstance = instance;
  InitCommonControls();
  // Room for the longest path in UTF-8 (up to 3 bytes per UTF-16 unit).
  std::string module(32768, '\0');
  module.resize(GetModuleFileNameA(nullptr, module.data(), static_cast<DWORD>(module.size())));
  player.programDir = ProgramDirOf(module);
  // Loaded whole, then cut to the title's 49 bytes between two characters
  // (a UTF-8 character takes up to four bytes).
  char title[4 * sizeof player.appTitle] = "";
  LoadStringA(appInstance, IDS_APPTITLE, title, sizeof title);
  CopyText(player.appTitle, title);
}

int RunDorvane(HINSTANCE instance, const char* commandLine, int showCommand) {
  InitProcessValues(instance);
  // A second start hands its file to the copy already running and ends.
  if (!ClaimSingleInstance(commandLine)) return 0;
  RemoveLeftoverTempFiles(player.programDir);
  mainWindow = CreateDialogParamA(appInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc,
                                  reinterpret_cast<LPARAM>(commandLine));
  if (mainWindow == nullptr) return 1;  // nothing could ever end the loop without a window
  ShowWindow(mainWindow, showCommand);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(mainWindow, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  // The sound devices' workers finish their clean-up before the process ends.
  CloseAllAudioDevices(kAudioWorkersExitWaitMs);
  return static_cast<int>(msg.wParam);
}
