#!/usr/bin/env bash
# Installs what the build and every test tier need on a fresh Debian 12 machine (as root).
# Packages already present are not asked for again, so repeated runs cost a second.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev googletest libbenchmark-dev
  zlib1g-dev libstb-dev libpng-dev
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine64 xvfb xauth
  clang libclang-rt-14-dev
  zip unzip osslsigncode openssl
  chromium
)

missing=()
# The JavaScript tools run on Node.js; a machine that has node and npm from elsewhere keeps them
# (Debian's npm conflicts with other Node.js builds).
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The npm packages at the versions package-lock.json pins: three.js (compiled into the
# inspector's scene page), puppeteer-core (drives chromium in the browser tests) and the glTF
# validator. Installed again only when the lock file changed.
installed="$root/node_modules/.orvex-installed-lock.json"
if ! cmp -s "$root/package-lock.json" "$installed"; then
  echo "setup: npm ci (package-lock.json)"
  (cd "$root" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  cp "$root/package-lock.json" "$installed"
fi
