#!/usr/bin/env bash
# Builds the libFuzzer targets (the "fuzz" preset: clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS (default 600), seeded from tests/fuzz/corpus/<target>. New inputs go to
# build/fuzz/corpus/<target>, crashing ones to build/fuzz/crashes/<target>, the output to
# build/fuzz/<target>.log (both emptied per run). Prints executions and crashes per target; fails if
# any target crashed.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (targets: the folders of tests/fuzz/corpus)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake --preset fuzz "${launcher[@]}" >/dev/null
cmake --build --preset fuzz

targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(ls tests/fuzz/corpus)

failed=0
for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target
    crashes=build/fuzz/crashes/$target
    log=build/fuzz/$target.log
    rm -rf "$crashes"
    mkdir -p "$corpus" "$crashes"
    status=0
    build/fuzz/bin/fuzz_"$target" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
        -artifact_prefix="$crashes/" "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    found=$(find "$crashes" -type f | wc -l)
    echo "$target: ${executions:-?} executions, $found crashes (exit $status, $log)"
    [ "$status" -eq 0 ] && [ "$found" -eq 0 ] || failed=1
done
exit "$failed"
