#!/usr/bin/env bash
# Runs a build's tests with CTest, then those that failed once more: the end-to-end tests
# drive real browsers, Wine and an X server, where a test has been seen to fail once on a
# busy machine. A test that fails again fails the run. The closing line says how many
# tests needed their second run, and which; it is also kept in BUILD_DIR/second-runs.txt.
# Usage: tests/run-ctest.sh BUILD_DIR [CTEST_ARGUMENTS...]
set -uo pipefail
build=${1:?usage: tests/run-ctest.sh BUILD_DIR [CTEST_ARGUMENTS...]}
shift
summary=$build/second-runs.txt
failed_list=$build/Testing/Temporary/LastTestsFailed.log

status=0
rm -f "$failed_list"
if ! ctest --test-dir "$build" --output-on-failure "$@"; then
  if [ ! -s "$failed_list" ]; then
    exit 1  # CTest itself failed: no test to run again
  fi
  failed=$(cut -d : -f 2- "$failed_list")
  echo "Running once more: $(echo "$failed" | paste -sd ' ')"
  ctest --test-dir "$build" --output-on-failure --rerun-failed "$@" || status=1
fi

if [ -z "${failed:-}" ]; then
  line="Tests that needed a second run: 0"
elif [ "$status" -eq 0 ]; then
  line="Tests that needed a second run: $(echo "$failed" | wc -l) ($(echo "$failed" | paste -sd ' '))"
else
  line="Tests that failed: $(cut -d : -f 2- "$failed_list" | paste -sd ' ')"
fi
echo "$line" | tee "$summary"
exit "$status"
