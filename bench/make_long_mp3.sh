#!/usr/bin/env bash
# Makes two-hours.mp3 in the folder given: ten seconds of speech-like noise
# encoded once without a tag, its frames repeated 720 times (a valid stream
# of two hours, made in a second instead of encoding two hours).
set -euo pipefail
out=$1
mkdir -p "$out"
[ -s "$out/two-hours.mp3" ] && exit 0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
sox -n -r 44100 -c 2 -b 16 "$tmp/ten.wav" synth 10 pinknoise vol 0.3
lame --quiet -t -b 128 "$tmp/ten.wav" "$tmp/ten.mp3"
for _ in $(seq 720); do cat "$tmp/ten.mp3"; done > "$tmp/two-hours.mp3"
mv "$tmp/two-hours.mp3" "$out/"
