#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan on) and
# runs one of them for a given time.
#
#   tools/fuzz.sh TARGET SECONDS [libFuzzer options...]
#
# TARGET is document, jpeg, bmp or png. New inputs go to fuzz/out/TARGET/corpus,
# crashes to fuzz/out/TARGET/artifacts; the seeds in fuzz/corpus/TARGET are
# read, never written. Set ZELVANE_FUZZ_BUILD to use another build folder
# (default build-a-fuzz) and ZELVANE_FUZZ_JOBS for the build's parallelism.
set -euo pipefail

cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  echo "usage: $0 document|jpeg|bmp|png SECONDS [libFuzzer options...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
case "$target" in
  document|jpeg|bmp|png) ;;
  *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
esac

build=${ZELVANE_FUZZ_BUILD:-build-a-fuzz}
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZELVANE_BUILD_FUZZ=ON -DZELVANE_SANITIZE=ON \
    -DZELVANE_BUILD_TESTS=OFF -DZELVANE_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "${ZELVANE_FUZZ_JOBS:-2}" --target "fuzz_$target"

out=fuzz/out/$target
mkdir -p "$out/corpus" "$out/artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$build/fuzz/$target/fuzz_$target" \
  -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 \
  -artifact_prefix="$out/artifacts/" "$@" "$out/corpus" "fuzz/corpus/$target"
