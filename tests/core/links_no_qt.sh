#!/bin/sh
# Fails when any program given links a Qt library, directly or through another library. Where
# the programs cannot be inspected (no ldd, a cross build), says so and passes nothing unseen:
# it exits 77, which CTest reports as skipped.
[ $# -gt 0 ] || { echo "no programs given" >&2; exit 1; }
command -v ldd >/dev/null || { echo "no ldd to inspect the programs" >&2; exit 77; }
status=0
for program in "$@"; do
  if ! libraries=$(ldd "$program" 2>&1); then
    echo "cannot inspect $program: $libraries" >&2
    exit 77
  fi
  if echo "$libraries" | grep -i 'libqt' >&2; then
    echo "$program links Qt" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "$# programs, none links Qt"
exit $status
