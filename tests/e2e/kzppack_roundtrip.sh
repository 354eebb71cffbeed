#!/usr/bin/env bash
# The packer and the stub together: kzppack packs folders of several shapes
# natively, the packages extract them under Wine, and the results equal the
# folders (names, bytes, empty files and folders, times, the read-only bit).
# Also: Japanese and accented names, in UTF-8 under a Western and a Japanese
# Windows locale and with --codepage 932 under a Japanese one,
# an encrypted configuration that the stub loads, and byte-identical output
# from two builds.
set -euo pipefail
. "$(dirname "$0")/../support/wine_verdict.sh"   # wine_output, wine_path
kzppack=$1 stub=$2 kzprun=$3
[ -x "$kzppack" ] || { echo "kzppack is not built: run scripts/build"; exit 1; }

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The smallest description that a build accepts.
describe() {
  local folder=$1 command=${2:-setup.cmd}
  cat >"$folder/package.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<kzp_package version="2.0.1.0">
  <filename>package.exe</filename>
  <name><name_xlate lang="en">Round trip</name_xlate></name>
  <installation><install><command>$command</command></install></installation>
</kzp_package>
EOF
  printf '@echo off\r\nexit /b 7\r\n' >"$folder/$command"
}

# extract <package> <folder> [locale]: /extract: under Wine, exit code 1.
extract() {
  mkdir -p "$2"
  local result
  result=$(LC_ALL=${3:-C.UTF-8} wine_output "$kzprun" "$(wine_path "$1")" "/extract:$(wine_path "$2")" |
    tr -d '\r')
  [ "$result" = "exit code 1 (0x00000001)" ] || fail "extracting $1: $result"
}

# Shape 1: blanks in names, empty files and folders, 1 MiB of random bytes
# (stored: deflate cannot shrink it), text, a read-only file, a file time.
in=$work/plain
mkdir -p "$in/sub dir/deeper" "$in/empty folder" "$in/docs"
describe "$in"
printf 'hello\r\n' >"$in/read me.txt"
seq 1 20000 >"$in/sub dir/numbers.txt"
head -c 1048576 /dev/urandom >"$in/sub dir/deeper/random.bin"
: >"$in/docs/zero length"
printf 'do not change\n' >"$in/locked.txt"
chmod a-w "$in/locked.txt"
touch -d '2021-06-15 10:20:30' "$in/read me.txt"   # DOS times have two-second steps
"$kzppack" build --stub "$stub" --out "$work/plain.exe" "$in" >/dev/null
extract "$work/plain.exe" "$work/plain-out"
diff -r "$in" "$work/plain-out" || fail "the extracted files differ"
[ -d "$work/plain-out/empty folder" ] || fail "the empty folder is missing"
[ "$(stat -c %Y "$in/read me.txt")" = "$(stat -c %Y "$work/plain-out/read me.txt")" ] ||
  fail "modification time differs"
attributes=$(wine_output cmd /c attrib "$(wine_path "$work/plain-out/locked.txt")" | tr -d '\r')
case "$attributes" in *R*) ;; *) fail "locked.txt is not read-only after extraction: $attributes" ;; esac

# Shape 2: Japanese and accented names. Without --codepage they are
# written in UTF-8, marked so, and come out the same under a Western and a
# Japanese Windows locale; with --codepage 932 they are written in that code
# page and come out right under a Japanese one. check and inspect read both.
# Wine writes non-ASCII file names only under a glibc locale that exists:
# make them in a private LOCPATH.
mkdir -p "$work/locale"
for locale in de_DE ja_JP; do
  localedef -i $locale -f UTF-8 "$work/locale/$locale.UTF-8" >/dev/null 2>&1 || true
done
export LOCPATH=$work/locale
jp=$work/japanese
mkdir -p "$jp/資料" "$jp/空のフォルダ"
describe "$jp"
printf 'テキスト\n' >"$jp/資料/説明書.txt"
printf 'x' >"$jp/ソフト 表.txt"   # 表 is 0x95 0x5C in code page 932: a trail byte that looks like "\"
mixed=$work/mixed
cp -r "$jp" "$mixed"
printf 'accents\n' >"$mixed/Café déjà vu.txt"
"$kzppack" build --stub "$stub" --out "$work/utf8.exe" "$mixed" >/dev/null
for locale in de_DE.UTF-8 ja_JP.UTF-8; do
  extract "$work/utf8.exe" "$work/utf8-$locale" $locale
  diff -r "$mixed" "$work/utf8-$locale" || fail "the UTF-8 names differ under $locale"
done
"$kzppack" check "$work/utf8.exe" >/dev/null || fail "kzppack check refuses the UTF-8 package"
"$kzppack" inspect "$work/utf8.exe" | grep -q '  資料/説明書.txt$' ||
  fail "kzppack inspect does not show the UTF-8 names"
"$kzppack" build --stub "$stub" --codepage 932 --out "$work/japanese.exe" "$jp" >/dev/null
extract "$work/japanese.exe" "$work/japanese-out" ja_JP.UTF-8
diff -r "$jp" "$work/japanese-out" || fail "the Japanese names differ"
"$kzppack" check --codepage 932 "$work/japanese.exe" >/dev/null ||
  fail "kzppack check refuses the code page 932 package"
"$kzppack" inspect --codepage 932 "$work/japanese.exe" | grep -q '  ソフト 表.txt$' ||
  fail "kzppack inspect does not show the code page 932 names"

# Shape 3: an encrypted configuration, which the stub must decrypt to load
# the package at all: /install runs the command only when it does.
enc=$work/encrypted
mkdir -p "$enc"
describe "$enc" setup.cmd   # setup.cmd ends with 7
printf '<config>secret</config>' >"$enc/settings.xml"   # 23 bytes: 3 blocks
cat >"$enc/vr_data.xml" <<'EOF'
<vr_pkg_data><configuration><config_file><filename encrypt="1">settings.xml</filename></config_file></configuration></vr_pkg_data>
EOF
if "$kzppack" build --stub "$stub" --out "$work/package.exe" "$enc" 2>"$work/err"; then
  fail "a plain file marked encrypted was packed without --encrypt-config"
fi
"$kzppack" build --stub "$stub" --encrypt-config --out "$work/package.exe" "$enc" >/dev/null
result=$(wine_output "$kzprun" "$(wine_path "$work/package.exe")" /install | tr -d '\r')
[ "$result" = "exit code 7 (0x00000007)" ] || fail "the encrypted package: $result"
unzip -p "$work/package.exe" settings.xml 2>/dev/null | grep -qx '[0-9A-F]\{48\}' ||
  fail "settings.xml is not stored as 48 upper-case hex digits"

# Signed after the build: the certificate table goes after the archive,
# and both the stub and kzppack still read the package.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" \
  -days 2 -subj "/CN=Round trip" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Round trip" \
  -in "$work/plain.exe" -out "$work/signed.exe" >/dev/null
extract "$work/signed.exe" "$work/signed-out"
diff -r "$in" "$work/signed-out" || fail "the signed package extracts other files"
"$kzppack" check "$work/signed.exe" >/dev/null || fail "kzppack check refuses the signed package"

# Reproducible: the same folder gives the same bytes; with SOURCE_DATE_EPOCH
# even after every file time changed.
"$kzppack" build --stub "$stub" --out "$work/again.exe" "$in" >/dev/null
cmp "$work/plain.exe" "$work/again.exe" || fail "two builds differ"
SOURCE_DATE_EPOCH=1700000000 "$kzppack" build --stub "$stub" --out "$work/epoch1.exe" "$in" >/dev/null
find "$in" -exec touch -h -d '2030-01-01 12:00' {} +
SOURCE_DATE_EPOCH=1700000000 "$kzppack" build --stub "$stub" --out "$work/epoch2.exe" "$in" >/dev/null
cmp "$work/epoch1.exe" "$work/epoch2.exe" || fail "SOURCE_DATE_EPOCH builds differ"
# 1700000000 is 2023-11-14 22:13:20 UTC; DOS times hold it as it is.
"$kzppack" inspect "$work/epoch1.exe" | grep -q '2023-11-14 22:13:20  read me.txt' ||
  fail "entry times do not come from SOURCE_DATE_EPOCH"
ls -A "$work" | grep -q '\.kzppack-' && fail "a temporary file was left behind"
echo "kzppack round trip: ok"
