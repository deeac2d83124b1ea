#!/bin/bash
# Redraws the pictures of the installer's guide from the real windows, filled with a sample
# configuration, in every language of docs/guide, into docs/guide/<Language>/pictures/.
#   scripts/guide-pictures.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/test}
tool=$build/bin/ordano_screens
[ -x "$tool" ] || { echo "no $tool; build the target ordano_screens first" >&2; exit 2; }
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
# The laptop screen of scripts/screens.sh, so that the pictures match what a user sees.
screen=$runtime/laptop.json
printf '{"screens":[{"name":"laptop","x":0,"y":0,"width":1280,"height":800,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]}\n' > "$screen"
for folder in docs/guide/*/; do
    language=$(basename "$folder")
    drawn=$runtime/$language
    QT_QPA_PLATFORM=offscreen:configfile=$screen "$tool" --guide "$drawn" "$language" >/dev/null \
        2> >(grep -v "does not support propagateSizeHints" >&2)
    mkdir -p "$folder/pictures"
    rm -f "$folder"/pictures/*.png
    cp "$drawn"/*.png "$folder/pictures/"
    echo "$language: $(ls "$folder/pictures" | wc -l) pictures in ${folder}pictures"
done
