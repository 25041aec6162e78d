#!/usr/bin/env bash
# Builds the Debian package tidewell_<version>-1_<arch>.deb in the repository's top folder: an
# optimised build of the two programs for /usr (build/package/), then `cpack -G DEB` on it.
# Install it with: sudo apt install ./tidewell_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake --preset package "${launcher[@]}" >/dev/null
cmake --build --preset package

rm -f build/package/tidewell_*.deb
(cd build/package && cpack -G DEB)
mv build/package/tidewell_*.deb .
ls -1 tidewell_*.deb
