#!/usr/bin/env bash
# The HTML report of a 1M-triangle scene: how big it is and how long headless Chromium takes to
# open it and draw its 3D views. Generates a glTF grid of 1,002,528 triangles (a wavy surface,
# indexed), writes the report of a stripping run over it and of `zkopt view`, and opens both.
# Usage: bench/html_report_1m.sh [ZKOPT] [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
zkopt=$(realpath "${1:-$here/../build/bin/zkopt}")
work=${2:-/tmp/zkopt-html-1m}
rm -rf "$work" && mkdir -p "$work" && cd "$work"

node - <<'JS'
const n = 709; // (n - 1)^2 quads, two triangles each
const positions = new Float32Array(n * n * 3), indices = new Uint32Array((n - 1) * (n - 1) * 6);
for (let y = 0, v = 0; y < n; ++y)
    for (let x = 0; x < n; ++x, ++v) positions.set([x, Math.sin(x / 20) * Math.cos(y / 25) * 15, y], 3 * v);
for (let y = 0, i = 0; y < n - 1; ++y)
    for (let x = 0; x < n - 1; ++x) {
        const a = y * n + x;
        indices.set([a, a + n, a + 1, a + 1, a + n, a + n + 1], i);
        i += 6;
    }
const bin = Buffer.concat([Buffer.from(positions.buffer), Buffer.from(indices.buffer)]);
const gltf = { asset: { version: '2.0' }, scene: 0, scenes: [{ nodes: [0] }], nodes: [{ mesh: 0, name: 'grid' }],
    meshes: [{ primitives: [{ attributes: { POSITION: 0 }, indices: 1 }] }],
    buffers: [{ byteLength: bin.length, uri: 'data:application/octet-stream;base64,' + bin.toString('base64') }],
    bufferViews: [{ buffer: 0, byteOffset: 0, byteLength: positions.byteLength },
                  { buffer: 0, byteOffset: positions.byteLength, byteLength: indices.byteLength }],
    accessors: [{ bufferView: 0, componentType: 5126, count: n * n, type: 'VEC3', min: [0, -15, 0], max: [n - 1, 15, n - 1] },
                { bufferView: 1, componentType: 5125, count: indices.length, type: 'SCALAR' }] };
require('fs').writeFileSync('grid.gltf', JSON.stringify(gltf));
JS
printf '[pipeline]\npasses = zkStripVesko\n' > p.ini

echo "zkopt run --html (the scene before and after stripping: two different views):"
/usr/bin/time -f "  %e s wall, %U s user + %S s system CPU" "$zkopt" run --config p.ini --html run.html grid.gltf out.zks >/dev/null
echo "zkopt view --html (one scene):"
/usr/bin/time -f "  %e s wall, %U s user + %S s system CPU" "$zkopt" view --html view.html grid.gltf >/dev/null
echo "  run.html: $(stat -c %s run.html) bytes, view.html: $(stat -c %s view.html) bytes"

# The page notes when it started loading and when it had drawn; the browser's own start-up is
# measured apart (about:blank).
open_page() {
  /usr/bin/time -f "  chromium $1: %e s wall, %U s user + %S s system CPU (all of chromium's processes)" \
    chromium --headless --no-sandbox --disable-gpu --use-angle=swiftshader --enable-unsafe-swiftshader \
    --window-size=1400,1000 --dump-dom "$2" 2>&1 >"$work/dom.html" | grep 'chromium '
  grep -o 'data-ms="[0-9]*"' "$work/dom.html" | sed 's/data-ms="\([0-9]*\)"/  drawn \1 ms after the page started loading/' || true
}
echo "uptime: $(uptime)"
open_page "start-up alone (about:blank)" about:blank
open_page "run.html" "file://$work/run.html"
open_page "view.html" "file://$work/view.html"
