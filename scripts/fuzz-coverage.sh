#!/usr/bin/env bash
# Line coverage of the readers from the committed fuzz corpus, with clang's source-based
# coverage: builds the fuzz targets as replays (preset "fuzz-coverage"), feeds each its corpus
# (fuzz/corpus/<target>/) and kept findings (fuzz/regressions/<target>/), merges the profiles
# and reports every reader file. Also writes, under build/fuzz-coverage/coverage/,
# uncovered.txt (each reader's lines never run, with their text) and html/ (the annotated
# sources).
#
#   scripts/fuzz-coverage.sh          exits non-zero when a reader file is below the floor
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

floor=90 # per cent of lines, per reader file

targets=(fuzz_container fuzz_model_block fuzz_change_directory fuzz_camera fuzz_views
         fuzz_material fuzz_extend_material fuzz_light fuzz_normal_map)
readers=(
  src/core/container_reader.h src/core/container_reader.cpp src/core/container_header.cpp
  src/model/block_reader.cpp src/model/model_block.cpp src/model/change_tracking.cpp
  src/core/keyed_block_reader.cpp src/materials/material_block.cpp src/lights/light_block.cpp
  src/records/camera.cpp src/records/views.cpp
  src/image/png_seal.cpp
)

build=$root/build/fuzz-coverage
out=$build/coverage
cmake --preset fuzz-coverage >/dev/null
cmake --build --preset fuzz-coverage -j2 >/dev/null
rm -rf "$out"
mkdir -p "$out"

objects=()
for target in "${targets[@]}"; do
  inputs=("$root/fuzz/corpus/$target")
  [[ -d $root/fuzz/regressions/$target ]] && inputs+=("$root/fuzz/regressions/$target")
  LLVM_PROFILE_FILE="$out/$target.profraw" "$build/fuzz/${target}_replay" "${inputs[@]}" >/dev/null
  objects+=(-object "$build/fuzz/${target}_replay")
done
llvm-profdata merge -sparse "$out"/*.profraw -o "$out/corpus.profdata"

# The first object is named without -object.
cov=("${objects[@]:1}" -instr-profile="$out/corpus.profdata")
llvm-cov report "${cov[@]}" "${readers[@]/#/$root/}" | tee "$out/report.txt"
llvm-cov show "${cov[@]}" -format=html -output-dir="$out/html" "${readers[@]/#/$root/}" >/dev/null 2>&1
llvm-cov show "${cov[@]}" "${readers[@]/#/$root/}" 2>/dev/null |
  awk '/^\/.*:$/ { file = $0 } /^ *[0-9]+\| *0\|/ { print file " " $0 }' | sed "s|$root/||" >"$out/uncovered.txt"

# Lines column: the fourth-from-last field is the percentage of lines covered.
below=$(awk -v floor="$floor" '$1 ~ /\.(cpp|h)$/ {
          lines = $(NF - 3); sub("%", "", lines); if (lines + 0 < floor) print $1 " " lines "%" }' "$out/report.txt")
if [[ -n $below ]]; then
  echo "below ${floor}% of lines:"
  echo "$below" | sed 's/^/  /'
  exit 1
fi
echo "every reader file at ${floor}% of lines or more (uncovered lines: $out/uncovered.txt)"
