#!/usr/bin/env bash
# Runs a checker that reports problems as text but may still exit 0 on warnings
# (desktop-file-validate, groff): passes only when it exits 0 and prints nothing.
set -euo pipefail

output=$("$@" 2>&1) || { printf '%s\n' "$output"; exit 1; }
if [ -n "$output" ]; then
  printf '%s\n' "$output"
  exit 1
fi
