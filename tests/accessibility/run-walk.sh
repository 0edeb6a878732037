#!/usr/bin/env bash
# Runs walk.py against the real Marvoli and Renfold, on a copy of a catalogue folder, with an X
# server, a session bus and an accessibility bus of their own:
#   run-walk.sh MARVOLI RENFOLD DB_FOLDER
# Exits 77 (skipped) when Xvfb, openbox, xdotool, the accessibility bus or Python's AT-SPI
# bindings are missing.
set -u
marvoli=$1 renfold=$2 db=$3
here="$(cd "$(dirname "$0")" && pwd)"
for tool in Xvfb xdpyinfo openbox xdotool dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }

app="$(mktemp -d)"
display=":$((50 + RANDOM % 800))"
Xvfb "$display" -screen 0 1024x768x24 -noreset -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
wm=0
trap 'kill $wm $xvfb 2>/dev/null; wait 2>/dev/null; rm -rf "$app"' EXIT
for _ in $(seq 50); do
    DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
# A window manager gives the keyboard focus to the window that opens, as on a desktop.
DISPLAY="$display" openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 0.5

# The application folder as scripts/run.sh lays it out; the updater's addresses lead nowhere
# (no update is run, its window is only looked at).
mkdir -p "$app/DB"
cp "$marvoli" "$app/Marvoli"
cp "$renfold" "$app/Renfold"
cp "$db"/* "$app/DB/"
printf '[update]\r\n0\r\nhttp://127.0.0.1:9/updtinfos\r\nhttp://127.0.0.1:9/update#.cab\r\n' >"$app/updtinfos"

export DISPLAY="$display" LC_ALL=C.UTF-8 XDG_RUNTIME_DIR="$app/run"
mkdir -m 700 "$app/run"
dbus-run-session -- /usr/bin/python3 "$here/walk.py" "$app"
