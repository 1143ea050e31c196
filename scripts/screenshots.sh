#!/usr/bin/env bash
# Starts the program's windows under Xvfb over a sample data directory and
# saves a PNG of each one, at its opening size and enlarged, into the
# directory given (default: build-dev/screenshots).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build-dev
out="${1:-$build/screenshots}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTABULO_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target tabulo_screenshots
mkdir -p "$out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x900x24" "$build/tests/tabulo_screenshots" "$out"
