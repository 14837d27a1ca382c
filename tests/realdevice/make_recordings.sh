#!/usr/bin/env bash
# Makes the recordings that the real-device tests play, into the folder given:
# speech.wav (6.000 s: six spoken numbers, then silence), tone.wav (2.000 s of
# 440 Hz), speech.mp3 (the speech as mp3), and twice.wav and twice.mp3 (the
# speech said twice, 12.000 s, for checks that must first let the output settle),
# and the telephone wav formats of both: speech-ulaw.wav and twice-ulaw.wav
# (G.711 mu-law, 8 kHz) and speech-adpcm.wav (IMA ADPCM, 8 kHz).
set -euo pipefail
out=$1
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
espeak-ng -s 150 -w "$tmp/raw.wav" \
  "One, two, three, four, five, six."
sox "$tmp/raw.wav" -r 22050 -c 1 -b 16 "$tmp/padded.wav" pad 0 6
sox "$tmp/padded.wav" "$tmp/speech.wav" trim 0 6
sox -n -r 22050 -c 1 -b 16 "$tmp/tone.wav" synth 2 sine 440 vol 0.5
lame --quiet -b 64 "$tmp/speech.wav" "$tmp/speech.mp3"
sox "$tmp/speech.wav" "$tmp/speech.wav" "$tmp/twice.wav"
lame --quiet -b 64 "$tmp/twice.wav" "$tmp/twice.mp3"
sox "$tmp/speech.wav" -r 8000 -e u-law "$tmp/speech-ulaw.wav"
sox "$tmp/twice.wav" -r 8000 -e u-law "$tmp/twice-ulaw.wav"
sox "$tmp/speech.wav" -r 8000 -e ima-adpcm "$tmp/speech-adpcm.wav"
mv "$tmp/speech.wav" "$tmp/tone.wav" "$tmp/speech.mp3" "$tmp/twice.wav" "$tmp/twice.mp3" \
  "$tmp/speech-ulaw.wav" "$tmp/twice-ulaw.wav" "$tmp/speech-adpcm.wav" "$out/"
