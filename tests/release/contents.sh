#!/usr/bin/env bash
# Checks a release folder as tools/release.sh makes it: exactly its seven files, checksums
# that sha256sum -c accepts, a source archive holding every file of the commit it names
# under vyrtel-<version>/, and three Debian packages, amd64, arm64 and armhf, whose members
# and entries are root's and writable by their owner alone, its folders drwxr-xr-x, and
# which hold the same files with the same modes.
# Usage: contents.sh DIST VERSION REPOSITORY
set -euo pipefail
dist=${1:?usage: $0 DIST VERSION REPOSITORY}
version=${2:?usage: $0 DIST VERSION REPOSITORY}
repository=${3:?usage: $0 DIST VERSION REPOSITORY}
export LC_ALL=C
. "$(dirname "$0")/../failures.sh"
release_name() { "$(dirname "$0")/../../tools/release-name.sh" "$1" "$version"; }
source_archive=$(release_name source)
name=${source_archive%.tar.gz}
archive=$dist/$source_archive

released=$(for file in source deb-amd64 deb-arm64 deb-armhf windows web; do
    release_name $file
  done | sort | tr '\n' ' ')
listed=$(ls "$dist" | tr '\n' ' ')
[ "$listed" = "SHA256SUMS $released" ] ||
  fail "the release holds [$listed], not [SHA256SUMS $released]"

summed=$(awk '{ print $2 }' "$dist/SHA256SUMS" | sort | tr '\n' ' ')
[ "$summed" = "$released" ] || fail "SHA256SUMS names [$summed]"
(cd "$dist" && sha256sum --check --quiet SHA256SUMS) || fail "SHA256SUMS does not check"

# git get-tar-commit-id reads only the archive's first header, which ends gzip early.
commit=$(set +o pipefail; gzip -dc "$archive" 2>/dev/null | git get-tar-commit-id) ||
  fail "$source_archive names no commit"
archived=$(tar -tzf "$archive" | grep -v '/$' | sort)
tracked=$(git -C "$repository" ls-tree -r --name-only "$commit" | sed "s|^|$name/|" | sort)
[ "$archived" = "$tracked" ] ||
  fail "$source_archive does not hold exactly the files of commit $commit under $name/:" \
    "$(diff <(echo "$tracked") <(echo "$archived") | head -n 10)"

# The three packages, which the listing above has checked by name.
debs=("$dist"/*.deb)
for deb in "${debs[@]}"; do
  # dpkg-deb -c: mode, owner/group, size, date, time, path.
  while read -r mode owner _ _ _ path; do
    [ "$owner" = root/root ] || fail "$path belongs to $owner in $(basename "$deb")"
    case $mode in
      d*) [ "$mode" = drwxr-xr-x ] || fail "folder $path is $mode in $(basename "$deb")" ;;
      *) [[ $mode == ?????-??-? ]] || fail "$path is $mode in $(basename "$deb")" ;;
    esac
  done < <(dpkg-deb -c "$deb")
  # ar tv: mode, uid/gid, size, date, name.
  while read -r mode owner _ _ _ _ _ member; do
    [ "$owner" = 0/0 ] && [ "$mode" = rw-r--r-- ] ||
      fail "package member $member of $(basename "$deb") is $mode $owner"
  done < <(ar tv "$deb")
done
# Mode, owner and path of each entry, each package's against the first's.
entries() { dpkg-deb -c "$1" | awk '{ print $1, $2, $6 }'; }
for deb in "${debs[@]:1}"; do
  [ "$(entries "${debs[0]}")" = "$(entries "$deb")" ] ||
    fail "$(basename "$deb") holds other files or modes than $(basename "${debs[0]}"):" \
      "$(diff <(entries "${debs[0]}") <(entries "$deb") | head -n 10)"
done

finish "The release holds what it should"
