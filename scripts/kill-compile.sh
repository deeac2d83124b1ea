#!/bin/bash
# Kills `ordano-cli compile` at random moments and counts what the kills leave behind:
# image pairs from two different compiles, and temporary files or folders. Not part of
# `make test`: run it by hand for as long as you like.
#   scripts/kill-compile.sh [SECONDS] [ORDANO_CLI]
#   SECONDS     how long to keep killing (default 120)
#   ORDANO_CLI  the program (default build/release/bin/ordano-cli, else build/test/bin/ordano-cli)
# Two configurations, A and B, are compiled in turn into the same folder, so every pair on
# disk must be A's or B's. A new bank.bin beside the other compile's bank2.bin (what a kill
# between two renames would leave) is counted apart from any other mix; both must stay 0,
# since the images take bin's place in one exchange of folders. A temporary left by a kill
# (in bin, or a folder beside it) is counted, and must be gone after the next compile that
# runs to its end.
set -eu
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-120}
CLI=${2:-}
if [ -z "$CLI" ]; then
    for candidate in build/release/bin/ordano-cli build/test/bin/ordano-cli; do
        if [ -x "$candidate" ]; then CLI=$candidate; break; fi
    done
fi
[ -n "$CLI" ] && [ -x "$CLI" ] || { echo "no ordano-cli; build it first" >&2; exit 2; }
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fixtures=tests/fixtures/image
mkdir -p "$work/A" "$work/B" "$work/config/bin"
cp "$fixtures/worked_example/M_Bus.xml" "$fixtures/worked_example/ParGen.xml" "$work/A/"
cp "$fixtures/hand_edited/M_Bus.xml" "$work/B/"
cp "$fixtures/gateway_used/ParGen.xml" "$work/B/"

# The expected pairs, from compiles that are never interrupted.
for c in A B; do
    "$CLI" compile "$work/$c" >/dev/null
done
pair() { echo "$(cksum <"$1/bin/bank.bin") $(cksum <"$1/bin/bank2.bin")"; }
pairA=$(pair "$work/A")
pairB=$(pair "$work/B")
# The mix a kill between the two renames leaves: the new bank.bin, the other's bank2.bin.
windowA="$(cksum <"$work/A/bin/bank.bin") $(cksum <"$work/B/bin/bank2.bin")"
windowB="$(cksum <"$work/B/bin/bank.bin") $(cksum <"$work/A/bin/bank2.bin")"
if [ "$(cksum <"$work/A/bin/bank.bin")" = "$(cksum <"$work/B/bin/bank.bin")" ] ||
    [ "$(cksum <"$work/A/bin/bank2.bin")" = "$(cksum <"$work/B/bin/bank2.bin")" ]; then
    echo "A and B must differ in both images" >&2
    exit 2
fi

use() { cp "$work/$1/M_Bus.xml" "$work/$1/ParGen.xml" "$work/config/"; }
strays() {
    {
        find "$work/config/bin" -mindepth 1 ! -name bank.bin ! -name bank2.bin
        find "$work/config" -mindepth 1 -maxdepth 1 ! -name bin ! -name M_Bus.xml ! -name ParGen.xml
    } | wc -l
}

# How long one compile takes, so the kills fall before, during and after the write.
use A
"$CLI" compile "$work/config" >/dev/null
start=$(date +%s%N)
for _ in 1 2 3 4 5; do "$CLI" compile "$work/config" >/dev/null; done
one_ms=$(( ($(date +%s%N) - start) / 5000000 + 1 ))
echo "ordano-cli: $CLI; one compile takes about $one_ms ms; killing for $SECONDS_TO_RUN s"

kills=0 mismatched=0 in_window=0 left_by_kill=0 left_after_compile=0 other=0
config=A
end=$(( $(date +%s) + SECONDS_TO_RUN ))
while [ "$(date +%s)" -lt "$end" ]; do
    config=$([ "$config" = A ] && echo B || echo A)
    use "$config"
    delay_us=$(( RANDOM * 32768 + RANDOM ))
    delay_us=$(( delay_us % (one_ms * 1200) ))
    "$CLI" compile "$work/config" >/dev/null 2>&1 &
    pid=$!
    sleep "$(printf '0.%06d' "$delay_us")"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    kills=$((kills + 1))
    now=""
    if [ -f "$work/config/bin/bank.bin" ] && [ -f "$work/config/bin/bank2.bin" ]; then
        now=$(pair "$work/config")
        if { [ "$config" = A ] && [ "$now" = "$windowA" ]; } ||
            { [ "$config" = B ] && [ "$now" = "$windowB" ]; }; then
            in_window=$((in_window + 1))
        elif [ "$now" != "$pairA" ] && [ "$now" != "$pairB" ]; then
            mismatched=$((mismatched + 1))
        fi
    else
        other=$((other + 1))
    fi
    n=$(strays)
    if [ "$n" -gt 0 ]; then
        left_by_kill=$((left_by_kill + 1))
        # The next compile that ends must clear them; put the pair back to a known one.
        "$CLI" compile "$work/config" >/dev/null
        [ "$(strays)" -eq 0 ] || left_after_compile=$((left_after_compile + 1))
    fi
    if [ "$now" != "$pairA" ] && [ "$now" != "$pairB" ]; then
        "$CLI" compile "$work/config" >/dev/null
    fi
done

echo "kills:                                 $kills"
echo "new bank.bin beside the old bank2.bin:  $in_window"
echo "any other mismatched pair:             $mismatched"
echo "temporaries right after a kill:        $left_by_kill (removed by the next compile)"
echo "temporaries after the next compile:    $left_after_compile"
echo "pairs with a missing image:            $other"
[ "$in_window" -eq 0 ] && [ "$mismatched" -eq 0 ] && [ "$left_after_compile" -eq 0 ] &&
    [ "$other" -eq 0 ]
