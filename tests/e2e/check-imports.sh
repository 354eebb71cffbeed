#!/usr/bin/env bash
# The stub must import Windows system DLLs only: Debian's Wine loads its own
# zlib1.dll and libstdc++ into every process, which would hide a missing
# static link that a real Windows machine would not forgive.
set -euo pipefail
exe=$1
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
echo "$dlls"
allowed='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|comctl32|comdlg32|advapi32|shlwapi|msvcrt|api-ms-win-.*)\.dll$'
bad=$(echo "$dlls" | grep -Ev "$allowed" || true)
if [ -n "$bad" ]; then
  echo "not a system DLL: $bad" >&2
  exit 1
fi
