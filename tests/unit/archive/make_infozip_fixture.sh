#!/bin/sh
# Builds a program-like stub with an Info-ZIP archive appended and its
# offsets adjusted by "zip -A", as a packager using Info-ZIP would.
# Usage: make_infozip_fixture.sh <zip program> <work folder> <output file>
# The archive test builds the same tree with ZipWriter: keep them in step.
set -e
zip=$1
work=$2
out=$3

rm -rf "$work"
mkdir -p "$work/tree/data/deep"
cd "$work/tree"
i=0
: > readme.txt
while [ $i -lt 400 ]; do
  echo "line $i of the package readme" >> readme.txt
  i=$((i + 1))
done
printf 'stored bytes\n' > data/stored.txt
: > data/deep/empty.txt
touch -t 202001021530.44 readme.txt data/stored.txt data/deep/empty.txt data/deep data

# Deflated (and empty) files first, then one file forced to be stored.
"$zip" -q -r ../archive.zip readme.txt data -x data/stored.txt
"$zip" -q -0 ../archive.zip data/stored.txt

cd "$work"
{ printf 'MZ'; head -c 39998 /dev/zero; } > prefix.bin
cat prefix.bin archive.zip > "$out.tmp"
"$zip" -q -A "$out.tmp"
mv "$out.tmp" "$out"
