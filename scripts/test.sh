#!/usr/bin/env bash
# Builds Marvoli and runs its tests.
#   scripts/test.sh             normal build in build/
#   SANITIZE=1 scripts/test.sh  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

if [ "${SANITIZE:-0}" = 1 ]; then
    dir=build-asan
    flags=(-DMARVOLI_SANITIZE=ON -DMARVOLI_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
    # intercept_strndup=0: libxkbcommon hands strndup() strings that end at their buffer's
    # last byte, which the interceptor reads one past (a known false report outside our code).
    export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:intercept_strndup=0"
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
else
    dir=build
    flags=()
fi

cmake -S . -B "$dir" -G Ninja -DMARVOLI_WERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "${flags[@]}"
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
# GUI tests get a session bus of their own, so Qt never starts a stray one.
runner=()
command -v dbus-run-session >/dev/null && runner=(dbus-run-session --)
status=0
"${runner[@]}" ctest --output-on-failure -j"$(nproc)" || status=$?
# Test functions that skipped themselves (no X server, tray, session bus or tool here) pass
# quietly inside their suite: name them, so that what this machine did not try is seen.
log=Testing/Temporary/LastTest.log
if [ -f "$log" ] && grep -q '^SKIP   : ' "$log"; then
    echo "Skipped on this machine:"
    grep '^SKIP   : ' "$log" | sed 's/^SKIP   : /  /' | sort -u
fi
exit "$status"
