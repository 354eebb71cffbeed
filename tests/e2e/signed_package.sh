#!/usr/bin/env bash
# A package signed after "kzppack build" (osslsigncode, with a self-signed
# certificate that openssl makes here) runs under Wine like an unsigned one,
# and a second archive that an attacker adds outside the signed bytes is
# never seen: neither one appended after the certificate table nor one
# hidden inside it (its size fields grown, which the signature does not
# cover). The signed files extract and the signed installer runs (exit
# code 1641; the other archive's would give 66).
#   signed_package.sh <kzppack> <stub> <kzprun> <fake installer>
set -euo pipefail
. "$(dirname "$0")/../support/wine_verdict.sh"   # wine_output, wine_path
[ -x "$1" ] || { echo "kzppack is not built: run scripts/build"; exit 1; }
kzppack=$(realpath "$1") stub=$(realpath "$2") kzprun=$(realpath "$3") installer=$(realpath "$4")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() {
  echo "FAILED: $*"
  exit 1
}

# A package folder: description, installer and one file of its own.
make_folder() {
  local folder=$1 exit_code=$2 own_file=$3
  mkdir -p "$folder"
  cat >"$folder/package.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<kzp_package version="2.0.1.0">
  <filename>package.exe</filename>
  <name><name_xlate lang="en">Signed Test Package</name_xlate></name>
  <version value="1.0"/>
  <installation><install>
    <command>setup.exe</command>
    <command_params>-exit:$exit_code</command_params>
  </install></installation>
</kzp_package>
EOF
  cp "$installer" "$folder/setup.exe"
  printf '%s\n' "$own_file" >"$folder/$own_file"
}

# Little-endian 32-bit fields of a file.
u32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; }
put32() {
  local bytes
  bytes=$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($3 & 255)) $(($3 >> 8 & 255)) \
    $(($3 >> 16 & 255)) $(($3 >> 24 & 255)))
  printf "$bytes" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=kzpstub test signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
make_folder signed 1641 signed.txt
"$kzppack" build --stub "$stub" --out built.exe signed >/dev/null
osslsigncode sign -certs cert.pem -key key.pem -n "Signed Test Package" \
  -in built.exe -out package.exe >/dev/null
osslsigncode verify -CAfile cert.pem -in package.exe >/dev/null ||
  fail "the signed package does not verify"

# The security directory of the stub (a 64-bit program) names the table.
entry=$(($(u32 package.exe 60) + 24 + 112 + 32))
table=$(u32 package.exe "$entry")
[ "$table" -ge "$(stat -c %s built.exe)" ] || fail "no certificate table after the archive"

# The other archive, with its offsets made absolute by "zip -A".
make_folder other 66 evil.txt
(cd other && zip -q -X -r ../other.zip .)
cat package.exe other.zip >appended.exe
zip -q -A appended.exe >/dev/null
cp appended.exe inside.exe
head -c $(((8 - $(stat -c %s inside.exe) % 8) % 8)) /dev/zero >>inside.exe
grown=$(($(stat -c %s inside.exe) - table))
put32 inside.exe $((entry + 4)) "$grown"
put32 inside.exe "$table" "$grown"
# For the record: recent osslsigncode still accepts the signature.
if osslsigncode verify -CAfile cert.pem -in inside.exe >/dev/null 2>&1; then
  echo "inside.exe: the signature still verifies with an archive inside the table"
fi

exit_code() {
  wine_output "$kzprun" "$(wine_path "$1")" "${@:2}" </dev/null | tr -d '\r' |
    sed -n 's/^exit code \([0-9-]*\) .*/\1/p'
}

for package in package.exe appended.exe inside.exe; do
  out=$work/out-${package%.exe}
  mkdir "$out"
  code=$(exit_code "$package" "/extract:$(wine_path "$out")")
  [ "$code" = 1 ] || fail "$package /extract: ended with $code"
  listing=$(cd "$out" && find . -type f | sort | tr '\n' ' ')
  [ "$listing" = "./package.xml ./setup.exe ./signed.txt " ] ||
    fail "$package extracted: $listing"
  code=$(exit_code "$package" /install)
  [ "$code" = 1641 ] || fail "$package /install ended with $code"
  echo "$package: /extract: and /install use the signed archive"
done
echo "signed package: ok"
