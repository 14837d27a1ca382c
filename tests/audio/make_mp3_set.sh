#!/usr/bin/env bash
# Makes the mp3 reader's recordings into the folder given: spoken words at
# each sample rate, mono and stereo (the second channel a different voice),
# as raw 16-bit samples (NAME.raw), and the same encoded by lame (NAME.mp3).
# cases.txt lists one "NAME RATE CHANNELS TAGGED" a line.
set -euo pipefail
out=$1
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
espeak-ng -s 160 -w "$tmp/a.wav" "Seven, eight, nine. The quick brown fox jumps over the lazy dog."
espeak-ng -s 140 -p 80 -w "$tmp/b.wav" "Alpha, bravo, charlie, delta, echo, foxtrot, golf."
: >"$tmp/cases.txt"
# name rate channels tagged lame-options
while read -r name rate channels tagged options; do
  if [ "$channels" = 1 ]; then
    sox "$tmp/a.wav" -r "$rate" -c 1 -b 16 "$tmp/$name.wav"
  else
    sox -M "$tmp/a.wav" "$tmp/b.wav" -r "$rate" -c 2 -b 16 "$tmp/$name.wav"
  fi
  sox "$tmp/$name.wav" -t raw -e signed -b 16 -L "$tmp/$name.raw"
  # shellcheck disable=SC2086
  lame --quiet $options --resample "$rate" "$tmp/$name.wav" "$tmp/$name.mp3"
  echo "$name $rate $channels $tagged" >>"$tmp/cases.txt"
done <<'CASES'
cbr64-22k-mono 22050 1 1 -b 64
v4-44k-stereo 44100 2 1 -V 4
v6-16k-mono 16000 1 1 -V 6
v7-8k-mono 8000 1 1 -V 7
cbr32-11k-stereo 11025 2 1 -b 32
v5-24k-stereo 24000 2 1 -V 5
cbr48-32k-mono 32000 1 1 -b 48
v2-48k-stereo 48000 2 1 -V 2
untagged-cbr16-8k-mono 8000 1 0 -t -b 16
untagged-cbr64-22k-stereo 22050 2 0 -t -b 64
CASES
mv "$tmp"/*.raw "$tmp"/*.mp3 "$tmp/cases.txt" "$out/"
