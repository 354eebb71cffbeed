#!/usr/bin/env bash
# Silent extraction into target folders with something unusual about their
# file system, checked from Linux after the real stub ran under Wine.
#   extract_target_fs.sh <case> <kzppack> <stub> <kzprun>
# Cases:
#   inherited-acl  new files in the target inherit a read-only default ACL
#                  (what NTFS inheritance is to Windows): every extracted file
#                  must end with exactly its own attributes, so a plain file
#                  is writable again and a read-only one stays read-only.
#   full-disk      the target is a 1 MiB tmpfs that fills up during the
#                  second file: the run fails, the first file stays complete,
#                  and nothing of the second (or later) file is left.
# A case whose set-up the machine cannot make ends with 77 (skipped) and a
# message.
set -euo pipefail
. "$(dirname "$0")/../support/wine_verdict.sh"   # wine_output, wine_path
case_name=$1 kzppack=$2 stub=$3 kzprun=$4
[ -x "$kzppack" ] || { echo "kzppack is not built: run scripts/build"; exit 1; }

work=$(mktemp -d)
mounted=
cleanup() {
  [ -z "$mounted" ] || umount "$mounted" || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
in=$work/in out=$work/out
mkdir -p "$in" "$out"

skip() {
  echo "skipped: $*"
  exit 77
}

# Runs the package with /extract: into $out; prints the full exit code.
extract() {
  wine_output "$kzprun" "$(wine_path "$1")" "/extract:$(wine_path "$out")" | tr -d '\r' |
    sed -n 's/^exit code \([0-9-]*\) .*/\1/p'
}

writable() { [ -n "$(find "$1" -perm -u+w)" ]; }

# <count> incompressible bytes, the same on every run for one <seed>.
noise() {
  { openssl enc -aes-128-ctr -nosalt -K "$(printf '%032x' "$2")" \
      -iv 00000000000000000000000000000000 </dev/zero 2>/dev/null || true; } | head -c "$1"
}

case $case_name in
  inherited-acl)
    printf 'plain\n' >"$in/plain.txt"
    printf 'locked\n' >"$in/locked.txt"
    chmod a-w "$in/locked.txt"
    touch -d '2022-03-04 05:06:08' "$in/plain.txt"
    "$kzppack" build --stub "$stub" --out "$work/package.exe" "$in" >/dev/null
    setfacl -d -m u::r--,g::r--,o::r-- "$out" 2>/dev/null ||
      skip "the file system under $work takes no default ACL"
    [ "$(extract "$work/package.exe")" = 1 ] || { echo "extraction failed"; exit 1; }
    writable "$out/plain.txt" || { echo "plain.txt kept the read-only bit it inherited"; exit 1; }
    ! writable "$out/locked.txt" || { echo "locked.txt is not read-only"; exit 1; }
    [ "$(stat -c %Y "$in/plain.txt")" = "$(stat -c %Y "$out/plain.txt")" ] ||
      { echo "plain.txt has the wrong modification time"; exit 1; }
    diff -r "$in" "$out"
    ;;
  full-disk)
    noise 400000 1 >"$in/first.bin"
    noise 900000 2 >"$in/second.bin"
    printf 'never reached\n' >"$in/third.txt"
    "$kzppack" build --store --stub "$stub" --out "$work/package.exe" "$in" >/dev/null
    mount -t tmpfs -o size=1m kzp-full-disk "$out" 2>/dev/null ||
      skip "cannot mount a tmpfs on $out (needs root and a kernel that allows it)"
    mounted=$out
    [ "$(extract "$work/package.exe")" = 0 ] || { echo "a full disk did not fail the run"; exit 1; }
    cmp "$in/first.bin" "$out/first.bin"
    listing=$(cd "$out" && find . -mindepth 1 | sort | tr '\n' ' ')
    [ "$listing" = "./first.bin " ] || { echo "left in the target: $listing"; exit 1; }
    ;;
  *)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "$case_name: ok"
