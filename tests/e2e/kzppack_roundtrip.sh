#!/usr/bin/env bash
# The packer and the stub together: kzppack packs a folder natively, the
# package extracts it under Wine, and the result equals the folder (names,
# bytes, empty folders, times, the read-only bit). Bad input to kzppack ends
# with a message and exit code 1.
set -euo pipefail
kzppack=$1 stub=$2 kzprun=$3
[ -x "$kzppack" ] || { echo "kzppack is not built: run scripts/build"; exit 1; }

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
in=$work/in
mkdir -p "$in/sub/deeper" "$in/empty" "$work/out"
printf 'hello\r\n' >"$in/readme.txt"
seq 1 20000 >"$in/sub/numbers.txt"
head -c 70000 /dev/zero | tr '\0' 'x' >"$in/sub/deeper/xs.bin"
: >"$in/sub/zero-length"
printf 'do not change\n' >"$in/locked.txt"
chmod a-w "$in/locked.txt"
# DOS times have two-second steps: use an even second.
touch -d '2021-06-15 10:20:30' "$in/readme.txt"

"$kzppack" build --stub "$stub" --out "$work/package.exe" "$in"
result=$(wine "$kzprun" "$(winepath -w "$work/package.exe")" "/extract:$(winepath -w "$work/out")" |
  tr -d '\r')
[ "$result" = "exit code 1 (0x00000001)" ] || { echo "extraction: $result"; exit 1; }

diff -r "$in" "$work/out"
[ -d "$work/out/empty" ] || { echo "the empty folder is missing"; exit 1; }
[ "$(stat -c %Y "$in/readme.txt")" = "$(stat -c %Y "$work/out/readme.txt")" ] ||
  { echo "modification time differs"; exit 1; }
attributes=$(wine cmd /c attrib "$(winepath -w "$work/out/locked.txt")" 2>/dev/null | tr -d '\r')
case "$attributes" in
  *R*) ;;
  *) echo "locked.txt is not read-only after extraction: $attributes"; exit 1 ;;
esac

# Bad input: a clear message and exit code 1, no package written.
expect_refusal() {
  local what=$1
  shift
  if "$kzppack" build --stub "$stub" --out "$work/bad.exe" "$@" 2>"$work/err"; then
    echo "kzppack accepted $what"
    exit 1
  fi
  grep -q . "$work/err" || { echo "no message for $what"; exit 1; }
  [ ! -e "$work/bad.exe" ] || { echo "a package was written for $what"; exit 1; }
}
expect_refusal "a missing folder" "$work/no-such-folder"
mkdir -p "$work/unicode" && : >"$work/unicode/caf$(printf '\xc3\xa9').txt"
expect_refusal "a non-ASCII name" "$work/unicode"
mkdir -p "$work/device/docs" && : >"$work/device/docs/nul.txt"
expect_refusal "a device name" "$work/device"
mkdir -p "$work/linked" && ln -s /etc/hostname "$work/linked/link"
expect_refusal "a symbolic link" "$work/linked"
echo "kzppack round trip: ok"
