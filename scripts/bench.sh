#!/bin/sh
# Builds the native benchmarks in build/bench with the program's own build flags
# (RelWithDebInfo, as the presets build it) and runs each of them. Every figure is printed on
# one line with the reference measured in the same run and the ratio. The normal-map
# references need libjpeg-turbo, libpng and libdeflate; they are installed here when missing
# (as root), since nothing else in the project uses them.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
missing=""
for package in libjpeg62-turbo-dev libpng-dev libdeflate-dev; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
if [ -n "$missing" ] && [ "$(id -u)" -eq 0 ]; then
    echo "bench: installing$missing"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVEX_BUILD_BENCH=ON \
      -DORVEX_BUILD_TESTS=OFF >/dev/null
benchmarks="bench_large_model bench_small_solids bench_incremental_sync bench_normal_map bench_normal_map_memory"
# shellcheck disable=SC2086
cmake --build "$build" -j"${JOBS:-2}" --target $benchmarks
for benchmark in $benchmarks; do
    echo "== $benchmark"
    "$build/bench/$benchmark"
done
