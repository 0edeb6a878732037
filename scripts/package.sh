#!/usr/bin/env bash
# Builds the Debian package of Marvoli, with the sample catalogue and its offline sample audio:
#   bash scripts/package.sh                     a Release build of the programs only, in build-pkg/
#   PACKAGE_FROM=build bash scripts/package.sh  from the build the tests ran on (CI), so that
#                                               nothing is compiled twice
#   sudo apt install ./build-pkg/marvoli_*.deb  (or ./build/marvoli_*.deb)
# The programs in the package are stripped either way.
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

dir=${PACKAGE_FROM:-build-pkg}
bash scripts/make-samples.sh "$dir/samples"
if [ -n "${PACKAGE_FROM:-}" ]; then
    # Where the package installs and which samples it carries change no compiled file.
    cmake -S . -B "$dir" -DCMAKE_INSTALL_PREFIX=/usr -DMARVOLI_SAMPLE_AUDIO="$root/$dir/samples"
else
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DMARVOLI_BUILD_TESTS=OFF -DMARVOLI_BUILD_BENCH=OFF \
        -DMARVOLI_SAMPLE_AUDIO="$root/$dir/samples"
fi
cmake --build "$dir" -j"$(nproc)"
rm -f "$dir"/marvoli_*.deb
(cd "$dir" && cpack -G DEB)
ls "$dir"/marvoli_*.deb
