#!/usr/bin/env bash
# Installs what the web page's benchmark needs (Debian's chromium and Node, and from npm the
# browser driver and the peer's chart library as bench/web/package-lock.json pins them, into
# build/web-bench/) and runs it on a site that scripts/build-web.sh wrote.
#   bench/web/bench.sh SITE
# The counts are set by the variables that bench/web/bench.mjs names.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 SITE" >&2; exit 2; }
root=$(cd "$(dirname "$0")/../.." && pwd)
site=$(cd "$1" && pwd)
. "$root/scripts/deps.sh"
# shellcheck disable=SC2046
dscdma_install_listed chromium python3 $(dscdma_node_packages)

deps=$root/build/web-bench
mkdir -p "$deps"
if ! cmp -s "$root/bench/web/package-lock.json" "$deps/package-lock.json" || [ ! -d "$deps/node_modules" ]; then
  cp "$root/bench/web/package.json" "$root/bench/web/package-lock.json" "$deps/"
  npm ci --prefix "$deps" --no-audit --no-fund --ignore-scripts --loglevel=error
fi
DSCDMA_BENCH_DEPS=$deps exec node "$root/bench/web/bench.mjs" "$site"
