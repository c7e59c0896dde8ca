#!/usr/bin/env bash
# Batch throughput of whole zkopt runs: the geometry pipeline (weld, check, strip) over every
# model of Debian's assimp-testmodels that Assimp imports, with --jobs 1 and --jobs 2, then the
# same scenes through Ninja and a rerun with nothing changed. Prints wall and CPU time (the
# workers' included), scenes per second and the speed-up.
# Usage: bench/batch_models.sh [BUILD_DIR]   (a Release build is the one to measure)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
zkopt=$build/bin/zkopt
config=tests/models/geometry.ini
models=/usr/share/assimp/models
[ -x "$zkopt" ] || { echo "batch_models: no $zkopt; build it first" >&2; exit 2; }
[ -d "$models" ] || { echo "batch_models: no $models; apt-get install assimp-testmodels" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A tree of links to the models, so that a model's own files (materials, textures) stay beside
# it. The models Assimp refuses are taken out; a model can need a file that was taken out as a
# model of its own, so this repeats until nothing more is refused.
cp -rs "$models" "$work/models"
for round in 1 2 3; do
  rm -rf "$work/probe"
  "$zkopt" run --config "$config" --out-dir "$work/probe" --jobs 2 --report "$work/probe.json" "$work/models" \
    > /dev/null 2>&1 || true
  refused=$(python3 - "$work/probe.json" <<'PY'
import json, os, sys
report = json.load(open(sys.argv[1]))
refused = [s["input"] for s in report["scenes"] if s["result"] != "written"]
for path in refused:
    os.remove(path)
print(len(refused))
PY
)
  echo "round $round: $refused models refused and taken out"
  [ "$refused" -eq 0 ] && break
done

TIMEFORMAT='%R %U %S'
measure() { # label, command...: prints the label, wall, CPU (user+sys, children included)
  local label=$1; shift
  local t; t=$( { time "$@" > "$work/last.out" 2> "$work/last.err"; } 2>&1 ) || true
  read -r wall user sys <<< "$t"
  echo "$label $wall $(awk "BEGIN{print $user + $sys}")"
}
scenes=$(python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['summary']['written'])" "$work/probe.json")
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for jobs in 1 2; do
  read -r label wall cpu <<< "$(measure "jobs$jobs" "$zkopt" run --config "$config" --out-dir "$work/out$jobs" --jobs "$jobs" "$work/models")"
  eval "wall$jobs=$wall"
  printf -- "--jobs %d: %d scenes in %.2f s wall, %.2f s CPU: %.2f scenes/s (%s)\n" "$jobs" "$scenes" "$wall" "$cpu" \
    "$(awk "BEGIN{print $scenes / $wall}")" "$(head -1 "$work/last.out" | sed 's/^zkopt: //')"
done
printf "speed-up --jobs 2 over --jobs 1: %.2f\n" "$(awk "BEGIN{print $wall1 / $wall2}")"

"$zkopt" ninja --config "$config" --out-dir "$work/ninja" "$work/models" > /dev/null
read -r label wall cpu <<< "$(measure first ninja -C "$work/ninja" -j 2 -k 0)"
printf "ninja, first build: %.2f s wall, %.2f s CPU\n" "$wall" "$cpu"
read -r label wall cpu <<< "$(measure rerun ninja -C "$work/ninja")"
printf "ninja, nothing changed: %.3f s wall, %.3f s CPU (%s)\n" "$wall" "$cpu" "$(tail -1 "$work/last.out")"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
