#!/bin/sh
# Prints the one time every build of this source writes wherever what it makes holds a
# date (archive entries, the Debian package, Windows' time stamps), in seconds since 1970:
# the commit's time in a git checkout; in the source archive, the same time, which git
# archive writes into this script below; else the latest changelog entry's.
set -eu
cd "$(dirname "$0")/.."
if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$PWD" ]; then
  git log -1 --format=%ct
  exit
fi
archived='$Format:%ct$'
case $archived in
  '' | *[!0-9]*) ;;
  *) echo "$archived"; exit ;;
esac
date -d "$(sed -n 's/^ -- .*>  //p' packaging/changelog | head -n 1)" +%s
