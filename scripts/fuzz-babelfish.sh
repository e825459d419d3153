#!/usr/bin/env bash
# Builds the language-file fuzzer with clang in build-fuzz/ and runs it.
#   scripts/fuzz-babelfish.sh [seconds=600] [more libFuzzer options...]
# The corpus grows in build-fuzz/corpus/babelfish; crashes land in build-fuzz/artifacts/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
build="$root/build-fuzz"

for tool in clang clang++ cmake ninja; do
  command -v "$tool" >/dev/null || { echo "fuzz-babelfish: $tool is needed (apt-get install clang cmake ninja-build)" >&2; exit 1; }
done

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDSCDMA_FUZZ=ON -DDSCDMA_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_babelfish

corpus="$build/corpus/babelfish"
artifacts="$build/artifacts"
mkdir -p "$corpus" "$artifacts"
if [ -z "$(ls -A "$corpus")" ]; then
  printf '[Exit]=Ende|$$\r\n' >"$corpus/seed-plain"
  printf '; comment\r\n[Channel  Number]=Kanal <%%1%%> von <%%2%%>\\nZeile|$$\r\nKey]=v|$$[abc|$$tail' >"$corpus/seed-rules"
  printf '[Gr\xfc\xdfe]=\x80 \xb5s <%%APPNAME%%>\r\n|$$[\t a  B ]=[x]=y|$$' >"$corpus/seed-1252"
  # Entries that end on and across the reader's 256-byte blocks.
  { printf '[long]=%0250d|$$' 0; printf '[next]=%0500d|$' 0; printf '$|$$'; } >"$corpus/seed-blocks"
fi

"$build/tests/i18n/fuzz_babelfish" -max_total_time="$seconds" -max_len=16384 -rss_limit_mb=2048 \
  -dict="$root/tests/i18n/babelfish.dict" -artifact_prefix="$artifacts/" -print_final_stats=1 "$@" "$corpus"
echo "corpus: $(ls "$corpus" | wc -l) files, $(du -sh "$corpus" | cut -f1)"
