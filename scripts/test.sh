#!/usr/bin/env bash
# Builds Tidewell with warnings as errors and runs the whole test suite. Fails on a compiler
# warning, a formatting difference or a failing test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

echo "== Formatting"
mapfile -t sources < <(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find src tests bench -name '*.cpp' -o -name '*.h')
clang-format --dry-run --Werror "${sources[@]}"

echo "== Build"
cmake --preset dev
cmake --build --preset dev

echo "== Tests"
ctest --preset dev
