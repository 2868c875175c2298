#!/usr/bin/env bash
# The main job, end to end: writes the sample house into a fresh data folder, starts
# OrvexExchange.exe under Wine with the stand-in renderer, and lets the host simulator play a
# session: start-up, a camera move, saved views, an incremental change (walls edited, the
# shed deleted, the ceiling lamp moved, the plaster recoloured) and a switch to another
# project. Prints what reached the renderer after each step, then where the journal, the log,
# the glTF preview and the scene page of the sample scene are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"

jobs=$(nproc)
echo "building (native tools and the Windows program)..."
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs" --target orvex-sample-scene orvex-inspect >/dev/null
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j"$jobs" >/dev/null

demo="$root/build/demo"
rm -rf "$demo"
appdata="$demo/appdata"
data="$appdata/Quorvel/Planomat2027_OrvexPlugin/Data"
steps="$demo/steps"
build/native/orvex-sample-scene "$data" "$steps"

echo
echo "running the host session under Wine..."
xvfb-run -a "$root/cmake/wine-run.sh" build/mingw/bin/host-sim.exe \
  --appdata "$appdata" --journal "$demo/journal.jsonl" \
  start report \
  copy:"$steps/camera_moved.cam"=camera.cam post:1025 sleep:300 report \
  post:1029 sleep:300 report \
  post:1026 wait:1137 copy:"$steps/change.sm"=_mod.sm post:1027 post:1026 wait:1137 report \
  copy:"$steps/switch.sm"=_mod.sm post:1027 post:1026 wait:1137 report \
  close exit

inspect=build/native/tools/inspect/orvex-inspect
[[ -x $inspect ]] || inspect=$(find build/native -name orvex-inspect -type f -perm -u+x | head -1)
echo
if [[ -n $inspect ]] && "$inspect" --gltf "$demo/sample.glb" "$data" >/dev/null 2>&1; then
  echo "glTF preview of the sample scene: $demo/sample.glb"
fi
# The scene page beside it (status 1 only says the page lists problems).
page_status=0
[[ -n $inspect ]] && "$inspect" --html "$demo/sample.html" "$data" >/dev/null 2>&1 || page_status=$?
if [[ -n $inspect ]] && ((page_status < 2)); then
  echo "scene page of the sample scene (open it in a browser): $demo/sample.html"
fi
echo "renderer journal (one JSON line per call): $demo/journal.jsonl"
echo "program log: $appdata/Quorvel/Planomat2027_OrvexPlugin/DataOrvex_Log.log"
echo "sync-state file for the host: $data/_mod.sync"
