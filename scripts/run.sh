#!/usr/bin/env bash
# Installs what is missing, builds an optimised program and starts it on the
# data directory given as the first argument (default: ./data).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build-release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTABULO_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target tabulo
data="${1:-data}"
mkdir -p "$data"
exec "$build/app/tabulo" --data-dir "$data"
