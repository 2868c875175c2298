#!/usr/bin/env bash
# Validates binary glTF files with the Khronos glTF validator (the npm package gltf-validator,
# installed into build/node on first use). Arguments: .glb files, or folders whose .glb files
# are all checked. Prints each file's errors and warnings; exits non-zero when any file has an
# error or a warning, or when the validator cannot be had.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix="$root/build/node"
version=2.0.0-dev.3.10

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "gltf-validate: node and npm are needed (Debian packages nodejs and npm)" >&2
  exit 1
fi
module="$prefix/node_modules/gltf-validator"
if [[ ! -f "$module/package.json" ]] || ! grep -q "\"version\": \"$version\"" "$module/package.json"; then
  mkdir -p "$prefix"
  echo "gltf-validate: installing gltf-validator $version into $prefix"
  npm install --prefix "$prefix" --no-audit --no-fund --loglevel=error "gltf-validator@$version" >&2
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
