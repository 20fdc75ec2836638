#!/bin/sh
# Prints the name of one file of a release, of VERSION or else of this source's version
# (project() in CMakeLists.txt), or that version itself. The builds, the release, the
# Makefile and the release's checks all take the names from here; the Debian packages' are
# those CPack gives them (DEB-DEFAULT).
# Usage: tools/release-name.sh version|source|deb-amd64|deb-arm64|deb-armhf|windows|web [VERSION]
set -eu
version=${2:-$(sed -n 's/^project(vyrtel VERSION \([0-9.]*\).*/\1/p' \
  "$(dirname "$0")/../CMakeLists.txt")}
case ${1:-} in
  version) echo "$version" ;;
  source) echo "vyrtel-$version.tar.gz" ;;
  deb-*) echo "vyrtel_${version}_${1#deb-}.deb" ;;
  windows) echo "vyrtel-$version-win64.zip" ;;
  web) echo "vyrtel-$version-web.zip" ;;
  *) echo "usage: $0 version|source|deb-amd64|deb-arm64|deb-armhf|windows|web [VERSION]" >&2; exit 2 ;;
esac
