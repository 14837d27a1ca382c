// MainDialogProc: every message of the main window routed to the operation
// that owns it, one small handler per message.
#include "app/main_dialog.h"

#include <commctrl.h>
#include <dbt.h>
#include <mmsystem.h>
#include <wtsapi32.h>

#include <array>
#include <string>
#include <vector>

#include "app/held_input.h"
#include "app/main_window.h"
#include "app/player_state.h"
#include "app/single_instance.h"
#include "bookmarks/bookmarks.h"
#include "pedal/pedal_input.h"
#include "help/help.h"
#include "playback/mci.h"
#include "playback/media.h"
#include "playback/transport.h"
#include "playback/walk.h"
#include "res/resource.h"
#include "dorvane_version.h"
#include "settings/advanced_options.h"
#include "settings/sound_options.h"
#include "settings/hotkey_codes.h"
#include "settings/hotkeys.h"
#include "settings/options_file.h"
#include "stamp/stamp_input.h"

const char* const aboutText =
    "Dorvane " DORVANE_VERSION_TEXT ", a computer transcriber: it plays recordings through the Media Control Interface "
    "in short repeated chunks while you type. By the Dorvane developers. Revision r1.";

namespace {

// Menu items with help topics of their own.
struct MenuTopic {
  int item;
  ULONG_PTR topic;
};
constexpr std::array<MenuTopic, 5> kMenuTopics{{
    {IDM_PLAY, HELPTOPIC_PLAY},
    {IDM_WALK, HELPTOPIC_WALK},
    {IDM_PAUSE, HELPTOPIC_PAUSE},
    {IDM_CHANGE_HOTKEYS, HELPTOPIC_CHANGE_HOTKEYS},
    {IDM_JUMP, HELPTOPIC_JUMP},
}};

BOOL OnHelp(HWND window, const HELPINFO* info) {
  if (info->iContextType == HELPINFO_MENUITEM) {
    for (const auto& m : kMenuTopics) {
      if (m.item == info->iCtrlId) {
        CallHelp(window, HELP_CONTEXT, m.topic);
        return TRUE;
      }
    }
  }
  if (info->dwContextId != 0) {
    CallHelp(window, HELP_CONTEXT, info->dwContextId);
  } else {
    CallHelp(window, HELP_CONTENTS, 0);
  }
  return TRUE;
}

// Closing the window and Exit: the media file is closed (its bookmarks saved)
// before the window goes.
void CloseAndDestroy(HWND window) {
  CloseMediaFile(window, player.openMediaPath.c_str());
  DestroyWindow(window);
}

void OnDestroy(HWND window) {
  UnmarkMainWindow(window);
  CallHelp(window, HELP_QUIT, 0);
  if (player.pollTimer != 0) KillTimer(window, player.pollTimer);
  UnregisterHotKeys(window);
  StopPedals();
  SaveUserOptionsAutomatically(window, player.optionsPath.c_str());
  PostQuitMessage(0);
}

// The session ends (logoff, restart, shutdown): the process is ended after
// this message without a WM_DESTROY, so everything Exit saves is saved now.
void OnEndSession(HWND window) {
  CloseMediaFile(window, player.openMediaPath.c_str());
  SaveUserOptionsAutomatically(window, player.optionsPath.c_str());
}

BOOL OnCommand(HWND window, int id) {
  switch (id) {
    case IDT_OPEN:
    case IDM_OPEN: OpenMediaFile(window, nullptr); return TRUE;
    case IDT_PLAY: StartPlay(window, true); return TRUE;
    case IDT_WALK: StartWalk(window, true); return TRUE;
    case IDT_PAUSE: TogglePause(window); return TRUE;
    case IDM_EXIT: CloseAndDestroy(window); return TRUE;
    case IDM_ABOUT: MessageBoxA(window, aboutText, "About this program", MB_OK); return TRUE;
    case IDM_HELP_TOPICS: CallHelp(window, HELP_CONTENTS, 0); return TRUE;
    case IDM_CLOSE: CloseMediaFile(window, player.openMediaPath.c_str()); return TRUE;
    case IDM_JUMP: JumpToLocation(window); return TRUE;
    case IDM_ADD_BOOKMARK: AddBookmark(window); return TRUE;
    case IDM_SAVE_OPTIONS: SaveUserOptions(window, player.optionsPath.c_str()); return TRUE;
    case IDM_SAVE_OPTIONS_AS: SaveUserOptions(window, nullptr); return TRUE;
    case IDM_OPEN_OPTIONS: LoadUserOptions(window, nullptr); return TRUE;
    case IDM_DEFAULT_OPTIONS: LoadUserOptions(window, DefaultOptionsPath().c_str()); return TRUE;
    case IDM_ADVANCED_OPTIONS:
      DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_ADVANCED), window, AdvancedOptionsDialogProc, 0);
      return TRUE;
    case IDM_SOUND_OPTIONS:
      DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_SOUND), window, SoundOptionsDialogProc, 0);
      return TRUE;
    case IDM_CHANGE_HOTKEYS:
      // The keys are away while the dialog is open, so a combination pressed
      // there goes into its control; they come back whatever the dialog ended with.
      UnregisterHotKeys(window);
      DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_HOTKEYS), window, HotKeysDialogProc, 0);
      RegisterHotKeys(window);
      return TRUE;
    default:
      // The bookmark items seek; they, and Rewind and Fast Forward (which act
      // only while held), leave the command to the dialog manager.
      if (id >= IDM_BOOKMARK_FIRST && id <= IDM_BOOKMARK_LAST && player.isOpen) GoToBookmark(window, id);
      return FALSE;
  }
}

BOOL OnTimer(HWND window, UINT_PTR id) {
  if (id == player.pollTimer && player.isOpen) {
    OnPollTick(window);
    return TRUE;
  }
  if (id == kHandOverTimer) {
    OpenHandedOverFile(window);
    return TRUE;
  }
  if (id == kHeldInputTimer) {
    // The box is gone: the pedals, then the hot keys, as they came.
    std::vector<int> hotKeys;
    if (TakeHeldInput(window, hotKeys)) {
      ApplyHeldPedals(window);
      for (int key : hotKeys) SendMessageA(window, WM_HOTKEY, static_cast<WPARAM>(key), 0);
    }
    return TRUE;
  }
  if (id != 0 && id == player.walkTimer) {
    KillTimer(window, player.walkTimer);
    player.walkTimer = 0;
    NextWalkStep(window);
  }
  return FALSE;
}

BOOL OnHScroll(HWND window, HWND slider) {
  if (!player.isOpen) return FALSE;
  if (slider == GetDlgItem(window, IDC_POSITION)) {
    OnPositionSlider(window);
    return TRUE;
  }
  if (slider == GetDlgItem(window, IDC_SPEED)) OnSpeedSlider(window);
  return FALSE;
}

BOOL OnHotKey(HWND window, WPARAM id) {
  if (id >= hotKeyCount) return FALSE;
  // A pedal in keyboard mode (or a key-mapping tool) sends the hot key of a
  // pedal read directly: that press has been acted on already.
  if (IsPedalEchoHotKey(static_cast<int>(id))) return TRUE;
  if (HoldHotKeyWhileBoxOpen(window, static_cast<int>(id))) return TRUE;
  if (id == hotKeyStamp) {
    TypeTimestamp();  // leaves the transport and its fast-wind burst alone
    return TRUE;
  }
  OnTransportHotKey(window, static_cast<int>(id));
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      // Marked first, so that a second start finds the window even while
      // the start-up shows a box; and the owner of every box from now on.
      mainWindow = window;
      MarkMainWindow(window);
      InitMainWindow(window, reinterpret_cast<const char*>(lParam));
      return TRUE;
    case WM_COMMAND:
      return OnCommand(window, LOWORD(wParam));
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header == nullptr || header->code != TTN_NEEDTEXTA) return FALSE;
      SupplyToolbarTooltip(header);
      return TRUE;
    }
    case WM_HELP:
      return OnHelp(window, reinterpret_cast<const HELPINFO*>(lParam));
    case WM_TIMER:
      return OnTimer(window, wParam);
    case WM_HSCROLL:
      return OnHScroll(window, reinterpret_cast<HWND>(lParam));
    case WM_MENUSELECT:
      player.lastMenuItem = LOWORD(wParam);
      return FALSE;
    case WM_MENUCHAR:
      // Backspace while a bookmark item is highlighted deletes that bookmark.
      if (LOWORD(wParam) == VK_BACK) return DeleteBookmark(window);
      return FALSE;
    case WM_HOTKEY:
      return OnHotKey(window, wParam);
    case MM_MCINOTIFY:
      return OnMciNotify(window, wParam, lParam);
    case WM_INPUT:
      // Left to the dialog manager as well, which hands it on for the
      // system's clean-up of the input.
      OnPedalInput(window, reinterpret_cast<HRAWINPUT>(lParam));
      return FALSE;
    case WM_INPUT_DEVICE_CHANGE:
      OnPedalDeviceChange(window, wParam, reinterpret_cast<HANDLE>(lParam));
      return TRUE;
    case WM_DEVICECHANGE:
      if (wParam == DBT_DEVNODES_CHANGED) OnDeviceNodesChanged(window);
      return FALSE;
    case WM_DPICHANGED:
      // The window moved to a screen of another scale; the dialog manager
      // resizes the window and its controls, the toolbar's images and the
      // status-bar edges follow here.
      RescaleWindowParts(window, LOWORD(wParam));
      return FALSE;
    case WM_CLOSE:
      CloseAndDestroy(window);
      return FALSE;
    case WM_DESTROY:
      OnDestroy(window);
      return FALSE;
    case WM_COPYDATA: {
      const BOOL taken = OnHandOver(window, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      SetWindowLongPtrA(window, DWLP_MSGRESULT, taken);
      return taken;
    }
    case kHandOverMessage:
      OpenHandedOverFile(window);
      return TRUE;
    case WM_QUERYENDSESSION:
      // Nothing needs to keep the session from ending.
      SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) OnEndSession(window);
      return FALSE;
    case WM_WTSSESSION_CHANGE:
      // A locked session or a secure desktop takes the input: the release of
      // a pedal held then is never seen.
      if (wParam == WTS_SESSION_LOCK || wParam == WTS_CONSOLE_DISCONNECT || wParam == WTS_REMOTE_DISCONNECT) {
        ReleaseAllPedals(window);
      }
      return FALSE;
    default:
      return FALSE;
  }
}
