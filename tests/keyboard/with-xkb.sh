#!/usr/bin/env bash
# Runs a keyboard test program on an X server of its own, whose layouts it may change without
# touching the desktop's, and on a session bus of its own, where no desktop keyboard service
# answers. Exits 77 (skipped) when Xvfb or setxkbmap is missing.
set -u
for tool in Xvfb setxkbmap; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
dir=$(mktemp -d)
xvfb=0
trap 'kill $xvfb 2>/dev/null; wait 2>/dev/null; rm -rf "$dir"' EXIT
# Xvfb picks a free display itself and writes its number once it accepts clients. -noreset: the
# server would otherwise reset, and forget setxkbmap's layouts, whenever its last client leaves.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 800x600x24 3>"$dir/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    kill -0 $xvfb 2>/dev/null || break
    sleep 0.1
done
number=$(head -n 1 "$dir/display")
[ -n "$number" ] || { echo "Xvfb did not start"; exit 1; }

export DISPLAY=":$number" QT_QPA_PLATFORM=xcb
# Tells the test this server is its own to change.
export MARVOLI_KEYBOARD_XSERVER="$DISPLAY"
if command -v dbus-run-session >/dev/null; then
    dbus-run-session -- "$@"
else
    # No bus at all rather than the desktop's (or one started on the fly).
    DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/no-bus" "$@"
fi
