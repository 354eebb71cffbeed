#!/usr/bin/env bash
# kzppack.exe under Wine and the stub together: a folder with blanks in its
# names, empty files and folders, read-only, hidden and system files, a dot
# file, Japanese names (--codepage 932), an encrypted configuration and a
# folder chain whose paths pass 260 characters is packed by the Windows build; the
# stub extracts the same tree with the same attributes; the Linux build
# packs the same bytes, with SOURCE_DATE_EPOCH and without it. Then names
# that are not ASCII without --codepage: UTF-8 on both builds.
#   kzppack_exe_roundtrip.sh <kzppack> <kzppack.exe> <stub> <kzprun>
set -euo pipefail
kzppack=$1 kzppack_exe=$2 stub=$3 kzprun=$4
[ -x "$kzppack" ] || { echo "kzppack is not built: run scripts/build"; exit 1; }

. "$(dirname "$0")/../support/wine_verdict.sh"   # wine_output, wine_path
work=$(mktemp -d)
# Wine shows Windows programs a file whose name starts with a dot as hidden,
# unless ShowDotFiles is set; the Linux build does not hide such files (on
# Windows a dot is no reason to hide one). This run sets it, as a Windows
# folder of the same files would be, and puts back what the prefix, which
# other tests share, had before. Wine reads it when a process starts.
dot_files=$(wine reg query 'HKCU\Software\Wine' /v ShowDotFiles 2>/dev/null | tr -d '\r' |
  sed -n 's/.*ShowDotFiles[[:space:]]*REG_SZ[[:space:]]*//p' || true)
restore_dot_files() {
  if [ -n "$dot_files" ]; then
    wine reg add 'HKCU\Software\Wine' /v ShowDotFiles /d "$dot_files" /f >/dev/null 2>&1 || true
  else
    wine reg delete 'HKCU\Software\Wine' /v ShowDotFiles /f >/dev/null 2>&1 || true
  fi
}
trap 'restore_dot_files; chmod -R u+w "$work"; rm -rf "$work"' EXIT
wine reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f >/dev/null 2>&1
fail() { echo "FAIL: $*"; exit 1; }
win() { wine_path "$1"; }
# The Windows build, run under Wine; its messages without carriage returns.
pack_exe() {
  "$(dirname "$0")/kzppack_exe.sh" "$kzprun" "$kzppack_exe" "$@" 2>&1 | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# Wine writes non-ASCII file names only under a glibc locale that exists.
mkdir -p "$work/locale"
localedef -i ja_JP -f UTF-8 "$work/locale/ja_JP.UTF-8" >/dev/null 2>&1 || true
export LOCPATH=$work/locale

# The source lies deep enough that its paths pass 260 characters, with
# names the stub can still extract below a short folder.
deep=$work/$(printf 's%.0s' {1..150})
in=$deep/in
chain="$(printf 'a%.0s' {1..40})/$(printf 'b%.0s' {1..40})/$(printf 'c%.0s' {1..40})"
mkdir -p "$in/$chain" "$in/empty folder" "$in/資料" "$in/空のフォルダ"
cat >"$in/package.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<kzp_package version="2.0.1.0">
  <filename>package.exe</filename>
  <name><name_xlate lang="en">Round trip</name_xlate></name>
  <installation><install><command>setup.cmd</command></install></installation>
</kzp_package>
EOF
cat >"$in/vr_data.xml" <<'EOF'
<vr_pkg_data><configuration><config_file><filename encrypt="1">settings.xml</filename></config_file></configuration></vr_pkg_data>
EOF
printf '<config>secret</config>' >"$in/settings.xml"
printf '@echo off\r\nexit /b 7\r\n' >"$in/setup.cmd"
printf 'hello\r\n' >"$in/read me.txt"
: >"$in/zero length"
seq 1 30000 >"$in/$chain/numbers in a deep folder.txt"
printf 'テキスト\n' >"$in/資料/説明書.txt"
printf 'x' >"$in/ソフト 表.txt"   # 表 is 0x95 0x5C: a trail byte that looks like "\"
printf 'keep\n' >"$in/locked.txt"
chmod a-w "$in/locked.txt"
printf 'dot\n' >"$in/.dot file"
printf 'recorded\n' >"$in/hidden.txt"
printf 'system\n' >"$in/system.txt"
# Hidden and system as Windows programs under Wine set them.
python3 -c 'import os, sys; os.setxattr(sys.argv[1], "user.DOSATTRIB", b"0x2"); os.setxattr(sys.argv[2], "user.DOSATTRIB", b"0x4")' \
  "$in/hidden.txt" "$in/system.txt"
[ $((${#in} + ${#chain})) -gt 280 ] || fail "the chain is not deep enough"

export SOURCE_DATE_EPOCH=1700000000
pack_exe build --stub "$(win "$stub")" --codepage 932 --encrypt-config \
  --out "$(win "$work/windows.exe")" "$(win "$in")" >"$work/messages" ||
  fail "kzppack.exe refused the folder: $(cat "$work/messages")"
"$kzppack" build --stub "$stub" --codepage 932 --encrypt-config --out "$work/linux.exe" "$in" \
  >/dev/null
cmp "$work/windows.exe" "$work/linux.exe" || fail "the two builds wrote different packages"

# The file times as they are, in the same time zone: the same bytes too.
unset SOURCE_DATE_EPOCH
touch -d '2021-06-15 10:20:30' "$in/read me.txt"
pack_exe build --stub "$(win "$stub")" --codepage 932 --encrypt-config \
  --out "$(win "$work/windows-times.exe")" "$(win "$in")" >/dev/null
"$kzppack" build --stub "$stub" --codepage 932 --encrypt-config --out "$work/linux-times.exe" \
  "$in" >/dev/null
cmp "$work/windows-times.exe" "$work/linux-times.exe" || fail "file times give different packages"

# The stub extracts what the Windows build packed, under a Japanese locale.
out=$work/out
mkdir -p "$out"
result=$(LC_ALL=ja_JP.UTF-8 wine_output "$kzprun" "$(win "$work/windows.exe")" "/extract:$(win "$out")" |
  tr -d '\r')
[ "$result" = "exit code 1 (0x00000001)" ] || fail "extraction: $result"
# settings.xml is packed encrypted; everything else comes out as it was.
diff -r -x settings.xml "$in" "$out" || fail "the extracted tree differs"
[ -d "$out/empty folder" ] && [ -d "$out/空のフォルダ" ] || fail "an empty folder is missing"
[ -z "$(find "$out/locked.txt" -perm /222)" ] || fail "locked.txt is writable after extraction"
attributes() { wine_output cmd /c attrib "$(win "$1")" 2>/dev/null | tr -d '\r' | cut -c1-10; }
case "$(attributes "$out/hidden.txt")" in *H*) ;; *) fail "hidden.txt is not hidden" ;; esac
case "$(attributes "$out/system.txt")" in *S*) ;; *) fail "system.txt is not a system file" ;; esac
case "$(attributes "$out/read me.txt")" in *[HSR]*) fail "read me.txt gained attributes" ;; esac
case "$(attributes "$out/.dot file")" in *[HSR]*) fail ".dot file gained attributes" ;; esac

# The package loads with its encrypted configuration: /install runs setup.cmd.
result=$(LC_ALL=ja_JP.UTF-8 wine_output "$kzprun" "$(win "$work/windows.exe")" /install | tr -d '\r')
[ "$result" = "exit code 7 (0x00000007)" ] || fail "/install: $result"

# Both builds check and inspect it alike.
pack_exe check --codepage 932 "$(win "$work/windows.exe")" >"$work/check-windows" ||
  fail "kzppack.exe check: $(cat "$work/check-windows")"
"$kzppack" check --codepage 932 "$work/windows.exe" >"$work/check-linux" 2>&1
pack_exe inspect --codepage 932 "$(win "$work/windows.exe")" | tail -n +2 >"$work/inspect-windows" ||
  fail "kzppack.exe inspect failed"
"$kzppack" inspect --codepage 932 "$work/windows.exe" | tail -n +2 >"$work/inspect-linux"
diff "$work/inspect-windows" "$work/inspect-linux" || fail "inspect differs between the builds"
grep -q '  資料/説明書.txt$' "$work/inspect-linux" || fail "inspect does not show the Japanese name"
grep -q 'read me.txt$' "$work/inspect-linux" || fail "inspect lacks read me.txt"
grep -q '  \.dot file$' "$work/inspect-linux" || fail "the dot file is not a plain file"
# Without --codepage, names that are not ASCII go in UTF-8, marked so, on
# both builds alike; the stub extracts the same names under a Western and a
# Japanese locale.
utf=$work/utf8
mkdir -p "$utf/Données" "$utf/資料"
cp "$in/package.xml" "$in/setup.cmd" "$utf/"
printf 'é\n' >"$utf/Données/café.txt"
printf 'テキスト\n' >"$utf/資料/説明書.txt"
export SOURCE_DATE_EPOCH=1700000000
pack_exe build --stub "$(win "$stub")" --out "$(win "$work/utf8-windows.exe")" "$(win "$utf")" \
  >"$work/messages" || fail "kzppack.exe refused the UTF-8 names: $(cat "$work/messages")"
"$kzppack" build --stub "$stub" --out "$work/utf8-linux.exe" "$utf" >/dev/null
cmp "$work/utf8-windows.exe" "$work/utf8-linux.exe" || fail "the builds differ on UTF-8 names"
unset SOURCE_DATE_EPOCH
for locale in C.UTF-8 ja_JP.UTF-8; do
  mkdir -p "$work/utf8-$locale"
  result=$(LC_ALL=$locale wine_output "$kzprun" "$(win "$work/utf8-windows.exe")" \
    "/extract:$(win "$work/utf8-$locale")" | tr -d '\r')
  [ "$result" = "exit code 1 (0x00000001)" ] || fail "UTF-8 names under $locale: $result"
  diff -r "$utf" "$work/utf8-$locale" || fail "UTF-8 names come out otherwise under $locale"
done

ls -A "$work" | grep -q '\.kzppack-' && fail "a temporary file was left behind"
echo "kzppack.exe round trip: ok"
