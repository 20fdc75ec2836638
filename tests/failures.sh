# Sourced by the shell checks: fail records a failure and lets the check go on, so that one
# run names every fault; finish ends the check, with $* said when nothing failed.
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

finish() {
  [ "$failures" -eq 0 ] && echo "$*"
  exit $((failures > 0))
}
