#!/usr/bin/env bash
# Measures the built program in a real window on a private Xvfb and prints a summary
# table; `make bench` builds everything first and runs this from the repository root.
# Usage: bench/run.sh BUILD_DIR
set -euo pipefail

build=$(realpath "${1:?usage: bench/run.sh BUILD_DIR}")
cd "$(dirname "$0")/.."

warm_up_s=2            # start-up settles and the first frames are drawn
idle_window_s=10       # /proc counts CPU time in 10 ms ticks: 0.1 % of one core over 10 s
idle_attempts=3        # the idle figure is taken again while other work disturbs it
disturbed_percent=25   # other processes' CPU use (of one core) that disturbs the idle figure
blink_window_s=5       # about 20 blink periods
key_count=50
key_gap_ms=40          # each press is shown (about 10 ms) well before the next one

work=$(mktemp -d)
pids=()
# Whether PID is alive: neither gone nor a zombie waiting to be reaped.
running() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d ' ' -f 1)
  [ -n "$state" ] && [ "$state" != Z ]
}

# Asks PID to stop and, should it not within two seconds, ends it: a program whose X
# server has gone away can hang in its exit handlers instead of stopping.
stop() {
  local _
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 20); do
    running "$1" || break
    sleep 0.1
  done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    stop "$pid"
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

probe() { "$build/vyrtel_probe" "$@"; }

# The value of the "name value" line NAME in FILE.
figure() { awk -v name="$1" '$1 == name { print $2 }' "$2"; }

# Reverse order so that Xvfb, started first, is stopped last.
track() { pids=("$1" "${pids[@]}"); }

start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  track $!
  local _
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  DISPLAY=":$(head -n 1 "$work/display")"
  export DISPLAY
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  unset SDL_VIDEODRIVER
}

# Idle CPU of PID, taken again (up to idle_attempts times) while other processes were busy.
measure_idle_cpu() {
  local _
  for _ in $(seq "$idle_attempts"); do
    probe cpu "$1" "$idle_window_s" >"$work/idle.txt"
    if awk -v limit="$disturbed_percent" '$1 == "other-cpu-percent" { exit !($2 > limit) }' \
      "$work/idle.txt"; then
      echo "  (other work used $(figure other-cpu-percent "$work/idle.txt") % meanwhile: again)"
    else
      break
    fi
  done
}

measure_program() {
  echo "== The program, idle, with the latency shim preloaded"
  VYRTEL_SHIM_LOG="$work/shim.log" VYRTEL_BENCH_LAUNCH_US="${EPOCHREALTIME/[.,]/}" \
    LD_PRELOAD="$build/libvyrtel_latency_shim.so" "$build/vyrtel" >"$work/vyrtel.out" 2>&1 &
  local program=$!
  track "$program"
  sleep "$warm_up_s"
  measure_idle_cpu "$program"
  cat "$work/idle.txt"
  probe blink "$blink_window_s" rfs/rk_font.bin | tee "$work/blink.txt"
  probe keys "$key_count" "$key_gap_ms" "$work/shim.log" | tee "$work/keys.txt"
  awk '$1 == "VmHWM:" { printf "peak-resident-mib %.1f\n", $2 / 1024 }' "/proc/$program/status" |
    tee "$work/memory.txt"
  stop "$program"
}

measure_unpaced() {
  echo "== The same frame composed and presented without pacing"
  "$build/vyrtel_unpaced_loop" $((warm_up_s + idle_window_s + 1)) >"$work/unpaced.txt" &
  local unpaced=$!
  track "$unpaced"
  sleep "$warm_up_s"
  probe cpu "$unpaced" "$idle_window_s" | tee "$work/unpaced-cpu.txt"
  wait "$unpaced"
  cat "$work/unpaced.txt"
}

measure_frames() {
  echo "== Frame cost (Google Benchmark, median of 5)"
  "$build/vyrtel_frame_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true |
    tee "$work/frames.txt"
}

# One table row: what, figure, unit, and optionally the goal as "<= N".
row() {
  local verdict=""
  if [ -n "${4:-}" ]; then
    if [ -z "$2" ]; then
      verdict="NO FIGURE"
    elif awk -v value="$2" -v goal="${4#<= }" 'BEGIN { exit !(value <= goal) }'; then
      verdict="met"
    else
      verdict="MISSED"
    fi
  fi
  printf '%-40s %10s %-10s %-8s %s\n' "$1" "${2:-?}" "$3" "${4:-}" "$verdict"
}

summary() {
  local idle unpaced ratio
  idle=$(figure cpu-percent "$work/idle.txt")
  unpaced=$(figure cpu-percent "$work/unpaced-cpu.txt")
  ratio=$(awk -v a="$idle" -v b="$unpaced" 'BEGIN { if (b > 0) printf "%.3f", a / b }')
  echo
  echo "== Summary ($(nproc) cores, load average $(cut -d ' ' -f 1-3 /proc/loadavg))"
  printf '%-40s %10s %-10s %-8s %s\n' "measure" "figure" "unit" "goal" ""
  row "idle CPU, program" "$idle" "% of core" "<= 2"
  row "  other processes meanwhile" "$(figure other-cpu-percent "$work/idle.txt")" "% of core"
  row "CPU, unpaced loop" "$unpaced" "% of core"
  row "  idle / unpaced" "$ratio" "ratio"
  row "  unpaced frames" "$(figure unpaced-frames-per-second "$work/unpaced.txt")" "per s"
  row "blink period, median" "$(figure blink-period-median-ms "$work/blink.txt")" "ms" "<= 252"
  row "blink period, max" "$(figure blink-period-max-ms "$work/blink.txt")" "ms"
  row "key press to frame, median" "$(figure key-to-frame-median-ms "$work/keys.txt")" "ms"
  row "key press to frame, max" "$(figure key-to-frame-max-ms "$work/keys.txt")" "ms" "<= 17"
  row "  of which waiting to be handed over" "$(figure slowest-key-delivered-ms "$work/keys.txt")" \
    "ms"
  row "  key presses shown of $(figure keys-sent "$work/keys.txt")" \
    "$(figure keys-shown "$work/keys.txt")" "presses"
  row "start-up to first frame" "$(figure first-frame-ms "$work/keys.txt")" "ms"
  row "compose one frame in memory" "$(figure compose-in-memory-us "$work/frames.txt")" "us"
  row "  its two fills alone" "$(figure fills-in-memory-us "$work/frames.txt")" "us"
  row "  compose / fills" "$(figure compose-to-fills-ratio "$work/frames.txt")" "ratio" "<= 1.5"
  row "frame with flip in a window" "$(figure frame-in-window-ms "$work/frames.txt")" "ms"
  row "  CPU of all its threads" "$(figure frame-in-window-cpu-ms "$work/frames.txt")" "ms"
  row "peak resident memory (VmHWM)" "$(figure peak-resident-mib "$work/memory.txt")" "MiB"
  if awk -v limit="$disturbed_percent" '$1 == "other-cpu-percent" { exit !($2 > limit) }' \
    "$work/idle.txt"; then
    echo "Other work kept the machine busy: these figures are disturbed; run again when it is quiet."
  fi
}

echo "== Tests of the measuring tools"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
start_xvfb
measure_program
measure_unpaced
measure_frames
summary
