#!/bin/sh
# Builds the native benchmarks (Release) in build/bench and runs each of them. Every figure
# is printed on one line with the reference measured in the same run and the ratio.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVEX_BUILD_BENCH=ON \
      -DORVEX_BUILD_TESTS=OFF >/dev/null
benchmarks="bench_large_model bench_small_solids bench_incremental_sync"
# shellcheck disable=SC2086
cmake --build "$build" -j"${JOBS:-2}" --target $benchmarks
for benchmark in $benchmarks; do
    echo "== $benchmark"
    "$build/bench/$benchmark"
done
