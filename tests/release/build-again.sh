#!/usr/bin/env bash
# Builds the release of COMMIT a second time, as someone else would: from a clean clone,
# in another folder, a day later, under another umask, time zone and locale, with
# SOURCE_DATE_EPOCH taken afresh from the commit, into OUT; make test runs it beside the
# first build and reproducible.sh compares the two.
# Usage: build-again.sh COMMIT OUT
set -euo pipefail
commit=${1:?usage: $0 COMMIT OUT}
out=$(realpath -m "${2:?usage: $0 COMMIT OUT}")
repository=$(cd "$(dirname "$0")/../.." && pwd)

elsewhere=$(mktemp -d /tmp/vyrtel-built-again.XXXXXX)
trap 'rm -rf "$elsewhere"' EXIT
# A local clone takes the repository's objects as they are: a commit release.sh made of a
# work tree with changes comes along.
git clone --quiet --no-checkout "$repository" "$elsewhere/clone"
git -C "$elsewhere/clone" checkout --quiet "$commit"

# Of the locales every Debian machine has, the one this build does not run in.
if [ "$(locale charmap)" = UTF-8 ]; then
  other_locale=C
else
  other_locale=C.UTF-8
fi
echo "Building commit $commit again in $elsewhere (a day later, umask 0002," \
  "TZ=Pacific/Auckland, LC_ALL=$other_locale)"
cd "$elsewhere/clone"
umask 0002
unset SOURCE_DATE_EPOCH
# A day later by the clock of every process of the build (libfaketime), so that a date
# taken from the clock anywhere makes the two builds differ.
TZ=Pacific/Auckland LC_ALL=$other_locale LANG=$other_locale \
  faketime -m -f +1d tools/release.sh "$out" "$elsewhere/work"
