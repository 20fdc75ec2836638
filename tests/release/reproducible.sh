#!/usr/bin/env bash
# Builds a release again and compares it with the first, byte for byte: from a clean clone
# of the commit its source archive names, in another folder, later, under another umask,
# time zone and locale, with SOURCE_DATE_EPOCH taken afresh from the commit. For a file
# that differs it says which, and shows how (diffoscope).
# Usage: reproducible.sh DIST VERSION REPOSITORY
set -euo pipefail
dist=$(realpath "${1:?usage: $0 DIST VERSION REPOSITORY}")
version=${2:?usage: $0 DIST VERSION REPOSITORY}
repository=${3:?usage: $0 DIST VERSION REPOSITORY}
# Lines of diffoscope's report shown for each file that differs.
report_lines=150

# git get-tar-commit-id reads only the archive's first header, which ends gzip early.
commit=$(set +o pipefail; gzip -dc "$dist/vyrtel-$version.tar.gz" 2>/dev/null |
  git get-tar-commit-id)
elsewhere=$(mktemp -d /tmp/vyrtel-built-again.XXXXXX)
trap 'rm -rf "$elsewhere"' EXIT
# A local clone takes the repository's objects as they are: a commit release.sh made of a
# work tree with changes comes along.
git clone --quiet --no-checkout "$repository" "$elsewhere/clone"
git -C "$elsewhere/clone" checkout --quiet "$commit"

# Of the locales every Debian machine has, the one the first build did not run in.
if [ "$(locale charmap)" = UTF-8 ]; then
  other_locale=C
else
  other_locale=C.UTF-8
fi
echo "Building commit $commit again in $elsewhere (umask 0002, TZ=Pacific/Auckland," \
  "LC_ALL=$other_locale)"
if ! (
  cd "$elsewhere/clone"
  umask 0002
  unset SOURCE_DATE_EPOCH
  TZ=Pacific/Auckland LC_ALL=$other_locale LANG=$other_locale \
    tools/release.sh "$elsewhere/dist" "$elsewhere/work"
) >"$elsewhere/release.log" 2>&1; then
  echo "FAIL: the second build failed:"
  tail -n 40 "$elsewhere/release.log"
  exit 1
fi

status=0
for file in $(ls "$dist"); do
  if ! cmp -s "$dist/$file" "$elsewhere/dist/$file"; then
    echo "FAIL: $file differs between the two builds:"
    diffoscope --no-progress --text - "$dist/$file" "$elsewhere/dist/$file" |
      head -n "$report_lines" || true
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "All $(ls "$dist" | wc -l) files are the same, byte for byte"
exit $status
