#!/usr/bin/env bash
# Makes the release into dist/ (or the folder given with --dist):
#   OrvexExchange-<version>-win64.zip        OrvexExchange.exe, orvex-inspect.exe, the deployment
#                                            guide, the licences of the code compiled into them
#                                            and SHA256SUMS; never an OrvexApi.dll
#   OrvexExchange-<version>-win64-tests.zip  the test pack for Windows machines: the Windows-side
#                                            test programs beside the same OrvexExchange.exe, the
#                                            host simulator, the stand-in renderer in a folder of
#                                            its own, the sample data, run-tests.cmd, run-demo.cmd
# <version> is the first line of VERSION. The programs come from the mingw build (build/mingw),
# stripped; the sample data from the native sample writer (build/native).
#
# Signing: when ORVEX_SIGN_PFX names a PKCS#12 file (its password in ORVEX_SIGN_PASSWORD), both
# programs are signed with Authenticode (SHA-256) by osslsigncode before anything is zipped;
# otherwise they stay unsigned, and the command says so.
#
# The same commit gives the same bytes wherever and whenever it is built: no time stamps or
# build folders in the programs; zip entries in byte order of their names, each dated at the
# commit's time (or SOURCE_DATE_EPOCH) with the same mode, and no other attributes.
#
#   scripts/release.sh [--dist DIR] [--programs-only]
#
# --programs-only builds only the two programs and writes only the first zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"

dist=$root/dist
programs_only=0
while (($#)); do
  case $1 in
    --dist) dist=$2; shift ;;
    --programs-only) programs_only=1 ;;
    *) echo "release.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

version=$(head -n 1 VERSION)
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
name=OrvexExchange-$version-win64
windows=build/mingw
jobs=$(nproc)
mkdir -p build "$dist"
dist=$(cd "$dist" && pwd)
stage=$(mktemp -d "$root/build/release.XXXXXX")
trap 'rm -rf "$stage"' EXIT

# Runs a build step with its output kept aside, shown only when it fails.
quietly() {
  "$@" >"$stage/step.log" 2>&1 || { cat "$stage/step.log" >&2; echo "release.sh: failed: $*" >&2; exit 1; }
}

echo "release $version: building the Windows programs..."
quietly cmake --preset mingw
if ((programs_only)); then
  quietly cmake --build --preset mingw -j"$jobs" --target OrvexExchange orvex-inspect
else
  quietly cmake --build --preset mingw -j"$jobs"
  quietly cmake --preset native
  quietly cmake --build --preset native -j"$jobs" --target orvex-sample-scene
fi

# Copies a Windows program without its symbols and debug information. strip stamps the PE
# header with SOURCE_DATE_EPOCH (else with the current time): 0, as the linker leaves it.
strip_to() {
  mkdir -p "$(dirname "$2")"
  SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip --strip-all -o "$2" "$1"
}

# Writes a text file with CR LF line ends, as cmd.exe and Notepad want them.
crlf_to() {
  mkdir -p "$(dirname "$2")"
  sed 's/\r*$/\r/' "$1" >"$2"
}

# The licence texts, from the Debian packages that provide the code compiled in: zlib, the
# mingw-w64 runtime (C runtime start-up and winpthreads) and the GCC runtime libraries
# (libstdc++, libgcc), all linked statically.
licences_to() {
  mkdir -p "$1"
  cp /usr/share/doc/libz-mingw-w64-dev/copyright "$1/zlib.txt"
  cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$1/mingw-w64-runtime.txt"
  cp /usr/share/doc/gcc-mingw-w64-x86-64-posix/copyright "$1/gcc-runtime.txt"
}

# Zips a staged folder: entries in byte order of their names, no folder entries, each file
# dated at the release's time in UTC with mode 0644, and no extra attributes (-X).
zip_folder() {
  local folder=$1 zip=$2
  rm -f "$zip"
  find "$folder" -type f -exec chmod 0644 {} + -exec touch -d "@$epoch" {} +
  (cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort |
    TZ=UTC zip -X -D -q -9 "$zip" -@)
}

programs=$stage/programs
strip_to "$windows/bin/OrvexExchange.exe" "$programs/OrvexExchange.exe"
strip_to "$windows/tools/inspect/orvex-inspect.exe" "$programs/orvex-inspect.exe"

if [[ -n ${ORVEX_SIGN_PFX:-} ]]; then
  [[ -f $ORVEX_SIGN_PFX ]] || { echo "release.sh: ORVEX_SIGN_PFX: no such file: $ORVEX_SIGN_PFX" >&2; exit 1; }
  for program in OrvexExchange.exe orvex-inspect.exe; do
    # The password goes through a pipe, never onto a command line or into a file. A file
    # without a password is opened without one (osslsigncode reads no empty password).
    options=(-h sha256 -n "Orvex Exchange" -in "$programs/$program" -out "$programs/$program.signed")
    if [[ -n ${ORVEX_SIGN_PASSWORD:-} ]]; then
      quietly osslsigncode sign -pkcs12 "$ORVEX_SIGN_PFX" -readpass <(printf '%s' "$ORVEX_SIGN_PASSWORD") "${options[@]}"
    else
      quietly osslsigncode sign -pkcs12 "$ORVEX_SIGN_PFX" "${options[@]}"
    fi
    mv "$programs/$program.signed" "$programs/$program"
  done
  signing="signed with $(basename "$ORVEX_SIGN_PFX") (Authenticode, SHA-256)"
else
  signing="UNSIGNED: set ORVEX_SIGN_PFX (a PKCS#12 file) and ORVEX_SIGN_PASSWORD to sign them"
fi

release=$stage/release
mkdir -p "$release"
cp "$programs/OrvexExchange.exe" "$programs/orvex-inspect.exe" "$release/"
cp docs/deployment.md "$release/deployment.md"
licences_to "$release/licences"
# three.js (MIT) is compiled into the inspector, which writes it into its scene pages.
cp node_modules/three/LICENSE "$release/licences/three.js.txt"
(cd "$release" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs -d '\n' sha256sum >"$stage/SHA256SUMS")
mv "$stage/SHA256SUMS" "$release/SHA256SUMS"
zip_folder "$release" "$dist/$name.zip"
made=("$dist/$name.zip")

if ((!programs_only)); then
  pack=$stage/tests
  mkdir -p "$pack/bin"
  cp "$programs/OrvexExchange.exe" "$pack/bin/OrvexExchange.exe"
  strip_to "$windows/bin/host-sim.exe" "$pack/bin/host-sim.exe"
  strip_to "$windows/bin/test-runner.exe" "$pack/bin/test-runner.exe"
  while read -r test; do
    [[ -n $test ]] && strip_to "$windows/bin/$test" "$pack/bin/$test"
  done <"$windows/windows-tests.txt"
  strip_to "$windows/renderer-standin/OrvexApi.dll" "$pack/renderer-standin/OrvexApi.dll"
  quietly build/native/orvex-sample-scene "$pack/sample/data" "$pack/sample/steps"
  for file in run-tests.cmd run-demo.cmd README.txt; do
    crlf_to "tools/test-pack/$file" "$pack/$file"
  done
  licences_to "$pack/licences"
  cp /usr/share/doc/googletest/copyright "$pack/licences/googletest.txt"
  zip_folder "$pack" "$dist/$name-tests.zip"
  made+=("$dist/$name-tests.zip")
fi

echo "programs: $signing"
if [[ -n $(git status --porcelain --untracked-files=no) ]]; then
  echo "NOTE: the tree holds uncommitted changes, so the programs name their commit as $(git rev-parse HEAD)-modified"
fi
for zip in "${made[@]}"; do
  echo "$zip ($(stat -c %s "$zip") bytes, sha256 $(sha256sum "$zip" | cut -d' ' -f1))"
done
