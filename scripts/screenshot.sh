#!/usr/bin/env bash
# Renders the main window on the sample catalogue, with a Quran branch open, to
# docs/screenshot.png (offscreen: no display needed).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target marvoli_screenshot -j"$(nproc)"
app="$(mktemp -d)"
trap 'rm -rf "$app"' EXIT
cp -r data/DB "$app/DB"
mkdir -p docs
QT_QPA_PLATFORM=offscreen build/tools/marvoli_screenshot "$app" docs/screenshot.png
