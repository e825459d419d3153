#!/usr/bin/env bash
# Checks what `cmake --install` and `cpack -G DEB` make of a build folder.
#   check_install.sh CHECK --build=DIR --source=DIR --programs="P..." --data="F..."
#                          --build-prefix=PREFIX --version=VERSION
# CHECK is one of: tree desktop appstream manuals simulator deb.
# Each check installs into its own temporary DESTDIR with prefix /usr and removes it afterwards.
set -euo pipefail

check=$1
shift
build="" source="" programs="" data="" build_prefix="" version=""
for arg in "$@"; do
  case $arg in
    --build=*) build=${arg#*=} ;;
    --source=*) source=${arg#*=} ;;
    --programs=*) programs=${arg#*=} ;;
    --data=*) data=${arg#*=} ;;
    --build-prefix=*) build_prefix=${arg#*=} ;;
    --version=*) version=${arg#*=} ;;
    *) echo "unknown argument $arg" >&2; exit 2 ;;
  esac
done

app_id=org.dscdma.DSCDMA
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# A missing tool is a failure, never a skip: scripts/deps.sh installs every one of them.
need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing; scripts/deps.sh installs it" >&2; exit 1; }
  done
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

install_tree() {
  need cmake
  DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr >"$tmp/install.log" || {
    cat "$tmp/install.log" >&2
    exit 1
  }
  root=$tmp/root/usr
}

# Width and height of a PNG, from its header.
png_size() {
  local bytes
  bytes=($(od -An -tu1 -j16 -N8 "$1"))
  [ "${#bytes[@]}" -eq 8 ] || { echo "?"; return; }
  echo "$(( (bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3] ))x$(( (bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7] ))"
}

# The sizes of the application icon in app/resources/, from the pictures themselves.
icon_sizes() {
  local png
  for png in "$source"/app/resources/dscdma-*.png; do
    png_size "$png"
  done | sort -u
}

# Every file the install should make, relative to the prefix.
expected_files() {
  local p f s
  for p in $programs; do
    echo "bin/$p"
    echo "share/man/man1/$p.1.gz"
  done
  for f in $data; do
    echo "share/dscdma/$f"
  done
  echo "share/applications/$app_id.desktop"
  echo "share/metainfo/$app_id.metainfo.xml"
  for s in $(icon_sizes); do
    echo "share/icons/hicolor/$s/apps/$app_id.png"
  done
  echo "share/icons/hicolor/scalable/apps/$app_id.svg"
  echo "share/doc/dscdma/copyright"
  echo "share/doc/dscdma/changelog.gz"
  echo "share/lintian/overrides/dscdma"
}

# A gzip file as Debian wants it: no file name and no time stamp in its header.
check_plain_gzip() {
  local header
  header=($(od -An -tu1 -N8 "$1"))
  [ "${header[0]}" = 31 ] && [ "${header[1]}" = 139 ] || { fail "$1 is not gzip"; return; }
  if (( header[3] & 8 )); then fail "$1 keeps a file name in its gzip header"; fi
  [ "${header[4]}${header[5]}${header[6]}${header[7]}" = 0000 ] || fail "$1 keeps a time stamp in its gzip header"
}

check_tree() {
  install_tree
  expected_files | sort >"$tmp/expected"
  (cd "$root" && find . -mindepth 1 ! -type d | sed 's|^\./||' | sort) >"$tmp/actual"
  diff -u "$tmp/expected" "$tmp/actual" >&2 || fail "the installed files differ from the expected ones (- expected, + installed)"
  [ "$(ls -A "$tmp/root")" = usr ] || fail "files installed outside the prefix: $(ls -A "$tmp/root")"

  local f mode s
  while read -r f; do
    [ -e "$root/$f" ] || continue
    mode=$(stat -c %a "$root/$f")
    case $f in
      bin/*) [ "$mode" = 755 ] || fail "$f has mode $mode, not 755" ;;
      *) [ "$mode" = 644 ] || fail "$f has mode $mode, not 644" ;;
    esac
  done <"$tmp/expected"

  for s in $(icon_sizes); do
    f=$root/share/icons/hicolor/$s/apps/$app_id.png
    if [ -f "$f" ] && [ "$(png_size "$f")" != "$s" ]; then fail "icon in $s is $(png_size "$f")"; fi
  done
  f=$root/share/icons/hicolor/scalable/apps/$app_id.svg
  if [ -f "$f" ] && ! grep -q '<svg' "$f"; then fail "the scalable icon is no SVG"; fi

  for f in "$root"/share/man/man1/*.gz "$root"/share/doc/dscdma/changelog.gz; do
    [ -f "$f" ] && check_plain_gzip "$f"
  done

  # Relocatable: no run path, and nothing of the prefix the build was configured with.
  need readelf
  for p in $programs; do
    f=$root/bin/$p
    [ -f "$f" ] || continue
    if readelf -d "$f" | grep -Eq 'R(UN)?PATH'; then fail "$p carries a run path: $(readelf -d "$f" | grep -E 'R(UN)?PATH')"; fi
    if [ -n "$build_prefix" ] && readelf -p .rodata "$f" 2>/dev/null | grep -qF "$build_prefix/"; then
      fail "$p holds the build's install prefix $build_prefix"
    fi
  done
}

check_desktop() {
  need desktop-file-validate
  install_tree
  local entry=$root/share/applications/$app_id.desktop
  [ -f "$entry" ] || { fail "no desktop entry"; return; }
  local out
  if ! out=$(desktop-file-validate "$entry" 2>&1); then
    echo "$out" >&2
    fail "desktop-file-validate rejects the desktop entry"
  fi
  if echo "$out" | grep -Eiq '(error|warning):'; then echo "$out" >&2; fail "desktop-file-validate warns"; fi
  echo "desktop-file-validate: ${out:-no output}"

  value() { sed -n "s/^$1=//p" "$entry" | head -1; }
  local exec icon wmclass
  exec=$(value Exec)
  exec=${exec%% *}
  [ -x "$root/bin/$exec" ] || fail "Exec=$exec is not an installed program"
  [ "$exec" = "$(basename "$exec")" ] || fail "Exec names a path, which ties the entry to one prefix"
  icon=$(value Icon)
  [ -f "$root/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon has no scalable icon"
  [ -f "$root/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "Icon=$icon has no 48x48 icon"
  # Qt names a window's WM_CLASS after the program's file name (instance) and the application
  # name, both "dscdma"; the menu matches a started window by it.
  wmclass=$(value StartupWMClass)
  [ "$wmclass" = "$exec" ] || fail "StartupWMClass=$wmclass does not match the program's window class $exec"
  for key in Education Science Electronics; do
    value Categories | tr ';' '\n' | grep -qx "$key" || fail "Categories lack $key"
  done
  grep -q '^Name\[de\]=\|^GenericName\[de\]=' "$entry" || fail "no German name for German desktops"
  grep -q '^Comment\[de\]=' "$entry" || fail "no German comment for German desktops"
}

check_appstream() {
  need appstreamcli
  install_tree
  local metainfo=$root/share/metainfo/$app_id.metainfo.xml
  [ -f "$metainfo" ] || { fail "no metainfo"; return; }
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate rejects the metainfo"
  # The tree as a whole: the metainfo's launchable names a desktop entry that is installed.
  appstreamcli validate-tree --no-net "$tmp/root" || fail "appstreamcli validate-tree rejects the installed tree"

  # Provides exactly the installed programs.
  sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$metainfo" | sort >"$tmp/provided"
  ls "$root/bin" | sort >"$tmp/installed"
  diff -u "$tmp/installed" "$tmp/provided" >&2 || fail "metainfo provides differ from the installed programs (- installed, + provided)"

  # Screenshots are the README's pictures under the home page, at their true size.
  local homepage url width height path shots=0
  homepage=$(sed -n 's|.*<url type="homepage">\(.*\)</url>.*|\1|p' "$metainfo")
  [ -n "$homepage" ] || fail "no home page"
  while read -r width height url; do
    shots=$((shots + 1))
    path=${url#"$homepage"}
    [ "$path" != "$url" ] || { fail "screenshot $url is not under the home page $homepage"; continue; }
    [ -f "$source/$path" ] || { fail "screenshot $url has no picture $path in the repository"; continue; }
    grep -qF "]($path)" "$source/README.md" || fail "screenshot $path is not one of the README's pictures"
    [ "$(png_size "$source/$path")" = "${width}x${height}" ] || fail "screenshot $path is $(png_size "$source/$path"), the metainfo says ${width}x${height}"
  done < <(sed -n 's|.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">\(.*\)</image>.*|\1 \2 \3|p' "$metainfo")
  [ "$shots" -eq "$(grep -c '<image' "$metainfo")" ] || fail "a screenshot image lacks its width and height"
  [ "$shots" -gt 0 ] || fail "no screenshots"
}

check_manuals() {
  need man lexgrog
  install_tree
  local p page out
  for p in $programs; do
    page=$root/share/man/man1/$p.1.gz
    [ -f "$page" ] || { fail "$p has no manual page"; continue; }
    # As lintian reads manual pages: every warning of man and groff counts.
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) || fail "man cannot show $p(1)"
    [ -z "$out" ] || { echo "$out" >&2; fail "man warns about $p(1)"; }
    out=$(lexgrog "$page") || fail "$p(1) has no NAME line that whatis can read"
    echo "$out" | grep -qF "\"$p - " || fail "$p(1)'s NAME line names someone else: $out"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q '^OPTIONS' || fail "$p(1) has no OPTIONS section"
  done
}

check_simulator() {
  install_tree
  local sim=$root/bin/dscdma-sim
  [ -x "$sim" ] || { fail "dscdma-sim is not installed"; return; }
  need ldd
  local p
  for p in $programs; do
    if ldd "$root/bin/$p" | grep -q 'not found'; then fail "$p needs a library that is not found: $(ldd "$root/bin/$p" | grep 'not found')"; fi
  done
  # From the temporary tree with a bare environment: nothing of the build may be needed.
  local keep=() var
  for var in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
    [ -n "${!var:-}" ] && keep+=("$var=${!var}")
  done
  run() { (cd "$tmp" && env -i PATH=/usr/bin:/bin HOME="$tmp" "${keep[@]}" "$sim" "$@"); }

  local out rc
  out=$(run --key-rx 44 --spread 4 --format csv) || fail "dscdma-sim --format csv ended with $?"
  [ "$(echo "$out" | head -1)" = "n,t_start,t_end,data_a,chips_a,spread_a,data_b,chips_b,spread_b,composite,rx_chips,despread,neg_integral" ] \
    || fail "unexpected CSV header: $(echo "$out" | head -1)"
  [ "$(echo "$out" | wc -l)" -eq 33 ] || fail "CSV at spreading factor 4 should hold 32 samples, has $(($(echo "$out" | wc -l) - 1))"
  out=$(run --key-rx 44) || fail "dscdma-sim ended with $?"
  echo "$out" | grep -q '"recovered_byte": 87' || fail "the receiver on key 44 should recover W (87)"
  run --key-rx 44 --labels --png "$tmp/rx44.png" || fail "dscdma-sim --png ended with $?"
  [ -f "$tmp/rx44.png" ] && [ "$(od -An -c -j1 -N3 "$tmp/rx44.png" | tr -d ' ')" = PNG ] || fail "dscdma-sim wrote no PNG"
  rc=0
  run --spread 1 >/dev/null 2>&1 || rc=$?
  [ "$rc" -eq 2 ] || fail "bad usage should end with 2, ended with $rc"
}

check_deb() {
  need cpack dpkg-deb dpkg-shlibdeps readelf
  local arch
  arch=$(dpkg --print-architecture)
  (cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1) || {
    cat "$tmp/cpack.log" >&2
    fail "cpack failed"
    return
  }
  local deb=$tmp/out/dscdma_${version}_$arch.deb
  [ -f "$deb" ] || { ls "$tmp/out" >&2; fail "no dscdma_${version}_$arch.deb"; return; }
  dpkg-deb -c "$deb" | tee "$tmp/listing"

  expected_files | sed 's|^|usr/|' | sort >"$tmp/expected"
  awk '{print $6}' "$tmp/listing" | sed 's|^\./||' | grep -v '/$' | sort >"$tmp/actual"
  diff -u "$tmp/expected" "$tmp/actual" >&2 || fail "the package's files differ from the install (- expected, + packaged)"
  if awk '$2 != "root/root" {print}' "$tmp/listing" | grep . >&2; then fail "entries not owned by root"; fi
  if awk '$6 ~ /\/$/ && $1 != "drwxr-xr-x" {print}' "$tmp/listing" | grep . >&2; then fail "folders not 755"; fi
  if awk '$6 !~ /\/$/ && $6 ~ /^\.\/usr\/bin\// && $1 != "-rwxr-xr-x" {print}' "$tmp/listing" | grep . >&2; then fail "programs not 755"; fi
  if awk '$6 !~ /\/$/ && $6 !~ /^\.\/usr\/bin\// && $1 != "-rw-r--r--" {print}' "$tmp/listing" | grep . >&2; then fail "files not 644"; fi

  dpkg-deb -f "$deb" | tee "$tmp/control"
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = dscdma ] || fail "Package is $(field Package)"
  [ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
  [ "$(field Architecture)" = "$arch" ] || fail "Architecture is $(field Architecture)"
  [ "$(field Maintainer)" = "DS-CDMA team <team@dscdma.example.org>" ] || fail "Maintainer is $(field Maintainer)"
  [ -n "$(field Section)" ] || fail "no Section"
  [ -n "$(field Description)" ] || fail "no Description"
  if field Description | awk 'length($0) >= 80' | grep . >&2; then fail "Description lines of 80 columns or more"; fi
  # Computed from the programs' libraries, and nothing of the benchmarks or tests.
  local depends
  depends=$(field Depends)
  for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6; do
    echo "$depends" | grep -Eq "(^|, )$lib( |,|$)" || fail "Depends lacks $lib: $depends"
  done
  if echo "$depends" | grep -Eiq 'benchmark|qcustomplot|gtest|gmock'; then fail "Depends names a benchmark or test library: $depends"; fi

  dpkg-deb -x "$deb" "$tmp/x"
  for p in $programs; do
    if readelf -S "$tmp/x/usr/bin/$p" | grep -Eq '\.(symtab|debug_info)'; then fail "$p is not stripped in the package"; fi
    # As dh_strip leaves a program: no .comment and no .note section (its .note.* sections stay).
    if readelf -SW "$tmp/x/usr/bin/$p" | grep -Eq '\] \.(comment|note) '; then
      fail "$p keeps a section that Debian strips: $(readelf -SW "$tmp/x/usr/bin/$p" | grep -Eo '\.(comment|note) ' | tr '\n' ' ')"
    fi
  done
}

case $check in
  tree) check_tree ;;
  desktop) check_desktop ;;
  appstream) check_appstream ;;
  manuals) check_manuals ;;
  simulator) check_simulator ;;
  deb) check_deb ;;
  *) echo "unknown check $check" >&2; exit 2 ;;
esac

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "ok"
