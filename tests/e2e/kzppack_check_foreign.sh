#!/usr/bin/env bash
# Packages made with Info-ZIP rather than kzppack, put behind the stub with
# "zip -A": `kzppack check` (both builds) reaches the stub's verdict on each.
# The stub's verdict is that of /install: the package's exit code 7 when it
# takes the package, 1603 when it refuses it; check then exits with 0 or 1.
#   kzppack_check_foreign.sh <kzppack> <kzppack.exe> <stub> <kzprun>
set -euo pipefail
kzppack=$1 kzppack_exe=$2 stub=$3 kzprun=$4
[ -x "$kzppack" ] || { echo "kzppack is not built: run scripts/build"; exit 1; }
command -v zip >/dev/null || { echo "skipped: Info-ZIP's zip is not installed"; exit 77; }

. "$(dirname "$0")/../support/wine_verdict.sh"   # wine_output, wine_path
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

folder=$work/folder
mkdir -p "$folder/docs"
cat >"$folder/package.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<kzp_package version="2.0.1.0">
  <name><name_xlate lang="en">Made with Info-ZIP</name_xlate></name>
  <installation><install><command>setup.cmd</command></install></installation>
</kzp_package>
EOF
printf '@echo off\r\nexit /b 7\r\n' >"$folder/setup.cmd"
seq 1 2000 >"$folder/docs/numbers.txt"

# behind <zip> <package>: the stub, then the archive, offsets adjusted.
behind() {
  cat "$stub" "$1" >"$2"
  zip -q -A "$2"
}

# verdict <package> <stub's exit code> <check's exit code> [message]
verdict() {
  local package=$1 installs=$2 checks=$3 message=${4:-}
  local result status=0
  result=$(wine_output "$kzprun" "$(wine_path "$package")" /install | tr -d '\r')
  [ "$result" = "exit code $installs ($(printf '0x%08X' "$installs"))" ] ||
    fail "$(basename "$package"): the stub: $result, not $installs"
  "$kzppack" check "$package" >"$work/linux" 2>&1 || status=$?
  [ "$status" = "$checks" ] || fail "$(basename "$package"): check exits with $status: $(cat "$work/linux")"
  status=0
  "$(dirname "$0")/kzppack_exe.sh" "$kzprun" "$kzppack_exe" check "$(wine_path "$package")" \
    >"$work/windows.raw" 2>&1 || status=$?
  tr -d '\r' <"$work/windows.raw" >"$work/windows"
  [ "$status" = "$checks" ] ||
    fail "$(basename "$package"): kzppack.exe check exits with $status: $(cat "$work/windows")"
  [ -z "$message" ] || grep -q -- "$message" "$work/linux" ||
    fail "$(basename "$package"): check does not say \"$message\": $(cat "$work/linux")"
  [ -z "$message" ] || grep -q -- "$message" "$work/windows" ||
    fail "$(basename "$package"): kzppack.exe check does not say \"$message\": $(cat "$work/windows")"
}

# The folder as Info-ZIP packs it: the stub takes it.
(cd "$folder" && zip -q -r -X "$work/plain.zip" .)
behind "$work/plain.zip" "$work/plain.exe"
verdict "$work/plain.exe" 7 0

# One entry more, compressed with bzip2 (method 12).
cp "$work/plain.zip" "$work/bzip2.zip"
seq 1 500 >"$work/extra.txt"
(cd "$work" && zip -q -Z bzip2 bzip2.zip extra.txt)
behind "$work/bzip2.zip" "$work/bzip2.exe"
verdict "$work/bzip2.exe" 1603 1 "extra.txt: error: the stub refuses the package for this entry: packed with method 12 (bzip2)"

# (Data descriptors, which Info-ZIP writes to a pipe, are gone once "zip -A"
# has rewritten the archive: tests/kzppack and tests/unit/packer make them.)

# Encrypted with a password: entries flagged encrypted, their data scrambled.
(cd "$folder" && zip -q -r -X -P secret "$work/encrypted.zip" .)
behind "$work/encrypted.zip" "$work/encrypted.exe"
verdict "$work/encrypted.exe" 1603 1 "setup.cmd: error: the stub refuses the package for this entry: encrypted"

# (Left unadjusted, a package does not open at all, and the stub says so in
# a message box even with /install: tests/kzppack covers that case.)
echo "check of foreign packages: ok"
