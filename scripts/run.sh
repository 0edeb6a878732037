#!/usr/bin/env bash
# Sets up and starts Marvoli on the bundled sample catalogue.
#   - installs the Debian packages it needs when they are missing,
#   - builds (reusing an earlier build),
#   - lays out the application folder app/: the player and the updater, DB/ from the sample
#     catalogue, the updater's information file (pointing at the demo server), and
#     samples/ with offline sample audio, keeping the user's settings, history, favourites and
#     additions from earlier runs,
#   - starts the program from there.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target Marvoli Renfold -j"$(nproc)"

app="${MARVOLI_APP:-$root/app}"
mkdir -p "$app/DB" "$app/samples"
install -m 755 build/player/window/Marvoli "$app/Marvoli"
install -m 755 build/updater/Renfold "$app/Renfold"
# The updater's information file, pointing at the demo server of scripts/serve-demo-update.sh;
# kept once there, as each update rewrites it.
[ -e "$app/updtinfos" ] || cp data/updtinfos "$app/updtinfos"
# Sample catalogue files are copied only where missing, so the user's edits stay.
cp -n data/DB/* "$app/DB/"
bash scripts/make-samples.sh "$app/samples"

[ "${MARVOLI_NO_START:-0}" = 1 ] && exit 0
exec "$app/Marvoli"
