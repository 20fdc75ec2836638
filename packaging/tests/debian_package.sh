#!/usr/bin/env bash
# Checks a Debian package, or builds one from a build tree with CPack first, and checks what
# it carries:
# every installed file, a menu entry that starts the program in the packaged data
# directory, a menu entry and metainfo that speak Russian too (install.desktop_entry_valid
# and install.metainfo_valid validate them), a Russian manual page that man -L ru finds, a
# changelog whose latest entry is this version, and a Depends line that names SDL 1.2,
# and a hardened binary stripped as Debian strips; then that lintian finds
# neither an error nor a warning in it, nor any of its notes on hardening or stripping.
# What apt makes of the Depends line is apt_install.sh's business.
# ARCHITECTURE picks the package of a folder that holds several (the build machine's by
# default).
# Usage: debian_package.sh PACKAGE_DIR|BUILD_DIR WORK_DIR [ARCHITECTURE]
set -euo pipefail
from=$1 work=$2 arch=${3:-$(dpkg --print-architecture)}

rm -rf "$work"
mkdir -p "$work"
if [ -f "$from/CPackConfig.cmake" ]; then
  if ! (umask 022 && cpack --config "$from/CPackConfig.cmake" -G DEB -B "$work") \
    >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    exit 1
  fi
  from=$work
fi
debs=("$from"/vyrtel_*_"$arch".deb)
[ -f "${debs[0]}" ] || { echo "no vyrtel_*_$arch.deb in $from" >&2; exit 1; }
deb=${debs[0]}

contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
status=0
for file in \
  ./usr/bin/vyrtel \
  ./usr/share/vyrtel/rfs/rk_font.bin \
  ./usr/share/applications/org.vyrtel.Vyrtel.desktop \
  ./usr/share/icons/hicolor/scalable/apps/org.vyrtel.Vyrtel.svg \
  ./usr/share/metainfo/org.vyrtel.Vyrtel.metainfo.xml \
  ./usr/share/man/man1/vyrtel.1.gz \
  ./usr/share/doc/vyrtel/copyright \
  ./usr/share/doc/vyrtel/changelog.gz; do
  grep -qxF "$file" <<<"$contents" || { echo "not in the package: $file" >&2; status=1; }
done

root=$work/root
dpkg-deb -x "$deb" "$root"
entry=$(cat "$root/usr/share/applications/org.vyrtel.Vyrtel.desktop")
grep -qx 'Path=/usr/share/vyrtel' <<<"$entry" ||
  { echo "the menu entry does not start the program in /usr/share/vyrtel" >&2; status=1; }
for key in Name GenericName Comment Keywords; do
  grep -q "^$key\[ru\]=" <<<"$entry" || { echo "the menu entry has no $key[ru]" >&2; status=1; }
done
for element in name summary p; do
  grep -q "<$element xml:lang=\"ru\">" "$root/usr/share/metainfo/org.vyrtel.Vyrtel.metainfo.xml" ||
    { echo "the metainfo has no Russian $element" >&2; status=1; }
done
# man -L ru finds the Russian page, not the English one it would fall back to.
found=$(LC_ALL=C.UTF-8 MANPATH=$root/usr/share/man man -L ru -w vyrtel) || found=none
[ "$found" = "$root/usr/share/man/ru/man1/vyrtel.1.gz" ] ||
  { echo "man -L ru vyrtel finds $found, not the Russian page" >&2; status=1; }

version=$(dpkg-deb -f "$deb" Version)
changelog_version=$(dpkg-deb --fsys-tarfile "$deb" |
                    tar -xOf - ./usr/share/doc/vyrtel/changelog.gz | gzip -dc |
                    dpkg-parsechangelog -l - -S Version) || changelog_version=unreadable
[ "$changelog_version" = "$version" ] ||
  { echo "the changelog's latest entry is $changelog_version, the package $version" >&2; status=1; }

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
grep -Eq '(^|, )libsdl1\.2(-compat|-compat-shim|debian)( |,|$)' <<<"$depends" ||
  { echo "Depends does not name the SDL 1.2 library" >&2; status=1; }

dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/bin/vyrtel >"$work/vyrtel"
"$(dirname "$0")/hardening.sh" "$work/vyrtel" || status=1

# lintian warns on stderr that it runs as root; only its tags go to standard output.
if ! lintian --display-info --fail-on error,warning "$deb" >"$work/lintian.log" \
     2>"$work/lintian.err"; then
  echo "lintian finds fault with the package:" >&2
  cat "$work/lintian.log" "$work/lintian.err" >&2
  status=1
fi
if grep -E 'hardening-|binary-has-unneeded-section' "$work/lintian.log" >&2; then
  echo "lintian finds the binary unhardened or not stripped as Debian strips" >&2
  status=1
fi
exit $status
