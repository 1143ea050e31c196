#!/bin/sh
# Builds the libFuzzer targets with clang (their own small build of the core
# sources they need) and runs each for the given number of seconds, starting
# from the corpus kept in fuzz/corpus. New inputs go to build-fuzz/corpus;
# a crash's input is kept in build-fuzz/finds. To grow the kept corpus:
#   build-fuzz/fuzz_T -merge=1 fuzz/corpus/T build-fuzz/corpus/T
#   scripts/fuzz.sh [seconds per target] [target...]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-filter picture columns ini table}
cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-fuzz -j2
mkdir -p build-fuzz/finds
status=0
for t in $targets; do
    echo "== fuzz_$t for ${seconds}s"
    mkdir -p "build-fuzz/corpus/$t"
    QT_QPA_PLATFORM=offscreen build-fuzz/fuzz_$t -max_total_time="$seconds" -rss_limit_mb=2048 \
        -artifact_prefix="build-fuzz/finds/$t-" -print_final_stats=1 "build-fuzz/corpus/$t" "fuzz/corpus/$t" \
        2>"build-fuzz/$t.log" || status=1
    grep -E "stat::number_of_executed_units|stat::average_exec_per_sec|ERROR|SUMMARY" "build-fuzz/$t.log" || true
done
exit $status
