#!/usr/bin/env bash
# Compares a release with the same release built again elsewhere (build-again.sh), byte
# for byte; for a file that differs it says which, and shows how (diffoscope).
# Usage: reproducible.sh DIST AGAIN
set -euo pipefail
dist=${1:?usage: $0 DIST AGAIN}
again=${2:?usage: $0 DIST AGAIN}
# Lines of diffoscope's report shown for each file that differs.
report_lines=150

status=0
for file in $(ls "$dist"); do
  if ! cmp -s "$dist/$file" "$again/$file"; then
    echo "FAIL: $file differs between the two builds:"
    diffoscope --no-progress --text - "$dist/$file" "$again/$file" | head -n "$report_lines" || true
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "All $(ls "$dist" | wc -l) files are the same, byte for byte"
exit $status
