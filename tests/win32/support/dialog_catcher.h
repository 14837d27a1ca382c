// Catches the message boxes and modal dialogs the program shows on this
// thread: records their caption and text, then does what the test scripted
// (fill in an edit, press a button). Unscripted boxes are answered with OK,
// unscripted dialogs with Cancel, so a test never hangs on a modal loop.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct CaughtDialog {
  std::string caption;
  std::string text;  // the message of a message box, empty for other dialogs
};

class DialogCatcher {
 public:
  using Action = std::function<void(HWND)>;
  DialogCatcher();
  ~DialogCatcher();
  DialogCatcher(const DialogCatcher&) = delete;
  DialogCatcher& operator=(const DialogCatcher&) = delete;

  // The next dialog shown gets this action instead of the default answer.
  void Then(Action action);
  const std::vector<CaughtDialog>& Caught() const { return caught_; }
  void Clear() { caught_.clear(); }

  // Common actions.
  static Action Press(int id);
  static Action TypeAndPress(int editId, std::string text, int id);

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  void OnActivate(HWND dialog);

  HHOOK hook_ = nullptr;
  std::deque<Action> script_;
  std::vector<CaughtDialog> caught_;
  std::vector<HWND> handled_;
};
