#!/usr/bin/env bash
# Builds Tidewell and starts it. Arguments go to the program (for example --list).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tidewell tidewell-helper
exec ./build/release/bin/tidewell "$@"
