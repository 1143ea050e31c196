#!/usr/bin/env bash
# Runs the screenshot tool on a private Xvfb display as scripts/screenshots.sh
# does; exit code 77 (skipped) with the reason when Xvfb is not there.
set -u
tool="$1"
out="$2"
if ! command -v xvfb-run >/dev/null; then
    echo "xvfb-run (package xvfb) is not installed: the screenshot tool cannot run" >&2
    exit 77
fi
rm -rf "$out"
mkdir -p "$out"
unset DBUS_SESSION_BUS_ADDRESS
xvfb-run -a -s "-screen 0 1280x900x24" "$tool" "$out"
status=$?
pictures=$(find "$out" -name '*.png' | wc -l)
echo "$pictures pictures in $out"
if [ "$status" -ne 0 ]; then
    exit "$status"
fi
[ "$pictures" -gt 0 ]
