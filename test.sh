#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest; then the same for the
# Qt-free core alone, configured as a machine without Qt would configure it. The configurations
# are presets of CMakePresets.json, whose test presets also set the tests' environment.
#   ./test.sh              warnings as errors: presets default (build/) and core-only
#                          (build-core/), and the web page in Debian's chromium and firefox-esr
#   ./test.sh --sanitize   AddressSanitizer and UndefinedBehaviorSanitizer: presets sanitize
#                          (build-asan/) and core-only-sanitize (build-core-asan/)
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh

preset=default
core=core-only
case "${1:-}" in
  "") ;;
  --sanitize)
    preset=sanitize
    core=core-only-sanitize ;;
  *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
esac

dscdma_install_packages

site=()
if [ "$preset" = default ]; then
  # The web page too, and the browser that its tests drive (not repeated in the sanitizer run).
  # shellcheck disable=SC2046
  dscdma_install_listed "${DSCDMA_BROWSER_PACKAGES[@]}" $(dscdma_node_packages)
  rm -rf build/web-site
  scripts/build-web.sh build/web-site
  site=(-DDSCDMA_WEB_SITE="$PWD/build/web-site")
fi

cmake --preset "$preset" "${site[@]}"
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)"

# The core alone, as a machine without Qt (or a browser build) configures it.
cmake --preset "$core"
cmake --build --preset "$core" -j "$(nproc)"
ctest --preset "$core" -j "$(nproc)"
