#!/bin/bash
# Phone photos in the program, side by side in one run: five 4000 x 3000
# JPEGs (ImageMagick's plasma, quality 90) composed into a document of one
# and one of five on a 2048 x 2048 background.
#
#   memory  the program opening each up to its first paint (offscreen), its
#           peak beside the sources' bytes (36 MB a photo, 24-bit)
#   drag    a drag of the top photo one pixel a step, at 1:1 and fitted
#   print   the five-photo document printed to PDF at 300 dpi beside render
#
# usage: bench/photos/run.sh BUILD_DIR [RUNS]   (a Release build with benchmarks)
set -euo pipefail

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 BUILD_DIR [RUNS]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
runs=${2:-5}
cli=$build/src/cli/zelvane-cli
timer=$build/bench/workload/spawn_timer
window=$build/bench/startup/bench_window_startup
drag=$build/bench/photos/bench_photo_drag
export QT_QPA_PLATFORM=offscreen
for tool in "$cli" "$timer" "$window" "$drag"; do
    [ -x "$tool" ] || { echo "$0: $tool is missing (build with -DZELVANE_BUILD_BENCH=ON)" >&2; exit 1; }
done
command -v convert >/dev/null || { echo "$0: ImageMagick's convert is missing" >&2; exit 1; }

base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/zelvane-photos.XXXXXX")
trap 'rm -rf "$work"' EXIT

parts=()
for k in 1 2 3 4 5; do
    convert -seed "$k" -size 4000x3000 plasma:fractal -quality 90 "$work/p$k.jpg"
    parts+=(--part "$work/p$k.jpg@$(( (k - 1) * 100 )),$(( (k - 1) * 100 ))")
done
"$cli" compose "$work/one.BMH" --size 2048x2048 --part "$work/p1.jpg"
"$cli" compose "$work/five.BMH" --size 2048x2048 "${parts[@]}"
echo "sources: one photo 36.0 MB (34.3 MiB), five 180.0 MB (171.7 MiB)"

echo "== memory: the program open to its first paint"
"$timer" "$runs" empty="$window" one="$window $work/one.BMH" five="$window $work/five.BMH" 2>/dev/null

echo "== drag: one step = a pointer event and the repaint it causes"
"$drag" "$work/one.BMH" 200 2>/dev/null
"$drag" "$work/five.BMH" 200 2>/dev/null

echo "== print: five photos to PDF at 300 dpi against render"
"$timer" "$runs" render="$cli render $work/five.BMH $work/out.bmp" \
    print="$cli print $work/five.BMH --pdf $work/out.pdf" --ratio print/render
