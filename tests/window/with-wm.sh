#!/usr/bin/env bash
# Runs a test program on its own X server with a window manager (Xvfb + openbox), which frames,
# maximises and minimises windows as a desktop does; then stops both. Exits 77 (skipped) when
# either program is missing.
set -u
for tool in Xvfb openbox xdpyinfo; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
display=":$((450 + RANDOM % 400))"
Xvfb "$display" -screen 0 1024x768x24 -noreset -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null; wait 2>/dev/null' EXIT
wm=0
for _ in $(seq 50); do
    DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
DISPLAY="$display" openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 0.5
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$@"
