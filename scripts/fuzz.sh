#!/usr/bin/env bash
# Builds one of the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# in build-fuzz/ and runs it.
#   scripts/fuzz.sh babelfish|link [seconds=600] [more libFuzzer options...]
#     babelfish  the language-file reader and the translation of keyed texts
#     link       the server link's frame reader, window procedure and replies
# The corpus grows in build-fuzz/corpus/<target>; crashes land in build-fuzz/artifacts/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:-}
case "$target" in
  babelfish) binary=tests/i18n/fuzz_babelfish; options=(-max_len=16384 -dict="$root/tests/i18n/babelfish.dict") ;;
  link) binary=tests/link/fuzz_link; options=(-max_len=8192) ;;
  *) echo "usage: $0 babelfish|link [seconds=600] [libFuzzer options...]" >&2; exit 2 ;;
esac
shift
seconds=${1:-600}
shift || true
build="$root/build-fuzz"

for tool in clang clang++ cmake ninja; do
  command -v "$tool" >/dev/null || { echo "fuzz: $tool is needed (apt-get install clang cmake ninja-build)" >&2; exit 1; }
done

# The fuzz preset (CMakePresets.json): clang, the fuzzers on, no benchmarks.
(cd "$root" && cmake --preset fuzz >/dev/null && cmake --build --preset fuzz --target "fuzz_$target")

corpus="$build/corpus/$target"
artifacts="$build/artifacts"
mkdir -p "$corpus" "$artifacts"
if [ -z "$(ls -A "$corpus")" ]; then
  case "$target" in
    babelfish)
      printf '[Exit]=Ende|$$\r\n' >"$corpus/seed-plain"
      printf '; comment\r\n[Channel  Number]=Kanal <%%1%%> von <%%2%%>\\nZeile|$$\r\nKey]=v|$$[abc|$$tail' >"$corpus/seed-rules"
      printf '[Gr\xfc\xdfe]=\x80 \xb5s <%%APPNAME%%>\r\n|$$[\t a  B ]=[x]=y|$$' >"$corpus/seed-1252"
      # Entries that end on and across the reader's 256-byte blocks.
      { printf '[long]=%0250d|$$' 0; printf '[next]=%0500d|$' 0; printf '$|$$'; } >"$corpus/seed-blocks"
      ;;
    link) cp "$root"/tests/link/fuzz-seeds/* "$corpus"/ ;;
  esac
fi

"$build/$binary" -max_total_time="$seconds" -rss_limit_mb=2048 "${options[@]}" \
  -artifact_prefix="$artifacts/" -print_final_stats=1 "$@" "$corpus"
echo "corpus: $(ls "$corpus" | wc -l) files, $(du -sh "$corpus" | cut -f1)"
