#!/usr/bin/env bash
# Checks the Debian package scripts/package.sh built: installs it with apt, starts the installed
# Marvoli offscreen under a fresh home for a few seconds (it must stay up and fill its data folder
# from the installed sample), then removes the package again. Needs root (or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
deb=$(ls "${PACKAGE_FROM:-build-pkg}"/marvoli_*.deb)
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "./$deb"
dpkg-query -W -f='Installed ${Package} ${Version}\nDepends: ${Depends}\n' marvoli

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
env -u XDG_DATA_HOME HOME="$home" QT_QPA_PLATFORM=offscreen /usr/bin/Marvoli &
pid=$!
sleep 5
status=0
if ! kill -0 "$pid" 2>/dev/null; then
    echo "The installed Marvoli did not stay up" >&2
    status=1
else
    kill "$pid"
fi
wait "$pid" 2>/dev/null || true
for f in DB/01-quran.txt DB/02-lessons.txt updtinfos update-keys.pub samples/001.mp3; do
    if [ ! -s "$home/.local/share/marvoli/$f" ]; then
        echo "The data folder was not seeded: $f is missing" >&2
        status=1
    fi
done
# The publishers' keys must not be writable, not even by their owner.
if [ "$(stat -c %a /usr/share/marvoli/update-keys.pub)" != 444 ]; then
    echo "/usr/share/marvoli/update-keys.pub is not read-only" >&2
    status=1
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y marvoli
[ "$status" = 0 ] && echo "The package installs, starts and seeds its data folder"
exit "$status"
