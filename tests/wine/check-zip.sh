#!/usr/bin/env bash
# Checks what a Windows user receives, from the unpacked zip in DIR/program (made by
# setup.sh): exactly the files the zip should hold, the shipped font, READMEs in English
# and Russian in Windows line endings, the Russian one in UTF-8 with a byte order mark,
# and an executable that needs no DLL but SDL's and Windows' own, asks for
# ASLR with high entropy and DEP, and carries an icon, version information and a manifest
# that tells Windows the program scales its window itself, per monitor.
# Usage: tests/wine/check-zip.sh ZIP DIR SHIPPED_FONT
set -euo pipefail

zip=${1:?usage: $0 ZIP DIR SHIPPED_FONT}
dir=${2:?usage: $0 ZIP DIR SHIPPED_FONT}
shipped_font=${3:?usage: $0 ZIP DIR SHIPPED_FONT}
program=$dir/program/vyrtel.exe
. "$(dirname "$0")/../failures.sh"

expected="LICENSE-SDL2.txt LICENSE-sdl12-compat.txt LICENSE.txt README-ru.txt README.txt SDL.dll \
SDL2.dll rfs/rk_font.bin vyrtel.exe"
listed=$(unzip -Z1 "$zip" | grep -v '/$' | sort | tr '\n' ' ')
[ "$listed" = "$expected " ] || fail "the zip holds [$listed], not [$expected]"

cmp -s "$dir/program/rfs/rk_font.bin" "$shipped_font" || fail "rfs/rk_font.bin is not the shipped font"

for text in README.txt README-ru.txt LICENSE.txt LICENSE-SDL2.txt LICENSE-sdl12-compat.txt; do
  if grep -q $'[^\r]$\|^$' "$dir/program/$text"; then
    fail "$text has lines that do not end in CR LF"
  fi
done

# The Russian README is UTF-8 that every Notepad takes for it: it starts with the byte
# order mark, which older ones need to tell UTF-8 from the ANSI code page.
readme_ru=$dir/program/README-ru.txt
[ "$(head -c 3 "$readme_ru" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
  fail "README-ru.txt does not start with UTF-8's byte order mark"
iconv -f UTF-8 -t UTF-8 "$readme_ru" >/dev/null 2>&1 || fail "README-ru.txt is not UTF-8"

headers=$(x86_64-w64-mingw32-objdump --private-headers "$program")
system32=$dir/prefix/drive_c/windows/system32
while read -r dll; do
  [ "$dll" = SDL.dll ] && continue
  [ -n "$(find "$system32" -maxdepth 1 -iname "$dll" -print -quit)" ] ||
    fail "vyrtel.exe imports $dll, which is neither SDL.dll nor part of Windows"
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
grep -q 'DLL Name: SDL.dll' <<<"$headers" || fail "vyrtel.exe does not import SDL.dll"

for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
  grep -qw "$flag" <<<"$headers" || fail "DllCharacteristics lack $flag"
done

resources=$(wrestool --list "$program")
grep -q 'type=14' <<<"$resources" || fail "vyrtel.exe has no icon"
grep -q 'type=16' <<<"$resources" || fail "vyrtel.exe has no version information"
wrestool --extract --raw --type=24 "$program" | grep -q '>PerMonitorV2' ||
  fail "vyrtel.exe has no manifest declaring per-monitor (v2) DPI awareness"

finish "The zip holds what it should"
