#!/bin/sh
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each one.
#   FUZZ_BUILD  build folder            (default build/fuzz)
#   FUZZ_TIME   seconds per target      (default 180)
# Seeds come from fuzz/corpus/<target>; what the fuzzer finds grows in the build folder, so
# the repository only changes when someone copies an interesting input back on purpose.
set -eu
cd "$(dirname "$0")/.."
BUILD=${FUZZ_BUILD:-build/fuzz}
TIME=${FUZZ_TIME:-180}

CXX=clang++ cmake -S fuzz -B "$BUILD" -G Ninja >/dev/null
cmake --build "$BUILD"

status=0
for target in fuzz_image fuzz_xml fuzz_csv; do
    seeds="fuzz/corpus/${target#fuzz_}"
    work="$BUILD/corpus/$target"
    mkdir -p "$work" "$BUILD/findings/$target"
    echo "== $target: $TIME s, seeds from $seeds"
    "$BUILD/$target" -max_total_time="$TIME" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$BUILD/findings/$target/" -print_final_stats=1 \
        "$work" "$seeds" || status=1
done
exit $status
