#!/usr/bin/env bash
# Builds the server-link fuzzer with clang in build-fuzz/ and runs it.
#   scripts/fuzz-link.sh [seconds=600] [more libFuzzer options...]
# The corpus grows in build-fuzz/corpus/link; crashes land in build-fuzz/artifacts/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
build="$root/build-fuzz"

for tool in clang clang++ cmake ninja; do
  command -v "$tool" >/dev/null || { echo "fuzz-link: $tool is needed (apt-get install clang cmake ninja-build)" >&2; exit 1; }
done

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDSCDMA_FUZZ=ON -DDSCDMA_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_link

corpus="$build/corpus/link"
artifacts="$build/artifacts"
mkdir -p "$corpus" "$artifacts"
if [ -z "$(ls -A "$corpus")" ]; then
  cp "$root"/tests/link/fuzz-seeds/* "$corpus"/
fi

"$build/tests/link/fuzz_link" -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=2048 \
  -artifact_prefix="$artifacts/" -print_final_stats=1 "$@" "$corpus"
echo "corpus: $(ls "$corpus" | wc -l) files, $(du -sh "$corpus" | cut -f1)"
