// Entry point of Dorvane.exe.
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
  return RunDorvane(instance, commandLine, showCommand);
}
