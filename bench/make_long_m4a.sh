#!/usr/bin/env bash
# Makes two-hours.m4a in the folder given: ten seconds of speech-like noise
# encoded once as AAC, its packets repeated 720 times into one MP4 without
# encoding again (a valid two-hour file, made in seconds).
set -euo pipefail
out=$1
mkdir -p "$out"
[ -s "$out/two-hours.m4a" ] && exit 0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
sox -n -r 44100 -c 2 -b 16 "$tmp/ten.wav" synth 10 pinknoise vol 0.3
ffmpeg -nostdin -loglevel error -i "$tmp/ten.wav" -c:a aac -b:a 96k "$tmp/ten.m4a"
ffmpeg -nostdin -loglevel error -stream_loop 719 -i "$tmp/ten.m4a" -c copy -movflags +faststart "$tmp/two-hours.m4a"
mv "$tmp/two-hours.m4a" "$out/"
