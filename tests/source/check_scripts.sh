#!/bin/sh
# The source checks fail on a planted fault and pass once it is mended or explained, so that
# their passing on the project's own tree means something.
#   check_scripts.sh SCRIPTS_DIR
set -eu
command -v pmccabe >/dev/null || exit 77
scripts=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A function of 81 lines (pmccabe counts the lines from its name to its closing brace).
long_function() {
  echo "$1"
  echo "int Long()"
  echo "{"
  i=0
  while [ $i -lt 78 ]; do echo "    ;"; i=$((i + 1)); done
  echo "}"
}
long_function "" > "$tree/long.cpp"
"$scripts/check-function-length.sh" "$tree" > "$tree/out" && fail "an 81-line function passed"
grep -q 'long.cpp:2: Long is 81 lines long' "$tree/out" || fail "the report does not name it: $(cat "$tree/out")"
long_function "// Kept whole: one table, read from top to bottom." > "$tree/long.cpp"
"$scripts/check-function-length.sh" "$tree" || fail "a function explained as whole failed"
# One line shorter is within the limit, with or without a comment.
long_function "" | sed '4d' > "$tree/long.cpp"
"$scripts/check-function-length.sh" "$tree" || fail "an 80-line function failed"
rm "$tree/long.cpp"

mkdir -p "$tree/core/a" "$tree/core/b"
printf '#pragma once\n#include "core/b/b.h"\n' > "$tree/core/a/a.h"
printf '#include "core/a/a.h"\n' > "$tree/core/a/a.cpp"
printf '#pragma once\n' > "$tree/core/b/b.h"
printf '#include "core/b/b.h"\n#include "a.h"\n' > "$tree/core/b/b.cpp"
python3 "$scripts/check-include-cycles.py" "$tree" > "$tree/out" && fail "a circle through a source passed"
grep -q 'core/a/a, core/b/b' "$tree/out" || fail "the report does not name the circle: $(cat "$tree/out")"
printf '#include "core/b/b.h"\n' > "$tree/core/b/b.cpp"
python3 "$scripts/check-include-cycles.py" "$tree" || fail "a tree without a circle failed"
echo "the source checks catch what they are for"
