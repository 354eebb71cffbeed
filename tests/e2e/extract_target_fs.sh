#!/usr/bin/env bash
# Silent extraction into target folders with something special about their
# file system, checked from Linux after the real stub ran under Wine.
#   extract_target_fs.sh <case> <kzppack> <stub> <kzprun>
# Cases:
#   inherited-acl  new files in the target inherit a read-only default ACL
#                  (what NTFS inheritance is to Windows): every extracted file
#                  must end with exactly its own attributes, so a plain file
#                  is writable again and a read-only one stays read-only.
# A case whose set-up the machine cannot make ends with 77 (skipped) and a
# message.
set -euo pipefail
case_name=$1 kzppack=$2 stub=$3 kzprun=$4
[ -x "$kzppack" ] || { echo "kzppack is not built: run scripts/build"; exit 1; }

work=$(mktemp -d)
cleanup() {
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
  wine "$kzprun" "$(winepath -w "$1")" "/extract:$(winepath -w "$out")" | tr -d '\r' |
    sed -n 's/^exit code \([0-9-]*\) .*/\1/p'
}

writable() { [ -n "$(find "$1" -perm -u+w)" ]; }

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
  *)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "$case_name: ok"
