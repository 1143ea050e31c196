#!/usr/bin/env bash
# Builds the benchmarks optimised and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTABULO_TESTS=OFF -DTABULO_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
for b in "$build"/bench/bench_*; do
    [ -x "$b" ] && QT_QPA_PLATFORM=offscreen "$b" "$@"
done
