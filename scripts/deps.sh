# Sourced by run.sh, test.sh and package.sh: installs the Debian packages the build needs, when
# missing; a script names any further ones it needs alone (package.sh: lintian).
DSCDMA_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libqcustomplot-dev
  librsvg2-bin
  fonts-dejavu-core fonts-liberation2
  # math fonts that claim the control characters, as many teaching machines have them: the
  # received-character label is tested with them and without
  fonts-lyx
  # manual pages, and the install and package checks
  scdoc man-db desktop-file-utils appstream dpkg-dev file
  # the source tree's checks: function lengths
  pmccabe
)

# The web page: the WebAssembly toolchain, esbuild to minify the pages' scripts and styles, zip
# for the learning-platform package and brotli for the site's pre-compressed files (python3
# serves them). npm fetches the test driver itself (pinned by tests/web/package-lock.json); a
# machine without Node gets Debian's.
DSCDMA_WEB_PACKAGES=(cmake ninja-build emscripten esbuild zip brotli python3)
# Firefox ESR runs the page's tests a second time, driven over WebDriver BiDi; WebKitGTK's browser
# (with its WebDriver, on Xvfb's display) shows the page as a WebKit browser does; unzip opens the
# learning-platform package.
DSCDMA_BROWSER_PACKAGES=(chromium firefox-esr webkit2gtk-driver xvfb unzip)

dscdma_node_packages() {
  command -v node >/dev/null || echo nodejs
  command -v npm >/dev/null || echo npm
}

dscdma_install_packages() {
  dscdma_install_listed "${DSCDMA_PACKAGES[@]}" "$@"
}

# Installs what is missing of the packages given, and nothing else.
dscdma_install_listed() {
  local pkg missing=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Missing packages (${missing[*]}) and no sudo to install them." >&2; return 1; }
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  # The downloaded archives are not kept: on a fresh machine they come to 410 MB, on a disk that
  # the builds fill.
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    -o APT::Keep-Downloaded-Packages=false "${missing[@]}"
}
