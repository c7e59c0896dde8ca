#!/usr/bin/env bash
# Exports the sample scene and the models listed in models.txt to glTF with zkopt convert and
# checks every export with the Khronos validator (tools/validate). Fails on any validator error.
# Exits 77 (reported as skipped) when node is not installed; scripts/setup installs it.
#
#   validate_exports.sh ZKOPT WORK_DIR
set -uo pipefail
zkopt=$1
work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
models=/usr/share/assimp/models

if ! command -v node >/dev/null 2>&1; then
    echo "SKIPPED: node is not installed, so the glTF exports are not validated (scripts/setup installs it)"
    exit 77
fi
if [ ! -f "$root/tools/validate/node_modules/gltf-validator/package.json" ]; then
    echo "the glTF validator is missing: run scripts/setup (npm ci in tools/validate)"
    exit 1
fi
if [ ! -d "$models" ]; then
    echo "$models is missing: run scripts/setup (Debian package assimp-testmodels)"
    exit 1
fi

# Under the sanitizers, leaks inside Assimp's own importers are not ours (see tests/models).
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$root/tests/models/lsan.supp"

rm -rf "$work"
mkdir -p "$work"
failed=0
exports=()
# Every model in both glTF forms, so that the embedded and the binary writer are both checked.
export_one() {
    local input=$1 stem=$2
    for form in gltf glb; do
        local output="$work/$stem.$form"
        if ! "$zkopt" convert "$input" "$output" >"$work/$stem.$form.log" 2>&1; then
            echo "zkopt could not export $input:"
            cat "$work/$stem.$form.log"
            failed=1
            continue
        fi
        exports+=("$output")
    done
}

export_one "$root/examples/sample.zks.json" sample
# Every bundled pipeline's result, written as glTF by the run itself (external images included).
for config in "$root"/examples/*.ini; do
    stem=$(basename "$config" .ini)
    scene="$root/examples/$stem.zks.json"
    [ "$stem" = demo ] && scene="$root/examples/sample.zks.json"
    [ -f "$scene" ] || continue
    for form in gltf glb; do
        mkdir -p "$work/run-$stem-$form"
        output="$work/run-$stem-$form/$stem.$form"
        if ! "$zkopt" run --config "$config" "$scene" "$output" >"$output.log" 2>&1; then
            echo "zkopt could not run $config into $output:"
            cat "$output.log"
            failed=1
            continue
        fi
        exports+=("$output")
    done
done
while read -r model; do
    case "$model" in ''|'#'*) continue ;; esac
    export_one "$models/$model" "$(echo "$model" | tr '/ ' '__')"
done <"$(dirname "$0")/models.txt"

node "$root/tools/validate/validate.js" "${exports[@]}" || failed=1
exit $failed
