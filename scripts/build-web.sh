#!/usr/bin/env bash
# Builds the web page and writes the whole site into OUTDIR: index.html, its script and style,
# lab.html with its own script, style and module,
# the WebAssembly module with its loader, the language files, the icons, the web app manifest and
# the offline worker, the worked example, and dscdma-exercise-scorm.zip (the worked example as a
# SCORM 1.2 package for learning platforms), and beside each text file its .gz and .br, for a
# server that sends them (scripts/serve-web.py; the README tells hosts how). Any web server can
# host the folder as it is. Installs what is missing (Debian's emscripten, esbuild, zip and
# brotli). The same sources give the same files.
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
cmake --build "$build" -j "$(nproc)" --target dscdma dscdma-lab

mkdir -p "$out"
out=$(cd "$out" && pwd)
# Compressed files of an earlier build go; they are written anew at the end.
find "$out" -type f \( -name '*.gz' -o -name '*.br' \) -delete
cp "$build/web/dscdma.js" "$build/web/dscdma.wasm" "$out/"
cp "$build/web/lab/dscdma-lab.js" "$build/web/lab/dscdma-lab.wasm" "$out/"
cp "$root"/web/site/* "$out/"
cp "$root/app/lang/dscdma.en.itl" "$root/app/lang/dscdma.de.itl" "$out/"
cp "$root/app/resources/dscdma.svg" "$root/app/resources/ok.svg" \
   "$root/app/resources/dscdma-128.png" "$root/app/resources/dscdma-256.png" "$out/"
mkdir -p "$out/examples"
cp "$root"/web/examples/* "$out/examples/"

# The pages' scripts and styles without comments, spaces and long local names: on a slow
# connection every kilobyte before the first picture counts (a fifth of these files' compressed
# size). The worker is left as written; the build writes its list of files into it below.
for f in dscdma-page.js dscdma.js dscdma.css lab-slices.js lab-page.js dscdma-lab.js lab.css; do
  esbuild --minify --charset=utf8 --log-level=warning --allow-overwrite "$out/$f" --outfile="$out/$f"
done

# Every file a page of the site loads: the offline worker keeps them. A new page adds its own.
site_files=(index.html dscdma-page.js dscdma.css dscdma.js dscdma.wasm dscdma.en.itl dscdma.de.itl
            dscdma.svg ok.svg dscdma-128.png dscdma-256.png dscdma.webmanifest
            lab.html lab-slices.js lab-page.js lab.css dscdma-lab.js dscdma-lab.wasm)

# The offline worker's version is drawn from the files' contents, so that a changed site is a
# changed worker, which browsers then install.
(
  cd "$out"
  files=("${site_files[@]}")
  version=$(cat "${files[@]}" | sha256sum | cut -c1-16)
  list="'./'"
  for f in "${files[@]}"; do list+=", '$f'"; done
  sed -i -e "s|@VERSION@|$version|" -e "s|@FILES@|$list|" dscdma-sw.js
)

# The worked example as a SCORM 1.2 package: the site without its offline worker (a platform
# serves it from its own folders), the example as the one lesson, and the manifest. Fixed times
# and a sorted list make the same zip from the same files.
package=$(mktemp -d)
listing=$(mktemp)
trap 'rm -rf "$package" "$listing"' EXIT
cp -r "$out"/. "$package/"
rm -f "$package"/dscdma-sw.js "$package"/dscdma-exercise-scorm.zip
sed -i 's|<html lang="en">|<html lang="en" data-offline="off">|' "$package/index.html" "$package/lab.html"
(
  cd "$package"
  find . -type f | sed 's|^\./||' | LC_ALL=C sort |
    sed 's|.*|      <file href="&"/>|' > "$listing"
  sed -e "/@FILES@/{r $listing" -e 'd}' "$root/web/scorm/imsmanifest.xml" > imsmanifest.xml
  rm -f "$out/dscdma-exercise-scorm.zip"
  find . -type f -exec touch -d '2000-01-01 00:00:00 UTC' {} +
  find . -type f | sed 's|^\./||' | LC_ALL=C sort | TZ=UTC zip -X -q -9 "$out/dscdma-exercise-scorm.zip" -@
)

# Beside each text file its most compact gzip and brotli forms, written without names or times,
# so that a server sends them instead of compressing on every request. Pictures and the zip are
# compressed already.
find "$out" -type f \( -name '*.html' -o -name '*.js' -o -name '*.css' -o -name '*.wasm' -o -name '*.itl' \
  -o -name '*.svg' -o -name '*.webmanifest' -o -name '*.json' -o -name '*.xml' \) -print0 |
  while IFS= read -r -d '' f; do
    gzip -9 -n -k -f "$f"
    brotli -q 11 -f -o "$f.br" "$f"
  done
echo "Site written to $out"
