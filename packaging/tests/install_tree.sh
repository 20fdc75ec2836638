#!/usr/bin/env bash
# Installs the build tree with prefix /usr into a fresh staging folder, the way a
# packager does, and checks that each file lands where the program, the desktop and man
# look for it, that nothing else is installed, and that the shipped font, manual page and
# changelog arrive intact (the last two compressed).
# Usage: install_tree.sh BUILD_DIR STAGING_DIR SOURCE_DIR
set -euo pipefail
build=$1 staging=$2 source=$3

rm -rf "$staging"
DESTDIR=$staging cmake --install "$build" --prefix /usr >/dev/null

usr=$staging/usr
expected=(
  bin/vyrtel
  share/vyrtel/rfs/rk_font.bin
  share/applications/org.vyrtel.Vyrtel.desktop
  share/icons/hicolor/scalable/apps/org.vyrtel.Vyrtel.svg
  share/metainfo/org.vyrtel.Vyrtel.metainfo.xml
  share/man/man1/vyrtel.1.gz
  share/man/ru/man1/vyrtel.1.gz
  share/doc/vyrtel/copyright
  share/doc/vyrtel/changelog.gz
)
status=0
for file in "${expected[@]}"; do
  [ -f "$usr/$file" ] || { echo "not installed: /usr/$file" >&2; status=1; }
done
extra=$(cd "$usr" && find . -type f -printf '%P\n' | sort |
        comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
[ -z "$extra" ] || { sed 's|^|installed but not expected: /usr/|' <<<"$extra" >&2; status=1; }
[ -x "$usr/bin/vyrtel" ] || { echo "/usr/bin/vyrtel is not executable" >&2; status=1; }
cmp "$source/rfs/rk_font.bin" "$usr/share/vyrtel/rfs/rk_font.bin" || status=1
gzip -dc "$usr/share/man/man1/vyrtel.1.gz" | cmp - "$source/packaging/vyrtel.1" || status=1
gzip -dc "$usr/share/man/ru/man1/vyrtel.1.gz" | cmp - "$source/packaging/vyrtel.ru.1" || status=1
gzip -dc "$usr/share/doc/vyrtel/changelog.gz" | cmp - "$source/packaging/changelog" || status=1
exit $status
