# Sourced by run.sh, test.sh and package.sh: installs the Debian packages the build needs, when
# missing; a script names any further ones it needs alone (package.sh: lintian).
DSCDMA_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libqcustomplot-dev
  librsvg2-bin
  fonts-dejavu-core fonts-liberation2
  # manual pages, and the install and package checks
  scdoc man-db desktop-file-utils appstream dpkg-dev file
)

dscdma_missing_packages() {
  local pkg missing=()
  for pkg in "${DSCDMA_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  echo "${missing[@]}"
}

dscdma_install_packages() {
  local missing
  missing=$(dscdma_missing_packages "$@")
  [ -z "$missing" ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Missing packages ($missing) and no sudo to install them." >&2; return 1; }
    sudo=(sudo)
  fi
  echo "Installing: $missing"
  "${sudo[@]}" apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends $missing
}
