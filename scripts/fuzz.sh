#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (in build-fuzz/) and runs each one for
# FUZZ_SECONDS seconds (20 by default; 0 for no time bound) over a copy of its seed corpus, so the
# committed corpus never grows. Arguments are passed to every target (-runs=1000000 for a number
# of executions); FUZZ_TARGETS="codepage cabfile" runs only those. Fails when a target finds a
# crash, a sanitizer report, a leak, a timeout or runs out of memory; the input that did it is
# kept under build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

seconds=${FUZZ_SECONDS:-20}
build=build-fuzz
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DMARVOLI_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"

# target, longest input, dictionary
all_targets=(
    "codepage 4096 catalogue.dict"
    "record 1024 catalogue.dict"
    "settings 512 catalogue.dict"
    "recentlist 2048 catalogue.dict"
    "arabictext 1024 catalogue.dict"
    "updateinfo 1024 updateinfo.dict"
    "cabfile 4096 cabfile.dict"
)
selected=" ${FUZZ_TARGETS:-codepage record settings recentlist arabictext updateinfo cabfile} "

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts"
passed=0
failed=0
for entry in "${all_targets[@]}"; do
    read -r name max_len dict <<<"$entry"
    [[ "$selected" == *" $name "* ]] || continue
    cp -r "fuzz/corpus/$name" "$work/$name"
    log="$build/artifacts/$name.log"
    set +e
    "$build/fuzz/fuzz_$name" "$work/$name" -max_total_time="$seconds" -max_len="$max_len" \
        -dict="fuzz/$dict" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$name-" "$@" >"$log" 2>&1
    status=$?
    set -e
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    speed=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    if [ "$status" -eq 0 ]; then
        echo "fuzz_$name: ${runs:-?} executions, ${speed:-?} exec/s"
        passed=$((passed + 1))
    else
        echo "fuzz_$name FAILED (exit $status); log: $log"
        grep -v '^ERROR; file' "$log" | tail -n 40
        failed=$((failed + 1))
    fi
done
echo "Fuzzing: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
