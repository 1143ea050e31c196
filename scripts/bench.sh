#!/usr/bin/env bash
# Builds the benchmarks optimised and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTABULO_TESTS=OFF -DTABULO_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# Only the programs: the build also leaves bench_*_autogen folders here,
# which are "executable" too.
for b in "$build"/bench/bench_*; do
    if [ -f "$b" ] && [ -x "$b" ]; then
        QT_QPA_PLATFORM=offscreen "$b" "$@"
    fi
done
