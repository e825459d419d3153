#!/usr/bin/env bash
# Fails for every function longer than a screen (80 lines, as pmccabe counts them) without a
# comment saying why it stays whole: a // comment with the word "whole" in the four lines above
# the function's first line.
#   scripts/check-function-length.sh [ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
limit=${DSCDMA_FUNCTION_LINES:-80}
cd "$root"
command -v pmccabe >/dev/null || { echo "pmccabe is not installed" >&2; exit 77; }
# A source tree without git (an unpacked release) is searched instead.
if ! mapfile -t files < <(git ls-files -- '*.cpp' '*.h' 2>/dev/null) || [ ${#files[@]} -eq 0 ]; then
  mapfile -t files < <(find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
[ ${#files[@]} -gt 0 ] || { echo "no sources under $root" >&2; exit 1; }
bad=0
# pmccabe: modified and traditional complexity, statements, first line, lines, "file(line): name"
while read -r _ _ _ first lines where; do
  [ "$lines" -gt "$limit" ] || continue
  file=${where%%(*}
  from=$(( first > 4 ? first - 4 : 1 ))
  if sed -n "${from},${first}p" "$file" | grep -E '^\s*//' | grep -qiw 'whole'; then
    continue
  fi
  echo "$file:$first: ${where#*: } is $lines lines long, with no comment saying why it stays whole"
  bad=1
done < <(pmccabe "${files[@]}" 2>/dev/null)
exit $bad
