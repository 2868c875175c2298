#!/usr/bin/env bash
# Validates binary glTF files with the Khronos glTF validator (the npm package gltf-validator,
# pinned in package.json and installed by scripts/setup.sh). Arguments: .glb files, or folders
# whose .glb files are all checked. Prints each file's errors and warnings; exits non-zero when
# any file has an error or a warning, or when the validator cannot be had.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
module="$root/node_modules/gltf-validator"

if ! command -v node >/dev/null || [[ ! -f $module/package.json ]]; then
  echo "gltf-validate: node and the npm packages are needed: run scripts/setup.sh" >&2
  exit 1
fi

files=()
for arg in "$@"; do
  if [[ -d $arg ]]; then
    for f in "$arg"/*.glb; do [[ -e $f ]] && files+=("$f"); done
  else
    files+=("$arg")
  fi
done
if ((${#files[@]} == 0)); then
  echo "gltf-validate: no .glb files given" >&2
  exit 1
fi
GLTF_VALIDATOR_MODULE="$module" exec node "$root/scripts/gltf-validate.cjs" "${files[@]}"
