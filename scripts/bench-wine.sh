#!/bin/sh
# The Wine benchmark: the shipped program (the mingw build) started afresh under Wine with a
# null renderer library, timed by a host that posts 1026 as soon as the program's window
# exists, against a plain ReadFile program, a minimal windowed program and an empty program
# run in turns with it. Prints each figure with its reference and their ratio.
#
#   scripts/bench-wine.sh [RUNS [large|small]]   (default 15 runs, the fastest of each counts;
#                                                 a scene named runs that model only)
#
# The scenes (a 522 MB model, 100,000 small solids, a 4096 x 4096 bump texture) are written
# by the native scene writer into build/bench-wine-data when that folder has none (remove it
# to have them written again); the writer's last file, largest-part-bytes.txt, marks them done. Not part of the test command.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
missing=""
for package in libjpeg62-turbo-dev libpng-dev libdeflate-dev; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
if [ -n "$missing" ] && [ "$(id -u)" -eq 0 ]; then
    echo "bench-wine: installing$missing"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

cmake -S "$root" -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVEX_BUILD_BENCH=ON \
      -DORVEX_BUILD_TESTS=OFF >/dev/null
cmake --build build/bench -j"${JOBS:-2}" --target bench_wine_scenes
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j"${JOBS:-2}" --target OrvexExchange OrvexApiNull bench-empty bench-plain-read \
      bench-window launch-bench
# The program runs from the benchmark's folder, where its renderer library is the null one.
cp build/mingw/bin/OrvexExchange.exe build/mingw/bench-wine/

data="$root/build/bench-wine-data"
writer="$root/build/bench/bench/bench_wine_scenes"
if [ ! -f "$data/largest-part-bytes.txt" ]; then
    rm -rf "$data"
    mkdir -p "$data"
    "$writer" "$data"
fi
# The first start of each benchmark run generates the normal map anew.
rm -f "$data/maps/Quorvel/Planomat2027_OrvexPlugin/Data/Textures/wood.jpg_Normal.png"

echo "machine: $(nproc) x $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), $(wine --version 2>/dev/null)"
echo "load before: $(uptime | sed 's/.*load average/load average/')"
xvfb-run -a "$root/cmake/wine-run.sh" "$root/build/mingw/bench-wine/launch-bench.exe" "$root/build/mingw/bench-wine" "$data" "${1:-15}" ${2:+"$2"}
echo "load after: $(uptime | sed 's/.*load average/load average/')"
