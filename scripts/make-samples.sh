#!/usr/bin/env bash
# Makes the offline sample audio that a few tapes of the sample catalogue point at
# (samples/001.mp3 ...): Arabic speech from espeak-ng, encoded to MP3 by ffmpeg.
# Files that already exist are kept.
set -euo pipefail
out="${1:?usage: make-samples.sh <folder>}"
mkdir -p "$out"
texts=(
    "هذا تسجيل تجريبي رقم واحد من برنامج مارفولي"
    "هذا تسجيل تجريبي رقم اثنين يعمل دون اتصال بالإنترنت"
    "مرحبا بكم في الدرس الأول من سلسلة الدروس التجريبية"
    "اللهم بارك لنا في يومنا هذا"
)
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
for i in "${!texts[@]}"; do
    name=$(printf '%03d' $((i + 1)))
    [ -s "$out/$name.mp3" ] && continue
    espeak-ng -v ar -s 140 -w "$tmp/$name.wav" "${texts[$i]}"
    ffmpeg -loglevel error -y -i "$tmp/$name.wav" -c:a libmp3lame -b:a 64k "$out/$name.mp3"
done
