#!/usr/bin/env bash
# Runs a test program on its own X server with a system tray (Xvfb + trayer), then stops both.
# Exits 77 (skipped) when either program is missing.
set -u
for tool in Xvfb trayer xdpyinfo; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
display=":$((50 + RANDOM % 400))"
Xvfb "$display" -screen 0 1024x768x24 -noreset -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $tray $xvfb 2>/dev/null; wait 2>/dev/null' EXIT
tray=0
for _ in $(seq 50); do
    DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
DISPLAY="$display" trayer --edge top --align right --widthtype pixel --width 100 \
    --heighttype pixel --height 24 >/dev/null 2>&1 &
tray=$!
sleep 0.5
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$@"
