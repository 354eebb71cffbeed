#!/usr/bin/env bash
# kzppack_exe.sh <kzprun.exe> <kzppack.exe> [arguments...]
# Runs kzppack.exe under Wine the way kzppack runs on Linux: what it prints
# on standard output and standard error, and its exit code as this
# script's. It goes through kzprun, which reports the exit code that
# Windows recorded, and wine_output (tests/support/wine_verdict.sh), so a
# Wine process that dies on its way out does not change the verdict, and
# one that dies before reporting runs once more. Ends with 125 when no
# exit code came back at all.
set -uo pipefail
. "$(dirname "$0")/../support/wine_verdict.sh"
kzprun=$1 program=$2
shift 2
report=$(wine_output "$kzprun" "$program" "$@") || exit 125
last=${report##*$'\n'}
code=$(sed -n 's/^exit code \(-\{0,1\}[0-9]*\) .*/\1/p' <<<"$last")
if [ -z "$code" ]; then
  printf 'kzppack_exe.sh: kzprun reported no exit code: %s\n' "$report" >&2
  exit 125
fi
[ "$last" = "$report" ] || printf '%s\n' "${report%$'\n'"$last"}"
exit "$code"
