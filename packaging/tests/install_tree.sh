#!/usr/bin/env bash
# Installs the build tree with prefix /usr into a fresh staging folder, the way a
# packager does, and checks that each file lands where the program and the desktop
# look for it.
# Usage: install_tree.sh BUILD_DIR STAGING_DIR SHIPPED_FONT
set -euo pipefail
build=$1 staging=$2 shipped_font=$3

rm -rf "$staging"
DESTDIR=$staging cmake --install "$build" --prefix /usr >/dev/null

usr=$staging/usr
expected=(
  bin/vyrtel
  share/vyrtel/rfs/rk_font.bin
  share/applications/org.vyrtel.Vyrtel.desktop
  share/icons/hicolor/scalable/apps/org.vyrtel.Vyrtel.svg
  share/metainfo/org.vyrtel.Vyrtel.metainfo.xml
  share/man/man1/vyrtel.1
  share/doc/vyrtel/copyright
)
status=0
for file in "${expected[@]}"; do
  [ -f "$usr/$file" ] || { echo "not installed: /usr/$file" >&2; status=1; }
done
[ -x "$usr/bin/vyrtel" ] || { echo "/usr/bin/vyrtel is not executable" >&2; status=1; }
cmp "$shipped_font" "$usr/share/vyrtel/rfs/rk_font.bin" || status=1
exit $status
