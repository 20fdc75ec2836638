#!/usr/bin/env bash
# Starts the installed program the way a desktop launcher does with its menu entry: in
# the entry's Path= folder, running its Exec= command from the installed bindir. The
# program has started its main loop once SDL's handler for SIGTERM is installed; a
# SIGTERM then becomes a quit request, and the program must end with status 0.
# Usage: start_from_menu_entry.sh STAGING_DIR DESKTOP_ENTRY
set -euo pipefail
staging=$1 entry=$2

# How long the program gets to start and to quit, in tenths of a second: ample for a
# program that is up within a fraction of a second even on a busy machine.
readonly start_limit=100 quit_limit=50
# SigCgt in /proc/PID/status is a hex mask with bit N-1 set for each caught signal N.
readonly sigterm_bit=$((1 << (15 - 1)))

path=$(sed -n 's/^Path=//p' "$entry")
command=$(sed -n 's/^Exec=//p' "$entry")
case $command in
  */* | *' '* | '') echo "Exec= should name the program alone, not '$command'" >&2; exit 1 ;;
esac
program=$staging/usr/bin/$command
output=$(mktemp)
trap 'rm -f "$output"' EXIT

cd "$staging$path"
SDL_VIDEODRIVER=dummy "$program" >"$output" 2>&1 &
pid=$!

# Until it has run the program, $pid is a copy of this shell, which catches SIGTERM
# because of the EXIT trap (and would run that trap on one): only the program's own mask
# counts.
program_file=$(realpath "$program")
caught() {
  [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$program_file" ] || return 1
  awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null
}
for ((tick = 0; ; tick++)); do
  mask=$(caught) || mask=""
  [ -n "$mask" ] && (((16#$mask & sigterm_bit) != 0)) && break
  if ! kill -0 "$pid" 2>/dev/null || ((tick == start_limit)); then
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" && status=0 || status=$?
    echo "the program did not start its loop (status $status); it printed:" >&2
    cat "$output" >&2
    exit 1
  fi
  sleep 0.1
done

kill -TERM "$pid"
for ((tick = 0; tick < quit_limit; tick++)); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  kill -KILL "$pid"
  echo "the program did not quit on SIGTERM" >&2
  exit 1
fi
wait "$pid" && status=0 || status=$?
if ((status != 0)) || [ -s "$output" ]; then
  echo "the program ended with status $status; it printed:" >&2
  cat "$output" >&2
  exit 1
fi
