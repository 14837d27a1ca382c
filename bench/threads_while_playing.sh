#!/usr/bin/env bash
# Where the CPU goes while a program plays: the run time and the number of
# wake-ups of each of its threads, and of the prefix's wineserver, over
# S seconds of playing the bench's wav (the set-up of scripts/bench: a private
# Xvfb, sound server and Wine prefix). Run after `cmake --build --preset win64`.
#
#   bench/threads_while_playing.sh SECONDS SUBJECT...
#
# A subject is `bare` (bench/bare_mci_player.exe) or the path of a
# Dorvane.exe, with `:min` after it to minimise its window after Play and
# `:system` to play on the system's MCI devices (SystemDevices=1).
set -uo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"
seconds=$1
shift
win=$DORVANE_ROOT/build/win64
work=$DORVANE_ROOT/build/threads
mkdir -p "$work"
export PULSE_RUNTIME_PATH
PULSE_RUNTIME_PATH=$(mktemp -d)
pulseaudio -D --exit-idle-time=-1 --disallow-exit -n \
  --load="module-null-sink sink_name=nul" --load="module-native-protocol-unix" >/dev/null 2>&1
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
dorvane_start_xvfb
WINEPREFIX=$DORVANE_ROOT/build/wineprefix-threads wineserver -k 2>/dev/null
dorvane_wine_prefix wineprefix-threads N
trap 'wineserver -k; kill "$DORVANE_XVFB_PID"; pulseaudio --kill; rm -rf "$PULSE_RUNTIME_PATH"' EXIT
wav=$work/bench.wav
[ -f "$wav" ] || sox -n -r 22050 -c 1 -b 16 "$wav" synth 300 sine 440 vol 0.3
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
threads() { for t in /proc/"$1"/task/*; do echo "${t##*/} $(cut -d' ' -f1,3 "$t/schedstat")"; done; }
wineserver_ns() {
  local p
  for p in $(pgrep wineserver); do
    tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && cut -d' ' -f1 "/proc/$p/schedstat"
  done
}
for subject in "$@"; do
  if [ "$subject" = bare ]; then
    wine "$win/bench/bare_mci_player.exe" "$(winpath "$wav")" </dev/null >/dev/null 2>&1 &
    pid=$!
  else
    exe=${subject%%:*} minimise=""
    case "$subject" in *:min*) minimise=/minimise ;; esac
    case "$subject" in
      *:system*) mkdir -p "$work/system"; cp "$exe" "$work/system/"; exe=$work/system/Dorvane.exe
                 printf 'SystemDevices=1\r\n' >"$work/system/default.usr" ;;
    esac
    wine "$exe" "$(winpath "$wav")" </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 400); do xdotool search --onlyvisible --name '^Dorvane: ' >/dev/null 2>&1 && break; sleep 0.05; done
    wine "$win/bench/press_play.exe" Dorvane: $minimise </dev/null >/dev/null 2>&1
  fi
  sleep 2
  threads "$pid" >"$work/before"
  w0=$(wineserver_ns)
  sleep "$seconds"
  threads "$pid" >"$work/after"
  w1=$(wineserver_ns)
  echo "$subject (load $(cut -d' ' -f1 /proc/loadavg)): wineserver $(((w1 - w0) / 1000000)) ms"
  join "$work/before" "$work/after" | awk -v w=$(((w1 - w0) / 1000000)) -v main="$pid" '
    {d = ($4 - $2) / 1e6; total += d; if (d > 0.5) printf "  thread %s%s: %.1f ms, %d wake-ups\n", $1, ($1 == main ? " (main)" : ""), d, $5 - $3}
    END {printf "  process %.1f ms, with wineserver %.1f ms\n", total, total + w}'
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
done
