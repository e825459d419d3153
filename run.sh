#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh

dscdma_install_packages
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
if [ -x build/app/dscdma ]; then
  exec build/app/dscdma "$@"
fi
exec build/tools/dscdma-sim "$@"
