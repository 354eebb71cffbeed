#!/usr/bin/env bash
# The stub goes in front of every package, so its size is a limit, checked
# on the file that ships: stripped, no symbols, no debug sections, at most
# <limit> bytes. The size is deterministic for a given toolchain, so any
# growth is a real change; when the limit is passed, the link map shows
# where the bytes went.
# Usage: check-stub-size.sh <kzpstub.exe> <kzpstub.map> <limit in bytes>
set -euo pipefail
exe=$1 map=$2 limit=$3
here=$(dirname "$0")

size=$(stat -c %s "$exe")
echo "stub: $size bytes, limit $limit, headroom $((limit - size))"

status=0
debug=$(x86_64-w64-mingw32-objdump -h "$exe" | awk '$2 ~ /^\.(debug|zdebug|stab)/ {print $2}')
if [ -n "$debug" ]; then
  echo "not stripped: debug sections $(echo $debug)" >&2
  status=1
fi
if [ -n "$(x86_64-w64-mingw32-nm "$exe" 2>/dev/null | head -1)" ]; then
  echo "not stripped: the symbol table is still there" >&2
  status=1
fi
if ((size > limit)); then
  echo "the stub is $((size - limit)) bytes over its limit; where the bytes are:" >&2
  python3 "$here/../../tools/stub_size/map_summary.py" "$map" 30 >&2
  status=1
fi
exit $status
