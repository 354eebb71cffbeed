#!/usr/bin/env bash
# File times through the real stub in time zones with and without summer
# time. A DOS stamp is the local clock time on the date it names: a package
# built in a zone and extracted in the same zone must give every file back
# its own moment, a September one (summer time in New York) as well as a
# December one, whichever half of the year the run happens in, and one of
# a year whose summer time began on another date (New York began it in
# April until 2006, in March since 2007).
#   file_times_by_zone.sh <kzppack> <stub> <kzprun>
# Under Wine a program takes its time zone from its own TZ (measured with
# Wine 8.0: a wineserver started under another TZ changes nothing).
set -euo pipefail
. "$(dirname "$0")/../support/wine_verdict.sh"   # wine_output, wine_path
kzppack=$1 stub=$2 kzprun=$3
[ -x "$kzppack" ] || { echo "kzppack is not built: run scripts/build"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for zone in America/New_York Asia/Tokyo; do
  in=$work/${zone//\//-} out=$work/${zone//\//-}-out
  mkdir -p "$in" "$out"
  cat >"$in/package.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<kzp_package version="2.0.1.0">
  <filename>package.exe</filename>
  <name><name_xlate lang="en">File times</name_xlate></name>
  <installation><install><command>setup.cmd</command></install></installation>
</kzp_package>
EOF
  printf '@echo off\r\n' >"$in/setup.cmd"
  printf 'summer\n' >"$in/september.txt"
  printf 'winter\n' >"$in/december.txt"
  printf 'spring\n' >"$in/march-2006.txt"
  TZ=$zone touch -d '2010-09-05 12:12:02' "$in/september.txt"
  TZ=$zone touch -d '2010-12-05 12:12:02' "$in/december.txt"
  TZ=$zone touch -d '2006-03-20 12:12:02' "$in/march-2006.txt"
  TZ=$zone "$kzppack" build --stub "$stub" --out "$work/package.exe" "$in" >/dev/null
  # The stamps hold the local clock times as they are.
  listing=$("$kzppack" inspect "$work/package.exe")
  grep -q '2010-09-05 12:12:02  september.txt' <<<"$listing" || fail "$zone: stored stamp"
  result=$(TZ=$zone wine_output "$kzprun" "$(wine_path "$work/package.exe")" \
    "/extract:$(wine_path "$out")" | tr -d '\r')
  [ "$result" = "exit code 1 (0x00000001)" ] || fail "$zone: extracting: $result"
  for name in september.txt december.txt march-2006.txt; do
    want=$(stat -c %Y "$in/$name") got=$(stat -c %Y "$out/$name")
    [ "$want" = "$got" ] ||
      fail "$zone: $name extracted with $(date -u -d "@$got") instead of $(date -u -d "@$want")"
  done
done
echo "file times by zone: ok"
