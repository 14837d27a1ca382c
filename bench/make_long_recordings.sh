#!/usr/bin/env bash
# Makes two-hours.mp3 and two-hours.m4a in the folder given: ten seconds of
# speech-like noise encoded once (mp3 without a tag, AAC in MP4), its frames
# repeated 720 times (valid two-hour files, made in seconds instead of
# encoding two hours).
set -euo pipefail
out=$1
mkdir -p "$out"
[ -s "$out/two-hours.mp3" ] && [ -s "$out/two-hours.m4a" ] && exit 0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
sox -n -r 44100 -c 2 -b 16 "$tmp/ten.wav" synth 10 pinknoise vol 0.3
lame --quiet -t -b 128 "$tmp/ten.wav" "$tmp/ten.mp3"
for _ in $(seq 720); do cat "$tmp/ten.mp3"; done > "$tmp/two-hours.mp3"
ffmpeg -nostdin -loglevel error -i "$tmp/ten.wav" -c:a aac -b:a 96k "$tmp/ten.m4a"
ffmpeg -nostdin -loglevel error -stream_loop 719 -i "$tmp/ten.m4a" -c copy -movflags +faststart "$tmp/two-hours.m4a"
mv "$tmp/two-hours.mp3" "$tmp/two-hours.m4a" "$out/"
