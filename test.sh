#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest; then the same for the
# Qt-free core alone, configured as a machine without Qt would configure it.
#   ./test.sh              warnings as errors, in build/ and build-core/, and the web page in
#                          Debian's chromium and firefox-esr
#   ./test.sh --sanitize   AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan/ and
#                          build-core-asan/
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh

build=build
core=build-core
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DDSCDMA_WERROR=ON)
case "${1:-}" in
  "") ;;
  --sanitize)
    build=build-asan
    core=build-core-asan
    flags=(-DCMAKE_BUILD_TYPE=Debug -DDSCDMA_WERROR=ON -DDSCDMA_SANITIZE=ON -DDSCDMA_BENCH=OFF) ;;
  *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
esac

dscdma_install_packages
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS="suppressions=$(pwd)/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

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
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

# The core alone, as a machine without Qt (or a browser build) configures it.
cmake -S . -B "$core" -G Ninja "${flags[@]}" -DDSCDMA_CORE_ONLY=ON -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=TRUE
cmake --build "$core" -j "$(nproc)"
ctest --test-dir "$core" --output-on-failure -j "$(nproc)"
