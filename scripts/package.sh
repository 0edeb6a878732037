#!/usr/bin/env bash
# Builds the Debian package of Marvoli in build-pkg/ (a Release build of the programs only, no
# tests or benchmarks), with the sample catalogue and its offline sample audio:
#   bash scripts/package.sh
#   sudo apt install ./build-pkg/marvoli_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/deps.sh
# dpkg-shlibdeps finds the package's library dependencies.
if ! command -v dpkg-shlibdeps >/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends dpkg-dev
fi

dir=build-pkg
bash scripts/make-samples.sh "$dir/samples"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DMARVOLI_BUILD_TESTS=OFF -DMARVOLI_BUILD_BENCH=OFF -DMARVOLI_SAMPLE_AUDIO="$root/$dir/samples"
cmake --build "$dir" -j"$(nproc)"
rm -f "$dir"/marvoli_*.deb
(cd "$dir" && cpack -G DEB)
ls "$dir"/marvoli_*.deb
