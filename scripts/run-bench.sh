#!/bin/sh
# Runs every benchmark program in the given folder.
set -eu
dir="$1"
status=0
for b in "$dir"/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$b" || status=1
done
exit $status
