#include "support/dialog_catcher.h"

#include <algorithm>

#include "app/main_dialog.h"

namespace {
DialogCatcher* current = nullptr;
constexpr int kMessageBoxTextId = 0xFFFF;

std::string WindowText(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

bool IsDialogWindow(HWND window) {
  char name[32] = "";
  GetClassNameA(window, name, sizeof name);
  return std::string(name) == "#32770";
}
}  // namespace

DialogCatcher::DialogCatcher() {
  current = this;
  hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

DialogCatcher::~DialogCatcher() {
  UnhookWindowsHookEx(hook_);
  current = nullptr;
}

void DialogCatcher::Then(Action action) { script_.push_back(std::move(action)); }

DialogCatcher::Action DialogCatcher::Press(int id) {
  return [id](HWND dialog) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
}

DialogCatcher::Action DialogCatcher::TypeAndPress(int editId, std::string text, int id) {
  return [editId, text, id](HWND dialog) {
    SetDlgItemTextA(dialog, editId, text.c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  };
}

LRESULT CALLBACK DialogCatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && current != nullptr) current->OnActivate(reinterpret_cast<HWND>(wParam));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogCatcher::OnActivate(HWND dialog) {
  // The main window is a dialog too; only the boxes and dialogs it raises count.
  if (!IsDialogWindow(dialog)) return;
  if (GetWindowLongPtrA(dialog, DWLP_DLGPROC) == reinterpret_cast<LONG_PTR>(MainDialogProc)) return;
  if (std::find(handled_.begin(), handled_.end(), dialog) != handled_.end()) return;
  handled_.push_back(dialog);
  const HWND message = GetDlgItem(dialog, kMessageBoxTextId);
  caught_.push_back({WindowText(dialog), message != nullptr ? WindowText(message) : std::string()});
  if (!script_.empty()) {
    Action action = std::move(script_.front());
    script_.pop_front();
    action(dialog);
  } else {
    Press(message != nullptr ? IDOK : IDCANCEL)(dialog);
  }
}
