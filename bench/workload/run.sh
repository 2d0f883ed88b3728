#!/bin/bash
# The large-document workload, timed as whole processes side by side:
# 64 parts of 512 x 512 (24-bit BMP) on a 2048 x 2048 white background, an
# 8 x 8 grid with a step of 230 pixels (parts overlap; the last row and
# column are clipped), even parts transparent with a white disc in the
# middle, odd parts opaque, saved as a BMH document through compose.
#
# usage: bench/workload/run.sh BUILD_DIR [RUNS]
#   BUILD_DIR   a build with benchmarks on (Release), e.g. build-rel
#   RUNS        rounds of timing (default 11)
#   ZELVANE_BENCH_DIR=DIR  work there instead of a new temporary folder
#                          (kept, and its parts reused on the next run)
#
# Compared, each round in turn: zelvane-cli render against ImageMagick's
# flatten of the same parts (after checking that both give the same pixels;
# no ratio is reported otherwise), and zelvane-cli info against cat of the
# document; "startup" (zelvane-cli --help) shows how much of those figures
# is only loading the program. The program itself (offscreen) is timed up
# to its first painted window with the document open ("open"), and with no
# document ("window") beside a minimal Qt window with a menu bar
# ("minimal"). The targets: render / magick <= 0.2, info / cat <= 4, a peak
# memory of render within 1.2 x the document's bytes plus the output
# picture's, open / render <= 1.5, window / minimal <= 1.3 within 40 MB.
#
# The work folder defaults to /dev/shm: render syncs its output to the disk
# before it replaces the file, which ImageMagick does not, and on a disk
# that wait would be compared too.
set -euo pipefail

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 BUILD_DIR [RUNS]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
runs=${2:-11}
cli=$build/src/cli/zelvane-cli
timer=$build/bench/workload/spawn_timer
window=$build/bench/startup/bench_window_startup
minimal=$build/bench/startup/bench_minimal_window
export QT_QPA_PLATFORM=offscreen
for tool in "$cli" "$timer" "$window" "$minimal"; do
    [ -x "$tool" ] || { echo "$0: $tool is missing (build with -DZELVANE_BUILD_BENCH=ON)" >&2; exit 1; }
done
command -v convert >/dev/null || { echo "$0: ImageMagick's convert is missing (apt-get install imagemagick)" >&2; exit 1; }

if [ -n "${ZELVANE_BENCH_DIR:-}" ]; then
    work=$ZELVANE_BENCH_DIR
    mkdir -p "$work"
else
    base=/dev/shm
    [ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
    work=$(mktemp -d "$base/zelvane-bench.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi
case "$work" in *' '*) echo "$0: the work folder must not contain spaces" >&2; exit 1 ;; esac
echo "work folder: $work ($(df -T "$work" | awk 'NR == 2 { print $2 }'))"

# ImageMagick flattens by laying each part on the background in turn
# (-composite): the same pixels as -flatten with page offsets, in half its
# time here.
#
# The parts: a gradient with noise, different for each; the even ones get a
# white disc of radius 160 in the middle.
compose_args=(compose "$work/doc.BMH" --size 2048x2048)
flatten_args=(-size 2048x2048 xc:white)
for k in $(seq 0 63); do
    part=$(printf '%s/part%02d.bmp' "$work" "$k")
    x=$(( (k % 8) * 230 ))
    y=$(( (k / 8) * 230 ))
    if [ ! -s "$part" ]; then
        from="rgb($(( (k * 37) % 200 + 20 )),$(( (k * 71) % 200 + 20 )),$(( (k * 113) % 200 + 20 )))"
        to="rgb($(( (k * 53 + 90) % 200 + 20 )),$(( (k * 29 + 40) % 200 + 20 )),$(( (k * 97 + 10) % 200 + 20 )))"
        disc=()
        (( k % 2 == 0 )) && disc=(-fill white -draw 'circle 256,256 256,96')
        convert -seed "$k" -size 512x512 "gradient:$from-$to" -attenuate 0.5 +noise Uniform \
            "${disc[@]}" -type TrueColor "BMP3:$part"
    fi
    if (( k % 2 == 0 )); then
        compose_args+=(--part "$part@$x,$y")
        flatten_args+=('(' "$part" -transparent white ')' -geometry "+$x+$y" -composite)
    else
        compose_args+=(--part "$part@$x,$y,opaque")
        flatten_args+=("$part" -geometry "+$x+$y" -composite)
    fi
done
flatten_args+=(-alpha off -type TrueColor "BMP3:$work/magick.bmp")

"$cli" "${compose_args[@]}"
doc_bytes=$(stat -c %s "$work/doc.BMH")
echo "document: $doc_bytes bytes"

# The same pixels, or no ratio.
"$cli" render "$work/doc.BMH" "$work/zelvane.bmp"
convert "${flatten_args[@]}"
convert "$work/zelvane.bmp" -depth 8 "rgb:$work/zelvane.rgb"
convert "$work/magick.bmp" -depth 8 "rgb:$work/magick.rgb"
if ! cmp -s "$work/zelvane.rgb" "$work/magick.rgb"; then
    echo "$0: zelvane-cli render and ImageMagick's flatten differ:" \
         "$(compare -metric AE "$work/zelvane.bmp" "$work/magick.bmp" null: 2>&1 || true) pixels" >&2
    exit 1
fi
rm -f "$work/zelvane.rgb" "$work/magick.rgb"
out_bytes=$(stat -c %s "$work/zelvane.bmp")
echo "pixels: identical to ImageMagick's ($out_bytes bytes of BMP)"

report=$("$timer" "$runs" \
    "render=$cli render $work/doc.BMH $work/zelvane.bmp" \
    "magick=convert ${flatten_args[*]}" \
    "info=$cli info $work/doc.BMH" \
    "cat=cat $work/doc.BMH" \
    "startup=$cli --help" \
    "open=$window $work/doc.BMH" \
    "window=$window" \
    "minimal=$minimal" \
    --ratio render/magick --ratio info/cat --ratio open/render --ratio window/minimal)
echo "$report"
echo "$report" | awk -v doc="$doc_bytes" -v out="$out_bytes" '
    $1 == "render" { peak = $5 }
    $1 == "info" { info = $3 }
    $1 == "cat" { cat = $3 }
    $1 == "startup" { startup = $3 }
    END {
        printf "(info - startup) / cat, medians: %.3f\n", (info - startup) / cat
        budget = (doc + out) / 1048576
        printf "render peak / (document + output picture): %.1f / %.1f MiB = %.3f\n", peak, budget, peak / budget
    }'
