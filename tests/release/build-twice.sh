#!/usr/bin/env bash
# Releases the work tree into DIR/dist, as make release would release it once committed,
# and, at the same time, builds the same release a second time elsewhere into DIR/again
# (build-again.sh, whose output goes to DIR/again.log), for reproducible.sh to compare.
# The two run side by side because the longest step of each, configuring SDL2 for
# Windows, keeps only one core busy.
# Usage: build-twice.sh DIR
set -euo pipefail
dir=$(realpath -m "${1:?usage: $0 DIR}")
project=$(cd "$(dirname "$0")/../.." && pwd)

mkdir -p "$dir"
commit=$("$project/tools/release.sh" --work-tree --commit)
# In a process group of its own, so that a failure here ends it whole.
setsid "$project/tests/release/build-again.sh" "$commit" "$dir/again" >"$dir/again.log" 2>&1 &
again=$!
trap 'kill -- "-$again" 2>/dev/null || true' EXIT
"$project/tools/release.sh" --work-tree "$dir/dist" "$dir"
echo "== Waiting for the second build of the release (log: $dir/again.log)"
if ! wait "$again"; then
  echo "The second build of the release failed:" >&2
  tail -n 40 "$dir/again.log" >&2
  exit 1
fi
trap - EXIT
