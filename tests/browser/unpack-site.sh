#!/usr/bin/env bash
# Unpacks the browser page's zip into DIR, as whoever puts it on a server does.
# Usage: tests/browser/unpack-site.sh ZIP DIR
set -euo pipefail
zip=${1:?usage: $0 ZIP DIR}
dir=${2:?usage: $0 ZIP DIR}
rm -rf "$dir"
unzip -q "$zip" -d "$dir"
