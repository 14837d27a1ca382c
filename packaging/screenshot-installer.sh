#!/usr/bin/env bash
# Saves a picture of the installer's finish page to the given file
# (docs/installer.png by default): runs dist/Dorvane-<version>-setup.exe on a
# private Xvfb in a Wine prefix of its own, presses Install, and captures the
# window once the program is in place. Builds the packages when they are missing.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"
out=$(realpath -m "${1:-$DORVANE_ROOT/docs/installer.png}")
setup=$(ls "$DORVANE_ROOT"/dist/Dorvane-*-setup.exe 2>/dev/null | head -n1 || true)
if [ -z "$setup" ]; then
  "$DORVANE_ROOT/scripts/package"
  setup=$(ls "$DORVANE_ROOT"/dist/Dorvane-*-setup.exe | head -n1)
fi

prefix=$DORVANE_ROOT/build/wineprefix-installer
trap 'dorvane_stop_all; rm -rf "$prefix"' EXIT
dorvane_start_xvfb
rm -rf "$prefix"
dorvane_wine_prefix wineprefix-installer N
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe="
installed=$(winepath -u "$(wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')\\Programs\\Dorvane\\uninstall.exe")

wine "$setup" </dev/null >/dev/null 2>&1 &
window=""
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --name '^Dorvane .*Setup' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { say "the installer's window did not appear"; exit 1; }
sleep 1
# The folder page: Install is the default button.
xdotool windowfocus --sync "$window" key Return
for _ in $(seq 600); do [ -f "$installed" ] && break; sleep 0.1; done
sleep 2
import -window "$window" "$out"
say "screenshot saved to $out"
