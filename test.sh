#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
#   ./test.sh              warnings as errors, in build/, with the web page in Debian's chromium
#   ./test.sh --sanitize   AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan/
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh

build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DDSCDMA_WERROR=ON)
case "${1:-}" in
  "") ;;
  --sanitize)
    build=build-asan
    flags=(-DCMAKE_BUILD_TYPE=Debug -DDSCDMA_WERROR=ON -DDSCDMA_SANITIZE=ON -DDSCDMA_BENCH=OFF) ;;
  *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
esac

dscdma_install_packages
if [ "$build" = build ]; then
  # The web page too, and the browser that its tests drive (not repeated in the sanitizer run).
  # shellcheck disable=SC2046
  dscdma_install_listed "${DSCDMA_BROWSER_PACKAGES[@]}" $(dscdma_node_packages)
  rm -rf build/web-site
  scripts/build-web.sh build/web-site
  flags+=(-DDSCDMA_WEB_SITE="$PWD/build/web-site")
fi
cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build" -j "$(nproc)"
cd "$build"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS="suppressions=$(pwd)/../tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --output-on-failure -j "$(nproc)"
