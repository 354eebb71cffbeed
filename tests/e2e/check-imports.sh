#!/usr/bin/env bash
# The stub may import Windows' KnownDLLs only. The loader resolves the import
# table before the stub's first line runs, and it takes any other DLL from
# the program's own folder first: a Downloads folder, where a stranger can
# leave a comctl32.dll or a zlib1.dll (Debian's Wine even loads its own
# zlib1.dll and libstdc++ into every process, which would hide a missing
# static link). Anything else is loaded at run time from the system folder
# (LoadSystemLibrary in app/dll_search.h).
set -euo pipefail
exe=$1
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
echo "$dlls"
# The KnownDLLs that Windows 7 SP1 and Windows 10/11 both list under
# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs (the key
# that Microsoft's "Dynamic-link library search order" names), lower case.
# comctl32, riched32, uxtheme and version are not on it.
known=(advapi32 clbcatq comdlg32 difxapi gdi32 imagehlp imm32 kernel32 msctf msvcrt
  normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32
  wldap32 ws2_32)
allowed="^($(IFS='|'; echo "${known[*]}"))\.dll$"
bad=$(echo "$dlls" | grep -Ev "$allowed" || true)
if [ -n "$bad" ]; then
  echo "not a KnownDLL (load it with LoadSystemLibrary instead): $bad" >&2
  exit 1
fi
