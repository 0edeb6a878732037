#!/usr/bin/env bash
# Runs a test program on its own X server with one helper program, then stops both:
#   with-x.sh trayer PROGRAM...    a system tray (an XEmbed tray host)
#   with-x.sh openbox PROGRAM...   a window manager, which frames, maximises and minimises windows
# Exits 77 (skipped) when Xvfb or the helper is missing.
set -u
helper=$1
shift
for tool in Xvfb "$helper" xdpyinfo; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
display=":$((50 + RANDOM % 800))"
Xvfb "$display" -screen 0 1024x768x24 -noreset -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $pid $xvfb 2>/dev/null; wait 2>/dev/null' EXIT
pid=0
for _ in $(seq 50); do
    DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
case "$helper" in
trayer)
    DISPLAY="$display" trayer --edge top --align right --widthtype pixel --width 100 \
        --heighttype pixel --height 24 >/dev/null 2>&1 &
    ;;
*)
    DISPLAY="$display" "$helper" --sm-disable >/dev/null 2>&1 &
    ;;
esac
pid=$!
sleep 0.5
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$@"
