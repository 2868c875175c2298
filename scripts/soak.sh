#!/usr/bin/env bash
# The soak benchmark: OrvexExchange.exe under Wine through ROUNDS rounds (default 1000) of
# 1026 -> rewrite "_mod.sm" -> 1027 on a medium scene; prints time per round and the
# program's memory and handles after start-up and at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j"$(nproc)" --target soak OrvexExchange OrvexApi >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb-run -a "$root/cmake/wine-run.sh" build/mingw/bin/soak.exe --rounds "${1:-1000}" --appdata "$work"
