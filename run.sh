#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program. Arguments go to the program.
#   ./run.sh --web [PORT]   builds the web page and serves it on 127.0.0.1 (default port 8080),
#                           its pre-compressed files to browsers that take them
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh

if [ "${1:-}" = "--web" ]; then
  port=${2:-8080}
  site=build-web/site
  rm -rf "$site"
  scripts/build-web.sh "$site"
  exec python3 scripts/serve-web.py --port "$port" "$site"
fi

dscdma_install_packages
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
if [ -x build/app/dscdma ]; then
  exec build/app/dscdma "$@"
fi
exec build/tools/dscdma-sim "$@"
