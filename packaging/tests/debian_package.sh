#!/usr/bin/env bash
# Builds the Debian package from the build tree with CPack and checks what it carries:
# every installed file, a menu entry that starts the program in the packaged data
# directory, and a Depends line, computed by dpkg-shlibdeps, naming the SDL 1.2 library.
# Usage: debian_package.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1 work=$2

rm -rf "$work"
mkdir -p "$work"
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  exit 1
fi
debs=("$work"/vyrtel_*.deb)
[ -f "${debs[0]}" ] || { echo "cpack made no vyrtel_*.deb" >&2; exit 1; }
deb=${debs[0]}

contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
status=0
for file in \
  ./usr/bin/vyrtel \
  ./usr/share/vyrtel/rfs/rk_font.bin \
  ./usr/share/applications/org.vyrtel.Vyrtel.desktop \
  ./usr/share/icons/hicolor/scalable/apps/org.vyrtel.Vyrtel.svg \
  ./usr/share/metainfo/org.vyrtel.Vyrtel.metainfo.xml \
  ./usr/share/man/man1/vyrtel.1 \
  ./usr/share/doc/vyrtel/copyright; do
  grep -qxF "$file" <<<"$contents" || { echo "not in the package: $file" >&2; status=1; }
done

entry=$(dpkg-deb --fsys-tarfile "$deb" |
        tar -xOf - ./usr/share/applications/org.vyrtel.Vyrtel.desktop)
grep -qx 'Path=/usr/share/vyrtel' <<<"$entry" ||
  { echo "the menu entry does not start the program in /usr/share/vyrtel" >&2; status=1; }

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
grep -Eq '(^|, )libsdl1\.2(-compat|debian)( |,|$)' <<<"$depends" ||
  { echo "Depends does not name the SDL 1.2 library" >&2; status=1; }
exit $status
