#!/usr/bin/env bash
# A build that fails half way leaves the old package as it was and no
# temporary file, for both builds of kzppack; and kzppack.exe reads a file
# that another program holds open whenever that program lets others read.
#   kzppack_failed_build.sh <case> <kzppack> <kzppack.exe> <stub> <kzprun> <hold_file.exe>
# Cases:
#   unreadable  a file of the folder cannot be read: for the Linux build one
#               without read permission (run as nobody when we are root),
#               for the Windows build one that another program holds open
#               without sharing it, and a Linux pipe, which Wine lists as a
#               file
#   full-disk   the package goes to a 1 MiB tmpfs that fills up
# A case whose set-up the machine cannot make ends with 77 (skipped).
set -euo pipefail
case_name=$1 kzppack=$2 kzppack_exe=$3 stub=$4 kzprun=$5 hold=$6
[ -x "$kzppack" ] || { echo "kzppack is not built: run scripts/build"; exit 1; }

. "$(dirname "$0")/../support/wine_verdict.sh"   # wine_path
work=$(mktemp -d)
mounted=
holder=
cleanup() {
  [ -z "$holder" ] || { exec 3>&-; wait "$holder" 2>/dev/null || true; }
  [ -z "$mounted" ] || umount "$mounted" || true
  chmod -R u+rwx "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
skip() { echo "skipped: $*"; exit 77; }
win() { wine_path "$1"; }
# kzppack.exe under Wine, with its own exit code.
pack_exe() { "$(dirname "$0")/kzppack_exe.sh" "$kzprun" "$kzppack_exe" "$@"; }

in=$work/in out=$work/out
mkdir -p "$in" "$out"
cat >"$in/package.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<kzp_package version="2.0.1.0">
  <name><name_xlate lang="en">Failed build</name_xlate></name>
  <installation><install><command>setup.cmd</command></install></installation>
</kzp_package>
XML
printf 'exit /b 0\r\n' >"$in/setup.cmd"
printf 'the package of the last good build\n' >"$out/package.exe"
cp "$out/package.exe" "$work/old.exe"

# build_fails <which> <message> [build options...]: the build exits with 1
# and says why; the old package is as it was; no temporary file is left.
build_fails() {
  local which=$1 expected=$2 status=0
  shift 2
  if [ "$which" = linux ]; then
    "${runner[@]}" "$kzppack" build --stub "$stub" --out "$out/package.exe" "$@" "$in" \
      >"$work/messages" 2>&1 || status=$?
  else
    pack_exe build --stub "$(win "$stub")" --out "$(win "$out/package.exe")" "$@" \
      "$(win "$in")" >"$work/messages" 2>&1 || status=$?
  fi
  [ "$status" = 1 ] || fail "$which build: exit code $status: $(cat "$work/messages")"
  grep -q -- "$expected" "$work/messages" ||
    fail "$which build does not say \"$expected\": $(cat "$work/messages")"
  grep -q "no package written" "$work/messages" || fail "$which build: $(cat "$work/messages")"
  cmp -s "$work/old.exe" "$out/package.exe" || fail "$which build changed the old package"
  [ -z "$(ls -A "$out" | grep -F '.kzppack-' || true)" ] ||
    fail "$which build left a temporary file: $(ls -A "$out")"
}

runner=()
case $case_name in
  unreadable)
    printf 'secret\n' >"$in/unreadable.txt"
    chmod 000 "$in/unreadable.txt"
    if [ "$(id -u)" = 0 ]; then
      command -v setpriv >/dev/null || skip "no setpriv to run the Linux build as nobody"
      runner=(setpriv --reuid=65534 --regid=65534 --clear-groups)
      chmod 0777 "$work" "$out"
      chmod -R a+rX "$in"
      chmod 000 "$in/unreadable.txt"
      chmod a+r "$stub" 2>/dev/null || true
    fi
    build_fails linux "unreadable.txt: Permission denied"
    runner=()
    chmod 644 "$in/unreadable.txt"

    # Held without sharing: refused, with a message that says why.
    exec 3> >(wine "$hold" "$(win "$in/unreadable.txt")" none >"$work/held" 2>&1)
    holder=$!
    for _ in $(seq 50); do grep -q holding "$work/held" 2>/dev/null && break; sleep 0.2; done
    grep -q holding "$work/held" || fail "the file could not be held: $(cat "$work/held")"
    build_fails windows "another program has it open and lets no other program read it"
    exec 3>&-
    wait "$holder" || true
    holder=

    # Held by a program that shares it: read as usual.
    exec 3> >(wine "$hold" "$(win "$in/unreadable.txt")" read >"$work/held" 2>&1)
    holder=$!
    for _ in $(seq 50); do grep -q holding "$work/held" 2>/dev/null && break; sleep 0.2; done
    # Else the build below would read a file that no one holds.
    grep -q holding "$work/held" || fail "the file could not be held for sharing: $(cat "$work/held")"
    pack_exe build --stub "$(win "$stub")" --out "$(win "$work/shared.exe")" \
      "$(win "$in")" >"$work/messages" 2>&1 || fail "a shared file was not read: $(cat "$work/messages")"
    exec 3>&-
    wait "$holder" || true
    holder=

    # A Linux pipe looks like a file to Windows programs under Wine: the
    # Windows build meets it only when it opens it, half way through.
    mkfifo "$in/pipe"
    build_fails windows "pipe: not a regular file"
    ;;
  full-disk)
    # Incompressible, so that --store and deflate both need 2 MiB.
    head -c 2097152 /dev/urandom >"$in/noise.bin"
    mount -t tmpfs -o size=1m kzp-full-disk "$out" 2>/dev/null ||
      skip "cannot mount a tmpfs on $out (needs root and a kernel that allows it)"
    mounted=$out
    cp "$work/old.exe" "$out/package.exe"
    build_fails linux "No space left on device"
    build_fails windows "No space left on device"
    ;;
  *)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "$case_name: ok"
