#!/usr/bin/env bash
# Prepares the Windows program for the tests under Wine: unpacks the zip into DIR/program
# and makes a fresh 64-bit Wine prefix in DIR/prefix, which each test run copies.
# Usage: tests/wine/setup.sh ZIP DIR
set -euo pipefail

zip=${1:?usage: $0 ZIP DIR}
dir=${2:?usage: $0 ZIP DIR}

rm -rf "$dir"
"$(dirname "$0")/../unpack.sh" "$zip" "$dir/program"

export WINEPREFIX=$dir/prefix WINEDEBUG=-all
# No display: the prefix is made without windows. Wine's .NET and HTML engines are not
# installed (the program needs neither), so nothing asks to download them.
DISPLAY='' WINEDLLOVERRIDES='mscoree,mshtml=' wineboot --init
# wineboot returns before the prefix is written out; the server ends once it is.
wineserver --wait
