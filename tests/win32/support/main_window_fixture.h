// A fresh main window built from its template for every test, with the
// program directory in a temporary folder, MCI refused unless a test puts a
// device behind it, and help calls recorded.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/dialog_catcher.h"

struct HelpCall {
  std::string file;
  UINT command;
  ULONG_PTR data;
  bool html = false;  // made through htmlHelpHook rather than winHelpHook
};

// Records every MCI command sent while no device is simulated, and fails it
// with MCIERR_DEVICE_NOT_INSTALLED.
struct RefusedMciCommand {
  UINT message;
  DWORD flags;
};
extern std::vector<RefusedMciCommand> refusedMciCommands;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the window as start-up does, with the given command-line text.
  void CreateMainWindow(const char* commandLine = "");
  void DestroyMainWindow();

  INT_PTR Call(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  HWND Item(int id) const { return GetDlgItem(window, id); }
  std::string StatusText(int part) const;
  std::string Caption() const;
  bool ButtonEnabled(int command) const;
  bool ButtonChecked(int command) const;
  bool MenuItemGrayed(int command) const;
  int SliderPos(int id) const;
  void SetSliderPos(int id, int position);
  std::string TempFile(const std::string& name) const { return programDir + "\\" + name; }

  HWND window = nullptr;
  std::string programDir;
  std::vector<HelpCall> helpCalls;
  DialogCatcher dialogs;
};
