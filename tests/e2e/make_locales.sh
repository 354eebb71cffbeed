#!/bin/sh
# Makes the glibc locales that tests run Wine under, in a folder of their
# own (for LOCPATH): Wine writes non-ASCII file names only under a glibc
# locale that exists, and these are not generated on the machine.
#   make_locales.sh <folder> <locale>...   (a locale as in ja_JP.UTF-8)
set -e
folder=$1
shift
mkdir -p "$folder"
for locale in "$@"; do
  [ -f "$folder/$locale/LC_CTYPE" ] && continue
  # localedef warns (and exits non-zero) over details of the definitions
  # while still writing a usable locale: judge by what it wrote.
  localedef -i "${locale%%.*}" -f "${locale#*.}" "$folder/$locale" >/dev/null 2>&1 || true
  [ -f "$folder/$locale/LC_CTYPE" ] || { echo "cannot make the locale $locale"; exit 1; }
done
