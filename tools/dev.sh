#!/usr/bin/env bash
# Set-up on a fresh Debian 12 machine: installs whatever Debian packages are
# missing, configures and builds, then either starts the program (run) or
# runs every test suite headless (test).
#
#   tools/dev.sh run    build and start Zelvane
#   tools/dev.sh test   build (with AddressSanitizer and UBSan) and run all tests
set -euo pipefail

cd "$(dirname "$0")/.."
mode=${1:-run}

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs libpng-dev
  libbenchmark-dev clang libclang-rt-14-dev
  fonts-ipafont-gothic fonts-ipafont-mincho fontconfig
  cups cups-client printer-driver-cups-pdf poppler-utils
  xvfb xdotool x11-utils x11-apps imagemagick python3 desktop-file-utils
  shared-mime-info libglib2.0-bin
  help2man lintian appstream bash-completion
  libexif-dev
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
case "$mode" in
  run)
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DZELVANE_BUILD_TESTS=OFF -DZELVANE_BUILD_BENCH=OFF
    cmake --build build/release -j "$jobs"
    exec build/release/src/gui/app/zelvane
    ;;
  test)
    cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELVANE_SANITIZE=ON \
      -DZELVANE_BUILD_BENCH=OFF
    cmake --build build/test -j "$jobs"
    export QT_QPA_PLATFORM=offscreen
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    ctest --test-dir build/test --output-on-failure -j "$jobs"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
