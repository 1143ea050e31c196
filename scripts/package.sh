#!/usr/bin/env bash
# Builds the Debian package from an optimised build of the program alone (no
# tests, no sanitizers) in build-package, then checks it: unpacked into an
# empty folder, its binary finds every library and answers --version and
# --help, and its desktop entry and metainfo pass the desktop's validators.
# Leaves the package in build-package/ and prints its path last.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build-package
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTABULO_TESTS=OFF -DTABULO_BENCH=OFF \
      -DTABULO_SANITIZE=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/tabulo_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tabulo_*.deb)

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -f "$deb" Package Version Depends
dpkg -x "$deb" "$root"
program="$root/usr/bin/tabulo"
if ldd "$program" | grep "not found"; then
    echo "package.sh: the installed program misses libraries" >&2
    exit 1
fi
"$program" --version
"$program" --help | grep -q -- "--user-data"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
for f in usr/share/icons/hicolor/scalable/apps usr/share/man/man1/tabulo.1.gz \
         usr/share/tabulo/helpfiles/HelpDocLocal.htm usr/share/doc/tabulo/copyright; do
    [ -e "$root/$f" ] || { echo "package.sh: $f is not in the package" >&2; exit 1; }
done
echo "$deb"
