// What the end-to-end checks share: a copy of Dorvane.exe in a fresh folder,
// started with a command line and found by its window caption.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// Text in this driver's own code page as UTF-16.
std::wstring WideFromAnsi(const std::string& text);

// "/a/b" as Wine's Z: drive path "Z:\a\b".
std::string WindowsPath(std::string unixPath);

// Silence of the given length as an 8 kHz, 8-bit mono wave file.
void WriteSilentWave(const std::string& path, int seconds);
void WriteSilentWave(const std::wstring& path, int seconds);

// A visible top-level window of the process whose caption is the text, or
// with prefix set, starts with it; waits up to timeoutMs for it.
HWND FindWindowOf(DWORD processId, const std::string& caption, bool prefix = false, int timeoutMs = 0);

// The text of a message box.
std::string MessageText(HWND box);

class DorvaneProcessTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the copy with the given argument text after the program name.
  void Start(const std::string& arguments);
  void Start(const std::wstring& arguments);
  // Sends WM_CLOSE and waits for the process to end; its exit code.
  DWORD CloseAndWait(HWND window);

  std::string folder, exe;
  PROCESS_INFORMATION process{};
};
