#!/bin/bash
# Draws every window in both shipped languages, at the normal size and at twice the size, into
# OUTPUT_DIR (default build/screens), for a person to look at before a change lands.
#   scripts/screens.sh [OUTPUT_DIR] [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
out=${1:-build/screens}
build=${2:-build/test}
tool=$build/bin/ordano_screens
[ -x "$tool" ] || { echo "no $tool; run make test first" >&2; exit 2; }
mkdir -p -m 700 /tmp/ordano-screens-runtime
export XDG_RUNTIME_DIR=/tmp/ordano-screens-runtime QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
for scale in 1 2; do
    for language in English Italiano; do
        QT_SCALE_FACTOR=$scale "$tool" "$out/x$scale" "$language"
    done
done
