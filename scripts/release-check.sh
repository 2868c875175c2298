#!/usr/bin/env bash
# The release's own tests. The test command runs them after the Windows tier, whose build and
# Wine prefix they use, under an X display (xvfb-run -a). One line per check; the script ends
# non-zero when any fails.
#   contents      scripts/release.sh into a scratch folder: the exact file list of both zips in
#                 name order, SHA256SUMS, the test pack's OrvexExchange.exe the same as the
#                 release's, no time stamp and no path of this tree in the programs, and the
#                 version block read back from both (windres) and from orvex-inspect --version
#                 under Wine
#   signature     a throwaway certificate made here (openssl), a release signed with it, and
#                 osslsigncode verify on both programs
#   test pack     unzipped into a fresh folder outside the tree whose path holds a blank and a
#                 non-ASCII letter: run-tests.cmd under Wine ends "N passed, 0 failed", N being
#                 the Windows tier's count, with exit code 0; run-demo.cmd plays its session
#   reproducible  the last commit built in two trees at different paths (this one, when it holds
#                 no changes, and a clone; else two clones), one after the other with another
#                 time zone and umask: byte-identical programs (stripped or not) and zip
#
#   scripts/release-check.sh [contents] [signature] [test_pack] [reproducible]   (default: all)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

version=$(head -n 1 VERSION)
name=OrvexExchange-$version-win64
commit=$(git rev-parse HEAD)
[[ -z $(git status --porcelain --untracked-files=no) ]] || commit=$commit-modified
export ORVEX_WINEPREFIX=$root/build/mingw/wineprefix
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

check() { # TITLE COMMAND...: runs a check, says how it went
  local title=$1; shift
  local began=$SECONDS
  if "$@" >"$work/check.log" 2>&1; then
    echo "ok   $title ($((SECONDS - began)) s)"
  else
    echo "FAIL $title ($((SECONDS - began)) s)"
    sed 's/^/     /' "$work/check.log"
    failures=$((failures + 1))
  fi
}

# Fails with both texts shown when they differ.
same() { # WHAT EXPECTED ACTUAL
  [[ $2 == "$3" ]] && return 0
  printf '%s differs\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
  return 1
}

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# A VALUE line of a program's version block, as windres prints it.
version_value() { # RC_TEXT KEY
  sed -n "s/^ *VALUE \"$2\", \"\(.*\)\"$/\1/p" <<<"$1"
}

version_block() { # EXE ORIGINAL_FILENAME
  local rc numbers
  rc=$(x86_64-w64-mingw32-windres -i "$1" -O rc) || return 1
  numbers="${version//./, }, 0"
  same "$2 file version" "FILEVERSION $numbers" "$(grep -o 'FILEVERSION .*' <<<"$rc")" &&
    same "$2 product version numbers" "PRODUCTVERSION $numbers" "$(grep -o 'PRODUCTVERSION .*' <<<"$rc")" &&
    same "$2 FileVersion" "$version" "$(version_value "$rc" FileVersion)" &&
    same "$2 ProductVersion" "$version+$commit" "$(version_value "$rc" ProductVersion)" &&
    same "$2 SourceCommit" "$commit" "$(version_value "$rc" SourceCommit)" &&
    same "$2 OriginalFilename" "$2" "$(version_value "$rc" OriginalFilename)"
}

contents() {
  scripts/release.sh --dist "$work/dist" || return 1
  local main=$work/dist/$name.zip pack=$work/dist/$name-tests.zip expected
  expected=$(printf '%s\n' OrvexExchange.exe SHA256SUMS deployment.md licences/gcc-runtime.txt \
    licences/mingw-w64-runtime.txt licences/three.js.txt licences/zlib.txt orvex-inspect.exe)
  same "release zip entries" "$expected" "$(unzip -Z1 "$main")" || return 1

  build/native/orvex-sample-scene "$work/sample/data" "$work/sample/steps" >/dev/null || return 1
  expected=$({
    printf '%s\n' README.txt run-tests.cmd run-demo.cmd renderer-standin/OrvexApi.dll \
      bin/OrvexExchange.exe bin/host-sim.exe bin/test-runner.exe licences/gcc-runtime.txt \
      licences/googletest.txt licences/mingw-w64-runtime.txt licences/zlib.txt
    sed '/^$/d; s|^|bin/|' build/mingw/windows-tests.txt
    (cd "$work" && find sample -type f)
  } | LC_ALL=C sort)
  same "test pack entries" "$expected" "$(unzip -Z1 "$pack")" || return 1

  mkdir -p "$work/release" "$work/pack"
  unzip -q "$main" -d "$work/release" && unzip -q "$pack" -d "$work/pack" || return 1
  (cd "$work/release" && sha256sum --quiet -c SHA256SUMS) || return 1
  cmp "$work/release/OrvexExchange.exe" "$work/pack/bin/OrvexExchange.exe" || return 1
  for program in "$work/release/OrvexExchange.exe" "$work/release/orvex-inspect.exe"; do
    # No link time in the PE header, no folder of this tree inside.
    grep -q '^Time/Date.*1970$' <<<"$(x86_64-w64-mingw32-objdump -p "$program")" ||
      { echo "$program has a time stamp"; return 1; }
    ! grep -q -F "$root" "$program" || { echo "$program holds the path $root"; return 1; }
  done
  version_block "$work/release/OrvexExchange.exe" OrvexExchange.exe &&
    version_block "$work/release/orvex-inspect.exe" orvex-inspect.exe || return 1
  same "orvex-inspect --version" "orvex-inspect $version (commit $commit)" \
    "$(cmake/wine-run.sh "$work/release/orvex-inspect.exe" --version | tr -d '\r')"
}

signature() {
  local keys=$work/keys
  mkdir -p "$keys"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Orvex Exchange test signing" \
    -addext extendedKeyUsage=codeSigning -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null &&
    openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" -out "$keys/sign.pfx" \
      -passout pass:throwaway || return 1
  ORVEX_SIGN_PFX=$keys/sign.pfx ORVEX_SIGN_PASSWORD=throwaway \
    scripts/release.sh --programs-only --dist "$work/signed" || return 1
  unzip -q "$work/signed/$name.zip" -d "$work/signed/release" || return 1
  (cd "$work/signed/release" && sha256sum --quiet -c SHA256SUMS) || return 1
  for program in OrvexExchange.exe orvex-inspect.exe; do
    osslsigncode verify -in "$work/signed/release/$program" -CAfile "$keys/cert.pem" || return 1
  done
  # An unsigned program must not pass the same verification.
  ! osslsigncode verify -in build/mingw/bin/OrvexExchange.exe -CAfile "$keys/cert.pem"
}

test_pack() {
  local folder="$work/unzipped/Orvex test pack ü" output tests summary
  mkdir -p "$folder" && unzip -q "$work/dist/$name-tests.zip" -d "$folder" || return 1
  tests=$(ctest --preset mingw -N | sed -n 's/^Total Tests: //p')
  [[ -n $tests ]] || { echo "the Windows tier lists no tests"; return 1; }
  output=$(cmake/wine-run.sh cmd /c "$(windows_path "$folder")\\run-tests.cmd") || {
    printf '%s\nrun-tests.cmd ended with a failure\n' "$output"; return 1; }
  summary=$(tr -d '\r' <<<"$output" | tail -n 1)
  same "run-tests.cmd's closing line" "$tests passed, 0 failed" "$summary" || { echo "$output"; return 1; }
  output=$(cmake/wine-run.sh cmd /c "$(windows_path "$folder")\\run-demo.cmd") || {
    printf '%s\nrun-demo.cmd ended with a failure\n' "$output"; return 1; }
  grep -q '^ok   exit' <<<"$output" || { echo "$output"; return 1; }
}

# Clones the last commit into a folder.
clone_commit() { # FOLDER
  git init -q "$1" && git -C "$1" fetch -q "$root" HEAD && git -C "$1" checkout -q FETCH_HEAD
}

# The release made in two trees at different paths, one after the other, with different time
# zones and umasks. This tree is one of them when it holds the last commit unchanged (as in CI);
# otherwise a first clone takes its place.
reproducible() {
  local first=$root first_dist=$work/here second=$work/elsewhere/second/clone file
  if [[ $commit == *-modified ]]; then
    first=$work/one/OrvexExchange first_dist=$first/dist
    clone_commit "$first" || return 1
  fi
  (cd "$first" && umask 022 && TZ=UTC scripts/release.sh --programs-only --dist "$first_dist") || return 1
  clone_commit "$second" || return 1
  (cd "$second" && umask 002 && TZ=Pacific/Auckland scripts/release.sh --programs-only --dist "$second/dist") || return 1
  for file in build/mingw/bin/OrvexExchange.exe build/mingw/tools/inspect/orvex-inspect.exe; do
    cmp "$first/$file" "$second/$file" || return 1
  done
  cmp "$first_dist/$name.zip" "$second/dist/$name.zip"
}

# Any names given choose among the checks; test_pack needs contents.
wanted() { ((${#checks[@]} == 0)) || [[ " ${checks[*]} " == *" $1 "* ]]; }
checks=("$@")
wanted contents && check "contents of both zips and the version blocks" contents
wanted signature && check "signed with a throwaway certificate, verified" signature
wanted test_pack && check "test pack unzipped outside the tree, run under Wine" test_pack
wanted reproducible && check "reproducible: two trees at different paths give the same bytes" reproducible
((failures == 0))
