#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, AddressSanitizer, UndefinedBehavior-
# Sanitizer), writes their seed corpora and dictionaries, replays the inputs of earlier
# findings kept in fuzz/regressions/<target>/, then fuzzes every target from its seeds and
# the committed corpus (fuzz/corpus/<target>/, which every input of it runs first).
#
#   scripts/fuzz.sh --short           every target for a bounded time (the test command's run)
#   scripts/fuzz.sh [--seconds N]     a longer run, N seconds per target (default 600)
#   scripts/fuzz.sh --only NAME ...   limit any run to the named targets
#   scripts/fuzz.sh --update-corpus   after the run, replace each committed corpus by the
#                                     smallest set of its inputs and the run's with the same
#                                     coverage (libFuzzer's -merge=1 into an empty folder)
#
# Runs FUZZ_PARALLEL targets at a time (default two). libFuzzer's time-out counts wall-clock
# seconds: FUZZ_TIMEOUT (default 10) raises it for runs that share the machine at low priority.
# Exits non-zero when any target reports a crash, leak, hang, undefined behaviour or an
# allocation past its limit; the input is kept in build/fuzz/artifacts/<target>/ and the report
# in build/fuzz/logs/<target>.log, which ends with the CPU time the target had.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=600
short=0
update=0
only=()
while (($#)); do
  case $1 in
    --short) short=1; seconds=25 ;;
    --seconds) seconds=$2; shift ;;
    --only) only+=("$2"); shift ;;
    --update-corpus) update=1 ;;
    *) echo "fuzz.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

# Target, largest input in bytes: room for every record the target reads, and no more, since
# an input's reading is bounded by a few passes over its bytes, so the largest input sets the
# slowest run. The container's is a header's kept part (5,196 bytes) and a block with an
# array past the 16 KB of a direct read; a model block's reaches every record in 16 KB.
targets=(
  "fuzz_container 32768"
  "fuzz_model_block 16384"
  "fuzz_change_directory 16384"
  "fuzz_camera 8192"
  "fuzz_views 16384"
  "fuzz_material 16384"
  "fuzz_extend_material 8192"
  "fuzz_light 8192"
  "fuzz_normal_map 8192"
)
parallel=${FUZZ_PARALLEL:-2}

build=$root/build/fuzz
cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j"$(nproc)" || exit 1
"$build/fuzz/orvex_fuzz_seeds" "$build" || exit 1
mkdir -p "$build/logs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_target() {
  local name=$1 maxlen=$2 bin=$build/fuzz/$1
  local log=$build/logs/$name.log artifacts=$build/artifacts/$name/
  mkdir -p "$artifacts"
  : >"$log"
  # Inputs are chosen for mutation by how rare their features are and, with
  # -entropic_scale_per_exec_time, by how fast they run: a block naming one part hundreds of
  # times runs ten times longer than most and would otherwise take most of the time.
  local common=(-rss_limit_mb=2048 -timeout="${FUZZ_TIMEOUT:-10}" -max_len="$maxlen" -artifact_prefix="$artifacts"
                -dict="$build/dict/$name.dict" -entropic_scale_per_exec_time=1 -print_final_stats=1)
  # Earlier findings first: each must now pass.
  local kept=("$root/fuzz/regressions/$name"/*)
  if [[ -e ${kept[0]} ]]; then
    if ! "$bin" "${common[@]}" "${kept[@]}" >>"$log" 2>&1; then
      echo "$name: FAILED on a kept regression input (see $log)"
      return 1
    fi
  fi
  local committed=$root/fuzz/corpus/$name corpora=("$build/corpus/$name")
  [[ -d $committed ]] && corpora+=("$committed")
  if ! "$bin" "${common[@]}" -max_total_time="$seconds" "${corpora[@]}" >>"$log" 2>&1; then
    echo "$name: FAILED (see $log; input in $artifacts)"
    grep -m3 -E "ERROR|runtime error|SUMMARY" "$log" | sed 's/^/    /'
    return 1
  fi
  # The CPU time of this target's processes (the second line: user, system), for reading its
  # figures on a shared machine (times runs in this shell: in a pipe it would see no children).
  { echo "cpu:"; times; } >>"$log"
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "$name: passed, ${runs:-?} runs in ${seconds}s"
  if ((update)); then
    local merged=$build/merged/$name
    rm -rf "$merged" && mkdir -p "$merged"
    "$bin" -merge=1 -max_len="$maxlen" -rss_limit_mb=2048 "$merged" "${corpora[@]}" >>"$log" 2>&1 &&
      rm -rf "$committed" && mv "$merged" "$committed" &&
      echo "$name: corpus now $(ls "$committed" | wc -l) inputs, $(du -sk "$committed" | cut -f1) KB"
  fi
}

selected=()
for entry in "${targets[@]}"; do
  read -r name maxlen <<<"$entry"
  if ((${#only[@]})) && [[ ! " ${only[*]} " == *" $name "* ]]; then continue; fi
  selected+=("$name $maxlen")
done

echo "fuzzing ${#selected[@]} targets, ${seconds}s each, $parallel at a time"
results=$(mktemp)
trap 'rm -f "$results"' EXIT
pids=()
for entry in "${selected[@]}"; do
  read -r name maxlen <<<"$entry"
  while (($(jobs -rp | wc -l) >= parallel)); do wait -n; done
  { run_target "$name" "$maxlen"; echo "$name $?" >>"$results"; } &
  pids+=($!)
done
wait

passed=$(awk '$2 == 0' "$results" | wc -l)
failed=$(awk '$2 != 0' "$results" | wc -l)
echo "fuzz: $passed passed, $failed failed"
((failed == 0))
