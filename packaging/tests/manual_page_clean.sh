#!/usr/bin/env bash
# The manual page formats without a single groff warning, and holds only ASCII: man
# feeds the page to groff in the reader's locale, and other bytes warn or come out wrong.
# Usage: manual_page_clean.sh PAGE
set -euo pipefail
page=$1

if LC_ALL=C grep -n '[^ -~]' "$page"; then
  echo "non-ASCII characters in $page: write them as groff escapes" >&2
  exit 1
fi
"$(dirname "$0")/silent.sh" groff -ww -z -man "$page"
