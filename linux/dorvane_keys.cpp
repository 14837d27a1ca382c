// dorvane-keys: Dorvane's hot keys on a Linux desktop while a native program
// has the keyboard. Wine has no system-wide key grab, so this companion grabs
// the keys on the X root window and hands each press to Dorvane's top-level X
// window as synthetic key events (modifier presses, the key, the releases),
// which Wine matches against the hot keys Dorvane registered.
//
//   dorvane-keys [--options FILE]        stays running and grabs the six keys
//   dorvane-keys [--options FILE] play|pause|walk|rewind|forward|stamp
//                                        hands that one key over and exits
//
// The Stamp key: Dorvane under Wine types into Wine's own windows, so it also
// leaves the text it typed in "Dorvane.stamp" beside Dorvane.exe; the
// companion waits for that file and types the text into the focused native
// program with XTest.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "key_map.h"
#include "keys_options.h"

namespace {

constexpr char kStampFileName[] = "Dorvane.stamp";
constexpr auto kStampWait = std::chrono::milliseconds(1500);

void Say(const std::string& text) { std::fprintf(stderr, "dorvane-keys: %s\n", text.c_str()); }

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

// X errors arrive asynchronously. A refused grab is noted for the grabbing
// code, which asks after an XSync; any other error (a window that closed
// while the tree was searched) is ignored instead of ending the program.
bool grabRefused = false;
int NoteError(Display*, XErrorEvent* error) {
  if (error->error_code == BadAccess) grabRefused = true;
  return 0;
}

std::string Property(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format, &count, &after,
                         &data) != Success || data == nullptr) {
    return {};
  }
  std::string text;
  if (format == 8) text.assign(reinterpret_cast<char*>(data), count);
  if (format == 32 && count > 0) text = std::to_string(*reinterpret_cast<unsigned long*>(data));
  XFree(data);
  return text;
}

// Dorvane's main window: class "dorvane.exe" (Wine names the class after the
// program), caption starting with "Dorvane". Searched through the whole tree,
// since a window manager puts top-level windows inside frames.
Window FindDorvaneIn(Display* display, Window window, int depth) {
  XClassHint hint{};
  if (XGetClassHint(display, window, &hint)) {
    const bool ours = hint.res_class != nullptr && strcasecmp(hint.res_class, "dorvane.exe") == 0;
    XFree(hint.res_name);
    XFree(hint.res_class);
    if (ours && Property(display, window, XA_WM_NAME).rfind("Dorvane", 0) == 0) return window;
  }
  if (depth == 3) return None;
  Window root = None, parent = None, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return None;
  Window found = None;
  for (unsigned i = 0; i < count && found == None; ++i) found = FindDorvaneIn(display, children[i], depth + 1);
  if (children != nullptr) XFree(children);
  return found;
}

Window FindDorvane(Display* display) { return FindDorvaneIn(display, DefaultRootWindow(display), 0); }

// The folder of the Dorvane.exe whose window this is (through the process id
// Wine puts on it); empty when unknown.
std::string DorvaneFolder(Display* display, Window window) {
  const std::string pid = Property(display, window, XInternAtom(display, "_NET_WM_PID", False));
  if (pid.empty()) return {};
  std::ifstream file("/proc/" + pid + "/maps");
  std::stringstream maps;
  maps << file.rdbuf();
  const auto exe = ExecutableFromMaps(maps.str());
  return exe ? std::filesystem::path(*exe).parent_path().string() : std::string{};
}

// Ctrl+F5 in the words of the X keysyms ("Control+F5").
std::string ComboName(const XKeyCombo& combo) {
  std::string name;
  if (combo.modifiers & ShiftMask) name += "Shift+";
  if (combo.modifiers & ControlMask) name += "Control+";
  if (combo.modifiers & Mod1Mask) name += "Alt+";
  const char* key = XKeysymToString(combo.keysym);
  return name + (key != nullptr ? key : "?");
}

void SendKey(Display* display, Window window, KeyCode keycode, unsigned state, bool press) {
  XKeyEvent event{};
  event.type = press ? KeyPress : KeyRelease;
  event.display = display;
  event.window = window;
  event.root = DefaultRootWindow(display);
  event.subwindow = None;
  event.time = CurrentTime;
  event.x = event.y = event.x_root = event.y_root = 1;
  event.same_screen = True;
  event.keycode = keycode;
  event.state = state;
  XSendEvent(display, window, True, press ? KeyPressMask : KeyReleaseMask, reinterpret_cast<XEvent*>(&event));
}

// Hands a hot key to Dorvane's window: each modifier pressed, the key pressed
// and released, the modifiers released, each event carrying the state the
// earlier ones made (Wine ignores a key whose modifiers it did not see
// pressed).
bool HandOver(Display* display, Window window, const XKeyCombo& combo) {
  const KeyCode key = XKeysymToKeycode(display, combo.keysym);
  if (key == 0) return false;
  struct Modifier {
    unsigned mask;
    KeySym keysym;
  };
  constexpr Modifier kModifiers[] = {{ControlMask, XK_Control_L}, {Mod1Mask, XK_Alt_L}, {ShiftMask, XK_Shift_L}};
  std::vector<std::pair<KeyCode, unsigned>> held;
  unsigned state = 0;
  for (const Modifier& modifier : kModifiers) {
    if ((combo.modifiers & modifier.mask) == 0) continue;
    const KeyCode code = XKeysymToKeycode(display, modifier.keysym);
    SendKey(display, window, code, state, true);
    state |= modifier.mask;
    held.emplace_back(code, modifier.mask);
  }
  SendKey(display, window, key, state, true);
  SendKey(display, window, key, state, false);
  for (auto it = held.rbegin(); it != held.rend(); ++it) {
    SendKey(display, window, it->first, state, false);
    state &= ~it->second;
  }
  XFlush(display);
  return true;
}

// The keycode and shift level that type a character on the current layout.
std::optional<std::pair<KeyCode, bool>> KeyForCharacter(Display* display, char c) {
  const KeySym keysym = c == ' ' ? XK_space : static_cast<KeySym>(static_cast<unsigned char>(c));
  const KeyCode code = XKeysymToKeycode(display, keysym);
  if (code == 0) return std::nullopt;
  if (XkbKeycodeToKeysym(display, code, 0, 0) == keysym) return std::make_pair(code, false);
  if (XkbKeycodeToKeysym(display, code, 0, 1) == keysym) return std::make_pair(code, true);
  return std::nullopt;
}

// Types plain ASCII into whatever has the keyboard focus, as real key
// presses. Modifier keys still held (the hot key's own) are released first,
// so the text arrives as characters and not as shortcuts.
bool TypeText(Display* display, const std::string& text) {
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
    Say("the X server has no XTEST extension: the timestamp cannot be typed");
    return false;
  }
  char keys[32];
  XQueryKeymap(display, keys);
  XModifierKeymap* modifiers = XGetModifierMapping(display);
  for (int i = 0; i < 8 * modifiers->max_keypermod; ++i) {
    const KeyCode code = modifiers->modifiermap[i];
    const bool lockRow = i / modifiers->max_keypermod == LockMapIndex;
    if (code != 0 && !lockRow && (keys[code / 8] & (1 << (code % 8)))) XTestFakeKeyEvent(display, code, False, 0);
  }
  XFreeModifiermap(modifiers);
  const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
  bool typedAll = true;
  for (const char c : text) {
    const auto key = KeyForCharacter(display, c);
    if (!key) {
      typedAll = false;
      continue;
    }
    if (key->second) XTestFakeKeyEvent(display, shift, True, 0);
    XTestFakeKeyEvent(display, key->first, True, 0);
    XTestFakeKeyEvent(display, key->first, False, 0);
    if (key->second) XTestFakeKeyEvent(display, shift, False, 0);
  }
  XSync(display, False);
  if (!typedAll) Say("the keyboard layout lacks a character of \"" + text + "\"");
  return typedAll;
}

// The Stamp key: Dorvane writes the text it types beside itself; that text is
// typed into the native program that has the focus.
void HandOverStamp(Display* display, Window window, const XKeyCombo& combo) {
  const std::string folder = DorvaneFolder(display, window);
  if (folder.empty()) {
    Say("cannot find the folder of the running Dorvane.exe: no timestamp typed");
    HandOver(display, window, combo);
    return;
  }
  const std::filesystem::path stampFile = std::filesystem::path(folder) / kStampFileName;
  std::error_code error;
  std::filesystem::remove(stampFile, error);
  HandOver(display, window, combo);
  const auto until = std::chrono::steady_clock::now() + kStampWait;
  std::string text;
  while (std::chrono::steady_clock::now() < until) {
    std::ifstream file(stampFile, std::ios::binary);
    if (file) {
      std::getline(file, text, '\0');
      if (!text.empty()) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (text.empty()) return;  // no recording open: Dorvane types nothing either
  TypeText(display, text);
}

// One hot key given to the running Dorvane; false when it is not running.
bool Deliver(Display* display, int id, const XKeyCombo& combo) {
  const Window window = FindDorvane(display);
  if (window == None) return false;
  if (id == hotKeyStamp) {
    HandOverStamp(display, window, combo);
  } else {
    HandOver(display, window, combo);
  }
  return true;
}

// Where the codes come from: the file given, else default.usr beside the
// running Dorvane.exe; empty when neither is known.
std::string OptionsPath(Display* display, const std::string& given) {
  if (!given.empty()) return given;
  const Window window = FindDorvane(display);
  const std::string folder = window != None ? DorvaneFolder(display, window) : std::string{};
  return folder.empty() ? std::string{} : folder + "/default.usr";
}

// The codes of an options file, its defaults when it cannot be read.
HotKeyCodes LoadCodes(const std::string& path, bool quiet) {
  std::error_code error;
  if (path.empty() || !std::filesystem::exists(path, error)) return defaultHotKeyCodes;  // as Dorvane without one
  const auto text = ReadOptionsFileHead(path);
  if (!text) {
    if (!quiet) Say("cannot read " + path + ": using the default keys Ctrl+F5 to Ctrl+F10");
    return defaultHotKeyCodes;
  }
  return HotKeyCodesFromOptions(*text);
}

unsigned NumLockMask(Display* display) {
  const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
  XModifierKeymap* map = XGetModifierMapping(display);
  unsigned mask = 0;
  for (int i = 0; i < 8 * map->max_keypermod && numLock != 0; ++i) {
    if (map->modifiermap[i] == numLock) mask = 1u << (i / map->max_keypermod);
  }
  XFreeModifiermap(map);
  return mask;
}

// The keys the daemon holds: what each hot key is on this server.
struct Grabs {
  HotKeyCodes codes{};
  std::array<std::optional<XKeyCombo>, hotKeyCount> combos{};
  std::array<GrabbedKey, hotKeyCount> keys{};
};

void Ungrab(Display* display, Grabs& grabs) {
  const Window root = DefaultRootWindow(display);
  const unsigned numLock = NumLockMask(display);
  for (const GrabbedKey& key : grabs.keys) {
    if (key.keycode == 0) continue;
    for (unsigned mask : GrabMasks(key.modifiers, numLock)) XUngrabKey(display, key.keycode, mask, root);
  }
  grabs.keys = {};
  XSync(display, False);
}

// Grabs each key with and without Num Lock and Caps Lock. The keyboard
// freezes on a press until the daemon says whether it takes it (Dorvane
// runs) or lets it through to the focused program as if never grabbed.
Grabs Grab(Display* display, const HotKeyCodes& codes) {
  Grabs grabs;
  grabs.codes = codes;
  const Window root = DefaultRootWindow(display);
  const unsigned numLock = NumLockMask(display);
  for (int id = 0; id < hotKeyCount; ++id) {
    grabs.combos[id] = XKeyForHotKey(codes[id]);
    if (!grabs.combos[id]) {
      char code[8];
      std::snprintf(code, sizeof code, "%04X", codes[id]);
      Say(std::string("the ") + hotKeyNames[id] + " key (code " + code + ") has no X key: it is not grabbed");
      continue;
    }
    const GrabbedKey key{XKeysymToKeycode(display, grabs.combos[id]->keysym), grabs.combos[id]->modifiers};
    if (key.keycode == 0) {
      Say(std::string("the ") + hotKeyNames[id] + " key " + ComboName(*grabs.combos[id]) +
          " is not on this keyboard: it is not grabbed");
      continue;
    }
    grabRefused = false;
    for (unsigned mask : GrabMasks(key.modifiers, numLock)) {
      XGrabKey(display, key.keycode, mask, root, False, GrabModeAsync, GrabModeSync);
    }
    XSync(display, False);
    if (grabRefused) {
      Say(ComboName(*grabs.combos[id]) + " (" + hotKeyNames[id] +
          ") is already taken by another program; the other keys work");
      for (unsigned mask : GrabMasks(key.modifiers, numLock)) XUngrabKey(display, key.keycode, mask, root);
      XSync(display, False);
      grabRefused = false;
      continue;
    }
    grabs.keys[id] = key;
  }
  return grabs;
}

// A file's identity for noticing changes: missing, or its time and size.
std::string FileStamp(const std::string& path) {
  struct stat info{};
  if (path.empty() || stat(path.c_str(), &info) != 0) return "none";
  return std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + ":" +
         std::to_string(info.st_size);
}

// The one copy per display: owning this selection is being the daemon.
bool ClaimDisplay(Display* display) {
  const Atom selection = XInternAtom(display, "_DORVANE_KEYS", False);
  if (XGetSelectionOwner(display, selection) != None) return false;
  const Window owner = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(display, selection, owner, CurrentTime);
  return XGetSelectionOwner(display, selection) == owner;
}

int RunDaemon(Display* display, const std::string& givenOptions) {
  if (!ClaimDisplay(display)) {
    Say("another dorvane-keys already runs on this display; this one ends");
    return 1;
  }
  std::string path = OptionsPath(display, givenOptions);
  std::string stamp = FileStamp(path);
  Grabs grabs = Grab(display, LoadCodes(path, false));
  Say("ready" + (path.empty() ? std::string(" (default keys until Dorvane runs)") : " (keys of " + path + ")"));
  const int connection = ConnectionNumber(display);
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        Ungrab(display, grabs);
        grabs = Grab(display, grabs.codes);
      }
      if (event.type != KeyPress) continue;
      const auto id = HotKeyForPress(grabs.keys, event.xkey.keycode, event.xkey.state);
      const Window dorvane = id ? FindDorvane(display) : None;
      if (dorvane == None) {
        // Not Dorvane's key after all, or Dorvane is not running: the
        // focused program gets the key as if nothing had grabbed it.
        XAllowEvents(display, ReplayKeyboard, event.xkey.time);
        XFlush(display);
        continue;
      }
      XAllowEvents(display, AsyncKeyboard, event.xkey.time);
      if (*id == hotKeyStamp) {
        XUngrabKeyboard(display, CurrentTime);  // the typing goes to the focused program, not here
        HandOverStamp(display, dorvane, *grabs.combos[*id]);
      } else {
        HandOver(display, dorvane, *grabs.combos[*id]);
      }
    }
    fd_set read;
    FD_ZERO(&read);
    FD_SET(connection, &read);
    timeval wait{1, 0};
    if (select(connection + 1, &read, nullptr, nullptr, &wait) == 0) {
      // Once a second: has the options file (or the running copy) changed?
      const std::string nowPath = OptionsPath(display, givenOptions);
      const std::string nowStamp = FileStamp(nowPath);
      if (nowPath != path || nowStamp != stamp) {
        const HotKeyCodes codes = LoadCodes(nowPath, nowPath == path && nowStamp == "none");
        path = nowPath;
        stamp = nowStamp;
        if (codes != grabs.codes) {
          Ungrab(display, grabs);
          grabs = Grab(display, codes);
          Say("keys read again from " + path);
        }
      }
    }
  }
}

int RunOnce(Display* display, const std::string& givenOptions, int id) {
  const HotKeyCodes codes = LoadCodes(OptionsPath(display, givenOptions), false);
  const auto combo = XKeyForHotKey(codes[id]);
  if (!combo) {
    Say(std::string("the ") + hotKeyNames[id] + " key of the options file has no X key");
    return 1;
  }
  if (!Deliver(display, id, *combo)) {
    Say("Dorvane is not running on this display");
    return 1;
  }
  XSync(display, False);
  return 0;
}

void Usage() {
  std::fprintf(stderr,
               "usage: dorvane-keys [--options FILE]            grab Dorvane's hot keys and hand them to it\n"
               "       dorvane-keys [--options FILE] COMMAND    hand one key to Dorvane and exit\n"
               "COMMAND: play pause walk rewind forward stamp\n"
               "FILE: the options file whose HK lines name the keys (default: default.usr beside the\n"
               "      running Dorvane.exe)\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string options;
  std::optional<int> command;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--options" && i + 1 < argc) {
      options = argv[++i];
    } else if (const auto id = HotKeyForCommand(arg); id && !command) {
      command = id;
    } else {
      Usage();
      return 2;
    }
  }
  const char* name = std::getenv("DISPLAY");
  DisplayHandle display(XOpenDisplay(nullptr));
  if (!display) {
    Say(std::string("cannot open the X display ") + (name != nullptr && *name != '\0' ? name : "(DISPLAY is not set)") +
        " (dorvane-keys needs an X session or XWayland)");
    return 1;
  }
  XSetErrorHandler(NoteError);
  return command ? RunOnce(display.get(), options, *command) : RunDaemon(display.get(), options);
}
