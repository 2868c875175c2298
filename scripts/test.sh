#!/usr/bin/env bash
# Runs every test tier from a clean or existing build: native unit tests, the same tests with
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows tier (platform and end-to-end
# scenarios) through Wine under Xvfb, and the release checks on the Windows tier's build
# (scripts/release-check.sh). Ends with the test runners' summaries.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh" || exit 1

jobs=$(nproc)
status=0
summary=()

run_tier() {
  local name=$1; shift
  echo "=== $name"
  if "$@"; then summary+=("$name: passed"); else summary+=("$name: FAILED"); status=1; fi
}

native() {
  cmake --preset native >/dev/null && cmake --build --preset native -j"$jobs" &&
    ctest --preset native -j"$jobs"
}
sanitized() {
  cmake --preset native-asan >/dev/null && cmake --build --preset native-asan -j"$jobs" &&
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset native-asan -j"$jobs"
}
windows() {
  cmake --preset mingw >/dev/null && cmake --build --preset mingw -j"$jobs" &&
    xvfb-run -a ctest --preset mingw -j2
}

run_tier "native unit tests" native
run_tier "sanitized unit tests" sanitized
if [[ -x "$root/scripts/fuzz.sh" ]]; then run_tier "fuzz (short)" "$root/scripts/fuzz.sh" --short; fi
run_tier "windows tier under wine" windows
run_tier "release checks" xvfb-run -a "$root/scripts/release-check.sh"

echo "=== summary"
printf '%s\n' "${summary[@]}"
exit $status
