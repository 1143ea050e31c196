#!/usr/bin/env bash
# Installs the Debian packages the program, its tests and benchmarks need,
# skipping the ones already present.
set -euo pipefail
packages=(build-essential cmake pkg-config qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite libgl-dev
          libsqlite3-dev sqlite3 libpq-dev postgresql-15 libgtest-dev libgmock-dev libbenchmark-dev
          xvfb xauth fonts-dejavu-core fonts-liberation poppler-utils
          libqt6svg6 desktop-file-utils appstream
          cups cups-client cups-daemon printer-driver-cups-pdf
          clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
