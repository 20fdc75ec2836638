#!/usr/bin/env bash
# Packs every file under FOLDER, at the zip's top level, into ZIP, so that the same files
# give the same bytes wherever, whenever and by whomever they are packed:
# strip-nondeterminism puts the entries in name order, gives them modes 644 or 755 and
# the time SOURCE_DATE_EPOCH. A zip holds local times, so it works in UTC.
# Usage: tools/pack-zip.sh ZIP FOLDER
set -euo pipefail
zip=$(realpath -m "${1:?usage: $0 ZIP FOLDER}")
folder=${2:?usage: $0 ZIP FOLDER}

rm -f "$zip"
(cd "$folder" && zip -q -9 -X -r "$zip" .)
TZ=UTC strip-nondeterminism --type zip ${SOURCE_DATE_EPOCH:+--timestamp "$SOURCE_DATE_EPOCH"} \
  "$zip" >/dev/null
