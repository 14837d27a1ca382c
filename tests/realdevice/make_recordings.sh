#!/usr/bin/env bash
# Makes the recordings that the real-device tests play, into the folder given:
# speech.wav (6.000 s: six spoken numbers, then silence), tone.wav (2.000 s of
# 440 Hz), speech.mp3 (the speech as mp3), and twice.wav and twice.mp3 (the
# speech said twice, 12.000 s, for checks that must first let the output settle),
# and the telephone wav formats of both: speech-ulaw.wav and twice-ulaw.wav
# (G.711 mu-law, 8 kHz) and speech-adpcm.wav (IMA ADPCM, 8 kHz).
# For the formats that Media Foundation decodes: twice48.wav (the 12 s at
# 48 kHz, the rate every one of these codecs keeps) and the same sound as
# m4a (AAC), opus, ogg (Vorbis), flac, webm (Opus) and mp4 (AAC beside an
# H.264 picture); and files that look like them but are not: a zero-byte
# m4a, an m4a cut in half, an m4a damaged in its middle, an mp4 with a
# picture and no sound, and a text file named .opus.
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
sox "$tmp/twice.wav" -r 48000 "$tmp/twice48.wav"
ff() { ffmpeg -nostdin -loglevel error -y "$@"; }
ff -i "$tmp/twice48.wav" -c:a aac -b:a 96k -movflags +faststart "$tmp/twice.m4a"
ff -i "$tmp/twice48.wav" -c:a libopus -b:a 48k "$tmp/twice.opus"
ff -i "$tmp/twice48.wav" -c:a libvorbis -q:a 4 "$tmp/twice.ogg"
ff -i "$tmp/twice48.wav" -c:a flac "$tmp/twice.flac"
ff -i "$tmp/twice48.wav" -c:a libopus -b:a 48k "$tmp/twice.webm"
ff -f lavfi -i "testsrc=size=160x120:rate=10:duration=12" -i "$tmp/twice48.wav" \
  -c:v libx264 -pix_fmt yuv420p -c:a aac -b:a 96k -shortest -movflags +faststart "$tmp/video.mp4"
ff -f lavfi -i "testsrc=size=160x120:rate=10:duration=3" -c:v libx264 -pix_fmt yuv420p "$tmp/picture.mp4"
: >"$tmp/empty.m4a"
head -c "$(($(stat -c %s "$tmp/twice.m4a") / 2))" "$tmp/twice.m4a" >"$tmp/half.m4a"
# 30 kB of the middle overwritten: the decoder gives up there.
cp "$tmp/twice.m4a" "$tmp/garbled.m4a"
head -c 30000 /dev/zero | tr '\0' '\377' |
  dd of="$tmp/garbled.m4a" bs=1 seek="$(($(stat -c %s "$tmp/twice.m4a") / 2))" conv=notrunc status=none
printf 'Not a recording: a note that was given the wrong name.\r\n' >"$tmp/note.opus"
mv "$tmp/speech.wav" "$tmp/tone.wav" "$tmp/speech.mp3" "$tmp/twice.wav" "$tmp/twice.mp3" "$tmp/twice48.wav" \
  "$tmp/speech-ulaw.wav" "$tmp/twice-ulaw.wav" "$tmp/speech-adpcm.wav" \
  "$tmp"/twice.{m4a,opus,ogg,flac,webm} "$tmp/video.mp4" "$tmp/picture.mp4" "$tmp/empty.m4a" "$tmp/half.m4a" \
  "$tmp/garbled.m4a" "$tmp/note.opus" "$out/"
