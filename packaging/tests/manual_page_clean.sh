#!/usr/bin/env bash
# Each manual page formats without a single groff warning. The English page holds only
# ASCII: man feeds it to groff in the reader's locale, and other bytes warn or come out
# wrong. A translated page is UTF-8 and says so on its first line, which has man convert
# it for any locale; it is checked on groff's UTF-8 device, where its glyphs exist.
# Usage: manual_page_clean.sh PAGE...
set -euo pipefail
status=0
for page in "$@"; do
  if head -n 1 "$page" | grep -q -- '-\*- coding: UTF-8 -\*-'; then
    iconv -f UTF-8 -t UTF-8 "$page" >/dev/null 2>&1 || { echo "$page is not UTF-8" >&2; status=1; }
    "$(dirname "$0")/silent.sh" groff -k -ww -z -Tutf8 -man "$page" || status=1
  elif LC_ALL=C grep -n '[^ -~]' "$page"; then
    echo "non-ASCII characters in $page: write them as groff escapes" >&2
    status=1
  else
    "$(dirname "$0")/silent.sh" groff -ww -z -man "$page" || status=1
  fi
done
exit $status
