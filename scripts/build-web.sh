#!/usr/bin/env bash
# Builds the web page and writes the whole site into OUTDIR: index.html, its script and style,
# the WebAssembly module with its loader, the language files and the icons. Any web server can
# host the folder as it is. Installs what is missing (Debian's emscripten).
#   scripts/build-web.sh OUTDIR
# DSCDMA_WEB_BUILD names the build folder (default build-web/ of this checkout).
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
out=$1
. "$root/scripts/deps.sh"
dscdma_install_listed "${DSCDMA_WEB_PACKAGES[@]}"

# emcc runs on Node and needs Debian's JavaScript modules (acorn), which a Node from elsewhere
# does not search. Debian ships the toolchain's libraries prebuilt in a frozen cache, so
# EM_CACHE must not point anywhere else.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
unset EM_CACHE

build=${DSCDMA_WEB_BUILD:-$root/build-web}
# The web preset (CMakePresets.json), in its folder or the one named.
emcmake cmake -S "$root" --preset web -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target dscdma

mkdir -p "$out"
cp "$build/web/dscdma.js" "$build/web/dscdma.wasm" "$out/"
cp "$root"/web/site/* "$out/"
cp "$root/app/lang/dscdma.en.itl" "$root/app/lang/dscdma.de.itl" "$out/"
cp "$root/app/resources/dscdma.svg" "$root/app/resources/about.svg" "$root/app/resources/ok.svg" "$out/"
mkdir -p "$out/examples"
cp "$root"/web/examples/* "$out/examples/"
echo "Site written to $out"
