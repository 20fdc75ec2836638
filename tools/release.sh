#!/usr/bin/env bash
# Makes a release of the commit checked out, into OUT:
#   vyrtel-<version>.tar.gz       the source: every tracked file under vyrtel-<version>/
#   vyrtel_<version>_amd64.deb    the Debian package
#   vyrtel_<version>_arm64.deb    the Debian package for 64-bit ARM, cross-built
#   vyrtel_<version>_armhf.deb    the Debian package for 32-bit ARM, cross-built
#   vyrtel-<version>-win64.zip    the Windows program
#   vyrtel-<version>-web.zip      the browser page, for any static file server
#   SHA256SUMS                    their checksums, for sha256sum -c
# The other five are built from the source archive, unpacked into WORK, as a distribution
# builds them. The same commit gives the same bytes wherever, whenever and by whomever it
# is built: every date in them is SOURCE_DATE_EPOCH (the commit's time unless set), no
# binary holds the folder it was built in, and no file mode follows the umask.
#
# A release is of a commit, so uncommitted changes to tracked files are refused. With
# --work-tree (make test) the work tree is released as it is: its changes, and files that
# .gitignore does not exclude, go into a commit of their own on top of HEAD, dated as HEAD,
# so the same work tree gives the same commit. The source archive names the commit it holds
# (git get-tar-commit-id); --commit only prints the commit that would be released.
# Usage: tools/release.sh [--work-tree] OUT WORK
#        tools/release.sh [--work-tree] --commit
set -euo pipefail

usage="usage: $0 [--work-tree] OUT WORK, or $0 [--work-tree] --commit"
work_tree=false
if [ "${1:-}" = --work-tree ]; then
  work_tree=true
  shift
fi
cd "$(dirname "$0")/.."
# A release's files are readable by all and writable by their owner alone, whatever the
# umask of whoever builds it.
umask 022

archive=$(tools/release-name.sh source)
name=${archive%.tar.gz}

step() {
  echo "== $*"
}

# The work tree's tracked files, changes and new files included, as a commit on top of HEAD.
commit_work_tree() {
  local index tree head_date
  index=$(mktemp)
  GIT_INDEX_FILE=$index git read-tree HEAD
  GIT_INDEX_FILE=$index git add --all
  tree=$(GIT_INDEX_FILE=$index git write-tree)
  rm -f "$index"
  if [ "$tree" = "$(git rev-parse 'HEAD^{tree}')" ]; then
    git rev-parse HEAD
    return
  fi
  head_date="$(git log -1 --format=%ct HEAD) +0000"
  GIT_AUTHOR_NAME=Vyrtel GIT_AUTHOR_EMAIL=vyrtel@example.org GIT_AUTHOR_DATE=$head_date \
    GIT_COMMITTER_NAME=Vyrtel GIT_COMMITTER_EMAIL=vyrtel@example.org \
    GIT_COMMITTER_DATE=$head_date \
    git commit-tree "$tree" -p HEAD -m "The work tree of $(git rev-parse --short HEAD)"
}

if $work_tree; then
  commit=$(commit_work_tree)
else
  if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "Cannot release: the work tree has uncommitted changes to tracked files;" \
      "commit or stash them first" >&2
    exit 1
  fi
  commit=$(git rev-parse HEAD)
fi
if [ "${1:-}" = --commit ]; then
  echo "$commit"
  exit 0
fi
out=$(realpath -m "${1:?$usage}")
work=$(realpath -m "${2:?$usage}")
tree=$work/$name

tools/install-deps.sh release
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct "$commit")}
export SOURCE_DATE_EPOCH
# The builds run in the unpacked tree, so a folder of SDL's sources named from here is
# named in full.
if [ -n "${VYRTEL_WINDOWS_SOURCES:-}" ]; then
  VYRTEL_WINDOWS_SOURCES=$(realpath "$VYRTEL_WINDOWS_SOURCES")
  export VYRTEL_WINDOWS_SOURCES
fi

step "Releasing $name from commit $commit, dated $(date -u -d "@$SOURCE_DATE_EPOCH" '+%F %T') UTC"
rm -rf "$out" "$tree"
mkdir -p "$out" "$work"

step "The source archive, $archive"
git archive --format=tar --prefix="$name/" "$commit" | gzip -9n >"$out/$archive"
tar -xzf "$out/$archive" -C "$work"

# The Windows zip takes longest, mostly SDL2's configuration, which keeps one core busy:
# the others are built meanwhile, its lines marked as its own.
step "The Windows zip, the Debian packages and the browser page, built from the source archive"
(make -C "$tree" --no-print-directory windows 2>&1 | sed -u 's/^/[windows] /') &
windows=$!
make -C "$tree" --no-print-directory package
make -C "$tree" --no-print-directory package-arm64
make -C "$tree" --no-print-directory package-armhf
make -C "$tree" --no-print-directory web-site
wait "$windows" || { echo "The Windows zip could not be built" >&2; exit 1; }

cp "$tree/build/$(tools/release-name.sh "deb-$(dpkg --print-architecture)")" \
  "$tree/build-arm64/$(tools/release-name.sh deb-arm64)" \
  "$tree/build-armhf/$(tools/release-name.sh deb-armhf)" \
  "$tree/build-windows/$(tools/release-name.sh windows)" \
  "$tree/build-web/$(tools/release-name.sh web)" "$out/"
(cd "$out" && LC_ALL=C sha256sum -- *.deb *.tar.gz *.zip >SHA256SUMS)
step "Released into $out:"
(cd "$out" && cat SHA256SUMS)
