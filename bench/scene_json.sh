#!/bin/sh
# Reading and writing the text scene form at scale: a generated 1M-triangle mesh is imported once,
# then zkopt converts it .zks -> .zks.json (write) and reads the .zks.json back (info). Prints wall and
# CPU seconds, MB/s of the text file and each run's peak resident memory (the machine may be
# shared: MB/s by CPU time is the steadier figure).
# ZK_BENCH_CPU=N pins the runs to CPU N (on a shared machine the CPUs may run at different speeds).
# usage: bench/scene_json.sh [ZKOPT] [WORKDIR]
set -eu
pin=""
[ -z "${ZK_BENCH_CPU:-}" ] || pin="taskset -c $ZK_BENCH_CPU"
zkopt=${1:-build/bin/zkopt}
work=${2:-$(mktemp -d)}
side=708 # 708 x 708 quads, two triangles each: 1.0M triangles
mkdir -p "$work"
if [ ! -f "$work/grid.zks" ]; then
    awk -v n=$side 'BEGIN {
        for (y = 0; y <= n; y++) for (x = 0; x <= n; x++) printf "v %d %d %.3f\n", x, y, sin(x * 0.1) * cos(y * 0.1);
        for (y = 0; y < n; y++) for (x = 0; x < n; x++) {
            a = y * (n + 1) + x + 1; b = a + 1; c = a + n + 1; d = c + 1;
            printf "f %d %d %d\nf %d %d %d\n", a, b, d, a, d, c;
        } }' > "$work/grid.obj"
    "$zkopt" convert "$work/grid.obj" "$work/grid.zks" > /dev/null
fi
measure() { # LABEL SIZE-FILE ARGS...
    label=$1 sized=$2
    shift 2
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" $pin "$zkopt" "$@" > /dev/null
    read -r wall user sys peak < "$work/time"
    bytes=$(stat -c %s "$sized")
    awk -v l="$label" -v w="$wall" -v u="$user" -v s="$sys" -v p="$peak" -v b="$bytes" 'BEGIN {
        printf "%-6s %6.1f MB  wall %6.2f s  cpu %6.2f s  %6.1f MB/s by wall, %6.1f by cpu  peak %6.1f MB (%.2f x file)\n",
               l, b / 1e6, w, u + s, b / 1e6 / w, b / 1e6 / (u + s), p / 1024, p * 1024 / b }'
}
measure write "$work/grid.zks.json" convert "$work/grid.zks" "$work/grid.zks.json"
measure write "$work/grid.zks.json" convert "$work/grid.zks" "$work/grid.zks.json"
measure read "$work/grid.zks.json" info "$work/grid.zks.json"
measure read "$work/grid.zks.json" info "$work/grid.zks.json"
