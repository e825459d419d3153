#!/usr/bin/env bash
# Builds the Debian package from this checkout and checks it with lintian. Installs what is missing.
# Leaves dscdma_<version>_<arch>.deb here; install it with: apt install ./dscdma_*.deb
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh

dscdma_install_packages lintian
build=build-pkg # the package preset's folder (CMakePresets.json)
# Debian's hardening flags, as a Debian build of the package would use them; CMake reads no CPPFLAGS.
# The install strips the programs as dh_strip does (cmake/DscdmaInstall.cmake).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Neither tests nor benchmarks go into the package, so the package preset makes neither.
cmake --preset package --fresh "${launcher[@]}"
cmake --build --preset package -j "$(nproc)"
rm -f "$build"/dscdma_*.deb
cpack --preset package
deb=$(basename "$build"/dscdma_*.deb)
cp "$build/$deb" .
echo "lintian $deb:"
# Every tag fails the build, down to the informational ones; pedantic ones are shown.
lintian --info --display-info --pedantic --fail-on error,warning,info "$deb"
echo "Built $deb; install it with: apt install ./$deb"
