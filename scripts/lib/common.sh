# Shared set-up for scripts/run and scripts/test: packages, builds, and the
# Wine/X/sound environment. Source it; it defines functions only.

DORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

DORVANE_PACKAGES="cmake ninja-build clang libclang-rt-14-dev libgtest-dev googletest
  python3 g++-mingw-w64-x86-64 wine wine64 xvfb x11-utils xdotool imagemagick pulseaudio pulseaudio-utils
  gstreamer1.0-plugins-good gstreamer1.0-libav sox espeak-ng lame ffmpeg nsis locales fp-utils-3.2.2
  python3-numpy python3-scipy soundstretch rubberband-cli alsa-utils
  libx11-dev libxtst-dev xterm"

say() { printf '%s\n' "dorvane: $*" >&2; }

# Installs the Debian packages that are missing (as root, or through sudo).
dorvane_install_packages() {
  local missing=()
  for p in $DORVANE_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Configures and builds one preset (native or win64).
dorvane_build() {
  local preset=$1
  (cd "$DORVANE_ROOT" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j"$(nproc)")
}

# Starts a private Xvfb when asked to (or when there is no display) and
# exports DISPLAY. Sets DORVANE_XVFB_PID when it started one.
dorvane_start_xvfb() {
  local fd_file
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${DORVANE_SCREEN:-1024x768x24}" -nolisten tcp 3>"$fd_file" 2>/dev/null &
  DORVANE_XVFB_PID=$!
  for _ in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$fd_file")"
  rm -f "$fd_file"
}

# A private Wine prefix in the build tree, created once. Windows in the test
# prefix are not managed by an X window manager, so nothing waits for one.
dorvane_wine_prefix() {
  local name=$1 managed=$2
  export WINEPREFIX="$DORVANE_ROOT/build/$name" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "creating Wine prefix $WINEPREFIX"
    wine wineboot --init >/dev/null 2>&1
    wineserver -w
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1
    wineserver -w
  fi
  wineserver -p 2>/dev/null || true  # exits with 2 when a server already runs for this prefix
  # Start Wine's background processes (services, the desktop's explorer) now,
  # detached from any pipe: a test whose output a runner reads would
  # otherwise hand its pipe to them and never seem to finish.
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

# Sets the DPI that programs in the current Wine prefix see (96 = 100%,
# 144 = 150%, 192 = 200%); programs started afterwards read it.
dorvane_set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null
}

# A PulseAudio null sink when no sound server answers, so MCI plays in real time.
dorvane_start_sound() {
  if pactl info >/dev/null 2>&1; then return 0; fi
  pulseaudio -D --exit-idle-time=-1 --disallow-exit -n \
    --load="module-null-sink sink_name=nul" --load="module-native-protocol-unix" >/dev/null 2>&1 || true
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && { DORVANE_STARTED_PULSE=1; return 0; }; sleep 0.1; done
  say "no sound server: real playback tests will be skipped"
}

dorvane_stop_all() {
  [ -n "${DORVANE_KEYS_PID:-}" ] && kill "$DORVANE_KEYS_PID" 2>/dev/null
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  [ -n "${DORVANE_XVFB_PID:-}" ] && kill "$DORVANE_XVFB_PID" 2>/dev/null
  [ -n "${DORVANE_STARTED_PULSE:-}" ] && pulseaudio --kill 2>/dev/null
  true
}

# Is there an X display we can use?
dorvane_have_display() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# Starts Dorvane.exe under Wine with an optional media path (a Unix path is
# turned into a Z: path) and waits for its window. Sets DORVANE_PID and
# DORVANE_WINDOW (the X window id).
dorvane_launch() {
  local media=${1:-} arg=""
  if [ -n "$media" ]; then
    case "$media" in
      /*) arg="Z:$(printf '%s' "$media" | tr / '\\')" ;;
      *) arg=$media ;;
    esac
  fi
  wine "$DORVANE_ROOT/build/win64/Dorvane.exe" ${arg:+"$arg"} </dev/null >/dev/null 2>&1 &
  DORVANE_PID=$!
  DORVANE_WINDOW=""
  for _ in $(seq 200); do
    DORVANE_WINDOW=$(xdotool search --onlyvisible --name '^Dorvane' 2>/dev/null | head -n1 || true)
    [ -n "$DORVANE_WINDOW" ] && return 0
    sleep 0.1
  done
  say "the Dorvane window did not appear"
  return 1
}

# Builds the native key companion (linux/dorvane-keys) and starts it on the
# current X display, so Dorvane's hot keys work while a native program has
# the keyboard. Sets DORVANE_KEYS_PID. It says itself when another copy
# already runs on the display, or when a key is taken by another program.
dorvane_start_keys() {
  (cd "$DORVANE_ROOT" && cmake --preset native >/dev/null &&
    cmake --build --preset native --target dorvane-keys >/dev/null) || { say "dorvane-keys did not build"; return 0; }
  "$DORVANE_ROOT/build/native/linux/dorvane-keys" </dev/null &
  DORVANE_KEYS_PID=$!
}

# The folder screenshots open recordings from: a typist's Documents folder in
# the current Wine prefix, so that no picture shows a folder of the machine
# that made it. dorvane_documents empties it and sets DORVANE_DOCS to its
# Unix path; files put there are opened as "$DORVANE_DOCUMENTS\name".
DORVANE_DOCUMENTS='C:\Users\Typist\Documents'
dorvane_documents() {
  DORVANE_DOCS=$WINEPREFIX/drive_c/users/Typist/Documents
  rm -rf "$DORVANE_DOCS" && mkdir -p "$DORVANE_DOCS"
  # Earlier scripts made it as drive_c/Users, which Wine would look in first.
  local old=$WINEPREFIX/drive_c/Users
  [ ! -d "$old" ] || [ "$old" -ef "$WINEPREFIX/drive_c/users" ] || rm -rf "$old"
}

# Starts Dorvane on a copy of the bundled sample recording in the typist's
# Documents folder, named $1 (interview.wav by default).
dorvane_launch_sample() {
  local name=${1:-interview.wav}
  dorvane_documents
  cp "$DORVANE_ROOT/build/win64/sample/dorvane-sample.wav" "$DORVANE_DOCS/$name"
  dorvane_launch "$DORVANE_DOCUMENTS\\$name"
}

# Saves a picture of Dorvane's window.
dorvane_screenshot() {
  sleep 1
  import -window "$DORVANE_WINDOW" "$1" 2>/dev/null || import -window root "$1"
  say "screenshot saved to $1"
}

# Waits up to 10 s for a visible window whose title matches the regular
# expression $1 and prints its X window id; says so and fails when none came.
dorvane_wait_window() {
  local window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && { printf '%s\n' "$window"; return 0; }
    sleep 0.1
  done
  say "no window \"$1\" appeared"
  return 1
}

# Saves a picture of the screen around the given X windows ($2, $3, ...) to
# $1: the smallest rectangle holding them all. In a prefix whose windows are
# not managed, Wine draws each frame inside the window's X rectangle.
dorvane_screenshot_windows() {
  local out=$1 window left=99999 top=99999 right=0 bottom=0 X Y WIDTH HEIGHT SCREEN WINDOW
  shift
  sleep 1
  for window in "$@"; do
    eval "$(xdotool getwindowgeometry --shell "$window")"
    ((X < left)) && left=$X
    ((Y < top)) && top=$Y
    ((X + WIDTH > right)) && right=$((X + WIDTH))
    ((Y + HEIGHT > bottom)) && bottom=$((Y + HEIGHT))
  done
  import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$out"
  say "screenshot saved to $out"
}

# Closes Dorvane as a user does (Alt+F4 on its window), so that it saves its
# options and bookmarks, and waits for it to end.
dorvane_close() {
  xdotool windowfocus --sync "$DORVANE_WINDOW" key alt+F4 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$DORVANE_PID" 2>/dev/null || return 0; sleep 0.1; done
  say "Dorvane did not close; stopping Wine"
  wineserver -k
}
