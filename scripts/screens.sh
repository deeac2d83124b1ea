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
export XDG_RUNTIME_DIR=/tmp/ordano-screens-runtime ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
# On a laptop's screen of 1280 x 800 (2560 x 1600 pixels at twice the size), so that a window
# sized to its screen shows as a user of one sees it.
for scale in 1 2; do
    screen=$XDG_RUNTIME_DIR/laptop-x$scale.json
    printf '{"screens":[{"name":"laptop","x":0,"y":0,"width":%d,"height":%d,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]}\n' \
        $((1280 * scale)) $((800 * scale)) > "$screen"
    for language in English Italiano; do
        QT_QPA_PLATFORM=offscreen:configfile=$screen QT_SCALE_FACTOR=$scale "$tool" "$out/x$scale" "$language"
    done
done
