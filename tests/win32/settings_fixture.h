// The main window with the settings tables reset, and the pieces the
// settings tests share: options files written and read back, the hot keys
// the system holds, and scripted dialogs.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/player_state.h"
#include "app/window_parts.h"
#include "res/resource.h"
#include "settings/options_text.h"
#include "settings/settings_state.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

class SettingsTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ResetSettingsState();
    // Hot keys belong to the whole Wine session. The test programs that
    // start windows take turns, but a Dorvane.exe started by another check
    // may hold the default keys for a moment.
    for (int waited = 0; waited < 10000 && !DefaultKeysFree(); waited += 20) Sleep(20);
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    ResetSettingsState();
  }

  // The settings state of a process that has not started yet, for a second
  // window in one test.
  static void StartNewProcess() {
    player.optionsPath.clear();
    player.mediaPath.clear();
    ResetSettingsState();
  }

  std::string DefaultFile() const { return TempFile("default.usr"); }

  static void WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }

  // The whole file, or "<missing>".
  static std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
  }

  // Names in the program directory, "." and ".." left out.
  std::vector<std::string> FilesInProgramDir() const { return FilesIn(programDir); }

  // True when the system already holds this combination for some window: a
  // registration of our own then fails. A free combination is given back.
  static bool HotKeyTaken(UINT modifiers, UINT virtualKey) {
    constexpr int kProbeId = 0x7000;
    if (!RegisterHotKey(nullptr, kProbeId, modifiers, virtualKey)) return true;
    UnregisterHotKey(nullptr, kProbeId);
    return false;
  }

  // The settings as the main window shows them, in the units of the file.
  struct Shown {
    int walkLength, backspace, walkPause, unpauseRewind, loops;
    friend bool operator==(const Shown&, const Shown&) = default;
  };
  Shown ShownSettings() const {
    return {SliderPos(IDC_WALKLENGTH), SliderPos(IDC_BACKSPACE), SliderPos(IDC_WALKPAUSE),
            SliderPos(IDC_UNPAUSEREW), GetLoopCount(window)};
  }

  INT_PTR Command(int id) { return Call(WM_COMMAND, MAKEWPARAM(id, 0)); }

  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const auto& d : dialogs.Caught()) captions.push_back(d.caption);
    return captions;
  }

  // Types a path into a common file dialog and confirms it. The name box is
  // the edit edt1 in some layouts and the combo box cmb13 in others.
  static DialogCatcher::Action ChooseFile(std::string path) {
    return [path](HWND dialog) {
      for (int id : {0x480, 0x47c}) {
        if (GetDlgItem(dialog, id) != nullptr) SetDlgItemTextA(dialog, id, path.c_str());
      }
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
  }

 private:
  static bool DefaultKeysFree() {
    for (HotKeyCode code : defaultHotKeyCodes) {
      if (HotKeyTaken(HotKeyModifiers(code), HotKeyVirtualKey(code))) return false;
    }
    return true;
  }
};
