#!/usr/bin/env bash
# Static analysis of the programs' code (common/, player/, updater/) with the checks kept in
# .clang-tidy, warnings as errors, over the compile commands of build/ (scripts/test.sh makes
# them). Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -f build/compile_commands.json ]; then
    echo "build/compile_commands.json is missing: run scripts/test.sh first" >&2
    exit 1
fi
tidy=$(command -v run-clang-tidy || command -v run-clang-tidy-14)
"$tidy" -p build -quiet -j"$(nproc)" "^$PWD/(common|player|updater)/.*\.cpp$"
