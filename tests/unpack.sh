#!/usr/bin/env bash
# Unpacks a release's zip into DIR, as its user does: the page's onto a server, the
# Windows program's into a folder.
# Usage: tests/unpack.sh ZIP DIR
set -euo pipefail
zip=${1:?usage: $0 ZIP DIR}
dir=${2:?usage: $0 ZIP DIR}
rm -rf "$dir"
mkdir -p "$dir"
unzip -q "$zip" -d "$dir"
