#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer, builds and checks the Debian package, and runs
# every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build-test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTABULO_SANITIZE=ON -DTABULO_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# The Debian package, from an optimised build of the program alone, unpacked
# into an empty folder and started there.
scripts/package.sh
cd "$build"
# An undefined behaviour is reported with where it happened.
QT_QPA_PLATFORM=offscreen UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$(nproc)"
