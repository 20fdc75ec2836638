#!/usr/bin/env bash
# Checks that each BINARY carries the protections a distribution builds with, by what
# hardening-check (Debian's devscripts) finds in it: position independence, stack
# canaries, fortified C library functions, read-only relocations and immediate binding.
# Control-flow protection is not required: the linker marks a binary with it only when
# every object linked is marked, and Debian 12's own start files (crt1.o, crti.o) are
# not; 32-bit ARM (armhf) has no such protection at all. (Stack clash protection is
# reported as unknown, not failed, while no function has a frame large enough to need
# probes.)
# Usage: hardening.sh BINARY...
set -euo pipefail
status=0
for binary in "$@"; do
  if ! report=$(hardening-check --nocfprotection "$binary"); then
    echo "$report" >&2
    status=1
  fi
done
exit $status
