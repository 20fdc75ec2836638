#!/usr/bin/env bash
# Measures the built program on a private Xvfb under a window manager, in each of its two
# ways of presenting frames, in a window and in full screen, then the browser page in
# Chromium and Firefox, and prints the figures side by side and the goals; `make bench`
# builds everything first and runs this from the repository root. With CLASSIC_SDL_DIR,
# the folder of the classic SDL 1.2 library, the program is also measured on that.
# Usage: bench/run.sh BUILD_DIR SITE_DIR [CLASSIC_SDL_DIR]
set -euo pipefail

usage="usage: bench/run.sh BUILD_DIR SITE_DIR [CLASSIC_SDL_DIR]"
build=$(realpath "${1:?$usage}")
site=$(realpath "${2:?$usage}")
classic_sdl=${3:+$(realpath "$3")}
cd "$(dirname "$0")/.."

screen_size=1920x1080
warm_up_s=2            # start-up (or the switch to full screen) settles, first frames drawn
idle_window_s=10       # /proc counts CPU time in 10 ms ticks: 0.1 % of one core over 10 s
idle_runs=3            # undisturbed idle figures wanted for the median
idle_most_runs=4       # idle figures taken at most, disturbed ones included
disturbed_percent=25   # other processes' CPU use (of one core) that disturbs a figure
blink_window_s=5       # about 20 blink periods
key_count=50
key_gap_ms=40          # each press is shown well before the next one
frame_count=200        # presses, each bringing a frame, for the CPU a frame costs
frame_gap_ms=10        # faster than the loop looks at input: every look finds a press
browser_rounds=3       # of a blank page, the page and a plain canvas, in turn (bench/browser.mjs)

# The ways the program presents frames, and what each sets in its environment: the direct
# path (X11 shared memory) is its own default, the GPU path (GL) one variable away; the
# classic library presents directly.
path_environment() {
  case "$1" in
    direct) ;;
    gpu) echo SDL_FRAMEBUFFER_ACCELERATION=1 ;;
    classic) echo "LD_LIBRARY_PATH=$classic_sdl" ;;
  esac
}
paths=(direct gpu ${classic_sdl:+classic})
forms=(window full-screen)
browsers=(chromium firefox)

# What the user's shell has set must not choose for the program.
unset SDL_VIDEODRIVER SDL_RENDER_DRIVER SDL_FRAMEBUFFER_ACCELERATION

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

# The value of the "name value" line NAME in FILE; nothing when FILE has none, or when
# there is no FILE (a figure the configuration does not take).
figure() { awk -v name="$1" '$1 == name { print $2 }' "$2" 2>/dev/null || true; }

# The median of the numbers on standard input, one a line; nothing when there are none.
median() {
  sort -g | awk '{ v[NR] = $1 }
    END { if (NR) printf "%.2f\n", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Whether other work used more than disturbed_percent of a core, by figure NAME of FILE.
disturbed() {
  awk -v name="$1" -v limit="$disturbed_percent" '$1 == name { exit !($2 > limit) }' "$2"
}

# Reverse order so that Xvfb, started first, is stopped last.
track() { pids=("$1" "${pids[@]}"); }

start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "${screen_size}x24" -nolisten tcp 3>"$work/display" \
    2>"$work/xvfb.log" &
  xvfb=$!
  track "$xvfb"
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
}

# Full screen is the window manager's to give: the program asks for it, openbox grants it.
start_window_manager() {
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  track $!
  if ! probe wm 10; then
    cat "$work/openbox.log" >&2
    exit 1
  fi
}

# Idle CPU of PID, taken until idle_runs figures were undisturbed or idle_most_runs were
# taken; writes the median (of the undisturbed ones, or of all when none was) to DIR/idle.txt.
measure_idle_cpu() {
  local pid=$1 dir=$2 run=0 quiet=0 kept
  while [ "$quiet" -lt "$idle_runs" ] && [ "$run" -lt "$idle_most_runs" ]; do
    run=$((run + 1))
    probe cpu "$pid" "$idle_window_s" "$xvfb" >"$dir/idle-$run.txt"
    echo "  idle $run: $(tr '\n' ' ' <"$dir/idle-$run.txt")"
    if disturbed other-cpu-percent "$dir/idle-$run.txt"; then
      echo "  (other work used more than $disturbed_percent % of a core: taken again)"
    else
      quiet=$((quiet + 1))
      cp "$dir/idle-$run.txt" "$dir/idle-quiet-$run.txt"
    fi
  done
  kept=("$dir"/idle-quiet-*.txt)
  [ "$quiet" -gt 0 ] || kept=("$dir"/idle-[0-9]*.txt)
  {
    echo "idle-runs $quiet/$run"
    echo "idle-cpu-percent $(cat "${kept[@]}" | awk '$1 == "cpu-percent" { print $2 }' | median)"
    echo "idle-x-server-cpu-percent $(cat "${kept[@]}" |
      awk '$1 == "x-server-cpu-percent" { print $2 }' | median)"
    echo "idle-other-cpu-percent $(cat "$dir"/idle-[0-9]*.txt |
      awk '$1 == "other-cpu-percent" { print $2 }' | median)"
  } >"$dir/idle.txt"
}

# How often the idle program's main thread wakes: its voluntary context switches over
# idle_window_s, per second, to DIR/wakeups.txt.
measure_wakeups() {
  local pid=$1 dir=$2 before after
  switches() { awk '$1 == "voluntary_ctxt_switches:" { print $2 }' "/proc/$pid/task/$pid/status"; }
  before=$(switches)
  sleep "$idle_window_s"
  after=$(switches)
  echo "idle-wakeups-per-s $(awk -v n=$((after - before)) -v s="$idle_window_s" 'BEGIN { printf "%.1f", n / s }')" |
    tee "$dir/wakeups.txt"
}

# The GL libraries mapped into process PID, one a line: GL's dispatch, Mesa's software
# rasteriser and the LLVM it compiles with.
gl_libraries() {
  grep -oE '(libGLX|libGL\.so|swrast|libLLVM)[^/]*$' "/proc/$1/maps" | sort -u || true
}

# One configuration: the program presenting by PATH (direct, gpu) in FORM (window,
# full-screen), started afresh with the latency shim preloaded; its figures go to
# $work/PATH-FORM/.
measure_configuration() {
  local path=$1 form=$2 dir="$work/$1-$2" program
  local -a environment
  read -ra environment <<<"$(path_environment "$path")"
  mkdir "$dir"
  echo "== $path path, $form${environment[*]:+ (${environment[*]})}"
  env "${environment[@]}" VYRTEL_SHIM_LOG="$dir/shim.log" \
    VYRTEL_BENCH_LAUNCH_US="${EPOCHREALTIME/[.,]/}" LD_PRELOAD="$build/libvyrtel_latency_shim.so" \
    "$build/vyrtel" >"$dir/vyrtel.out" 2>&1 &
  program=$!
  track "$program"
  if [ "$form" = full-screen ]; then
    # The classic library's full screen is a window of its own, which has no caption to
    # find it by: its figures are taken after the probe has waited for it in vain, and its
    # readout, which the probe finds by that caption, is not read.
    probe full-screen | tee "$dir/full-screen.txt" || [ "$path" = classic ]
  fi
  sleep "$warm_up_s"
  measure_idle_cpu "$program" "$dir"
  measure_wakeups "$program" "$dir"
  probe blink "$blink_window_s" rfs/rk_font.bin | tee "$dir/blink.txt" ||
    [ "$path-$form" = classic-full-screen ]
  probe keys "$key_count" "$key_gap_ms" "$dir/shim.log" | tee "$dir/keys.txt"
  probe frames "$program" "$frame_count" "$frame_gap_ms" "$dir/shim.log" "$xvfb" |
    tee "$dir/frames.txt"
  {
    awk '$1 == "VmHWM:" { printf "peak-resident-mib %.1f\n", $2 / 1024 }' "/proc/$program/status"
    gl_libraries "$program" >"$dir/gl-libraries.txt"
    echo "gl-mapped $([ -s "$dir/gl-libraries.txt" ] && echo yes || echo no)"
    echo "gl-libraries $(tr '\n' ' ' <"$dir/gl-libraries.txt")"
  } | tee "$dir/process.txt"
  stop "$program"
}

# The browser page in BROWSER, headless; its figures go to $work/browser-BROWSER/page.txt.
measure_browser() {
  local dir="$work/browser-$1"
  mkdir "$dir"
  echo "== The browser page in $1 (headless)"
  node bench/browser.mjs "$1" "$site" | tee "$dir/page.txt"
}

measure_frame_bench() {
  echo "== Frame cost (Google Benchmark, median of 5)"
  "$build/vyrtel_frame_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true |
    tee "$work/frame-bench.txt"
}

configurations() {
  local path form
  for path in "${paths[@]}"; do
    for form in "${forms[@]}"; do
      echo "$path-$form"
    done
  done
}

# One row of a side-by-side table: what, unit, then one figure a column, each given as
# FILE:NAME, FILE under the work folder (a FILE that is not there gives "-").
side_row() {
  local line column value
  line=$(printf '%-36s %-9s' "$1" "$2")
  shift 2
  for column in "$@"; do
    value=$(figure "${column#*:}" "$work/${column%%:*}")
    line+=$(printf ' %12s' "${value:--}")
  done
  echo "$line"
}

side_heading() {
  local line column
  line=$(printf '%-36s %-9s' "$1" "$2")
  shift 2
  for column in "$@"; do
    line+=$(printf ' %12s' "$column")
  done
  echo "$line"
}

# A row of the desktop table: what, unit, and figure NAME of FILE in each configuration.
table_row() {
  local configuration columns=()
  for configuration in $(configurations); do
    columns+=("$configuration/$3:$4")
  done
  side_row "$1" "$2" "${columns[@]}"
}

# A row of the browser table: what, unit, figure DESKTOP_NAME of the desktop window's
# FILE, then figure BROWSER_NAME of each browser.
browser_row() {
  local browser columns=("direct-window/$3:$4")
  for browser in "${browsers[@]}"; do
    columns+=("browser-$browser/page.txt:$5")
  done
  side_row "$1" "$2" "${columns[@]}"
}

table() {
  echo
  echo "== Side by side ($(nproc) cores, load average $(cut -d ' ' -f 1-3 /proc/loadavg))"
  local path form heading=() forms_heading=()
  for path in "${paths[@]}"; do
    for form in "${forms[@]}"; do
      heading+=("$path")
      forms_heading+=("$form")
    done
  done
  side_heading "" "" "${heading[@]}"
  side_heading measure unit "${forms_heading[@]}"
  table_row "idle CPU, median" "% core" idle.txt idle-cpu-percent
  table_row "  runs undisturbed / taken" "" idle.txt idle-runs
  table_row "  X server meanwhile, median" "% core" idle.txt idle-x-server-cpu-percent
  table_row "  other work meanwhile, median" "% core" idle.txt idle-other-cpu-percent
  table_row "idle wake-ups of the main thread" "per s" wakeups.txt idle-wakeups-per-s
  table_row "CPU per presented frame" "ms" frames.txt frame-cpu-ms
  table_row "  X server's per frame" "ms" frames.txt frame-x-server-cpu-ms
  table_row "  frames presented per second" "per s" frames.txt frames-per-second
  table_row "  other work meanwhile" "% core" frames.txt frames-other-cpu-percent
  table_row "peak resident memory (VmHWM)" "MiB" process.txt peak-resident-mib
  table_row "start-up to first frame" "ms" keys.txt first-frame-ms
  table_row "Space to covering the screen" "ms" full-screen.txt full-screen-after-ms
  table_row "key press to frame, median" "ms" keys.txt key-to-frame-median-ms
  table_row "key press to frame, max" "ms" keys.txt key-to-frame-max-ms
  table_row "  of which waiting to be handed over" "ms" keys.txt slowest-key-delivered-ms
  table_row "  key presses shown of $key_count" "presses" keys.txt keys-shown
  table_row "blink period, median" "ms" blink.txt blink-period-median-ms
  table_row "blink period, max" "ms" blink.txt blink-period-max-ms
  table_row "GL library mapped" "" process.txt gl-mapped
}

browser_table() {
  echo
  echo "== In a browser, beside the desktop window (direct path)"
  side_heading measure unit desktop "${browsers[@]}"
  browser_row "site, each file gzipped" "KiB" - - site-gzip-kb
  browser_row "start-up / navigation to first frame" "ms" keys.txt first-frame-ms first-frame-ms
  browser_row "idle CPU (browser: above blank page)" "% core" idle.txt idle-cpu-percent \
    idle-above-blank-percent
  browser_row "  a plain canvas, above blank page" "% core" - - plain-canvas-above-blank-percent
  browser_row "  the page to the plain canvas" "ratio" - - idle-to-plain-canvas-ratio
  browser_row "  the browser with the page" "% core" - - page-cpu-percent
  browser_row "  the browser with a plain canvas" "% core" - - plain-canvas-cpu-percent
  browser_row "  the browser with a blank page" "% core" - - blank-cpu-percent
  browser_row "key press to frame / canvas, median" "ms" keys.txt key-to-frame-median-ms \
    key-to-canvas-median-ms
  browser_row "key press to frame / canvas, max" "ms" keys.txt key-to-frame-max-ms \
    key-to-canvas-max-ms
  browser_row "  key presses shown of $key_count" "presses" keys.txt keys-shown keys-shown
  browser_row "blink period, median" "ms" blink.txt blink-period-median-ms \
    blink-period-median-ms
  browser_row "blink period, max" "ms" blink.txt blink-period-max-ms blink-period-max-ms
}

# Every goal, one a line: what, FILE:NAME of its figure as side_row takes them, unit, and
# the most the figure may be.
goal_list() {
  cat <<EOF
idle CPU, window|direct-window/idle.txt:idle-cpu-percent|% core|1.0
peak resident memory, window|direct-window/process.txt:peak-resident-mib|MiB|16
idle CPU, full screen $screen_size|direct-full-screen/idle.txt:idle-cpu-percent|% core|2
key press to frame, max of $key_count, window|direct-window/keys.txt:key-to-frame-max-ms|ms|3
key press to frame, max of $key_count, full screen|direct-full-screen/keys.txt:key-to-frame-max-ms|ms|6
key press to frame, max, classic library, window|classic-window/keys.txt:key-to-frame-max-ms|ms|3
key press to frame, max, classic, full screen|classic-full-screen/keys.txt:key-to-frame-max-ms|ms|6
idle wake-ups of the main thread, window|direct-window/wakeups.txt:idle-wakeups-per-s|per s|10
idle wake-ups, classic library, window|classic-window/wakeups.txt:idle-wakeups-per-s|per s|10
blink period, median, window|direct-window/blink.txt:blink-period-median-ms|ms|252
blink period, median, full screen|direct-full-screen/blink.txt:blink-period-median-ms|ms|252
start-up to first frame|direct-window/keys.txt:first-frame-ms|ms|150
compose / fills (frame cost in memory)|frame-bench.txt:compose-to-fills-ratio|ratio|1.5
site, each file gzipped|browser-chromium/page.txt:site-gzip-kb|KiB|100
EOF
  local browser
  for browser in "${browsers[@]}"; do
    cat <<EOF
navigation to first frame, $browser|browser-$browser/page.txt:first-frame-ms|ms|500
idle CPU above a blank page, $browser|browser-$browser/page.txt:idle-above-blank-percent|% core|2
  to a plain canvas's, median of $browser_rounds rounds|browser-$browser/page.txt:idle-to-plain-canvas-ratio|ratio|1.25
key press to canvas, max of $key_count, $browser|browser-$browser/page.txt:key-to-canvas-max-ms|ms|17
blink period, median, $browser|browser-$browser/page.txt:blink-period-median-ms|ms|252
EOF
  done
}

goals() {
  local what column unit most value verdict
  echo
  echo "== Frame cost"
  side_row "compose one frame in memory" us frame-bench.txt:compose-in-memory-us
  side_row "  its two fills alone" us frame-bench.txt:fills-in-memory-us
  side_row "frame with flip in a window" "ms real" frame-bench.txt:frame-in-window-ms
  side_row "  CPU of all its threads" ms frame-bench.txt:frame-in-window-cpu-ms
  echo
  echo "== Goals (the desktop's default, direct path, and the browser page)"
  goal_list | while IFS='|' read -r what column unit most; do
    value=$(figure "${column#*:}" "$work/${column%%:*}")
    if [ -z "$value" ]; then
      verdict="NO FIGURE"
    elif awk -v value="$value" -v most="$most" 'BEGIN { exit !(value <= most) }'; then
      verdict="met"
    else
      verdict="MISSED"
    fi
    printf '%-52s %10s %-10s %-8s %s\n' "$what" "${value:-?}" "$unit" "<= $most" "$verdict"
  done
}

# What makes figures untrustworthy: other work on the machine, or a configuration that did
# not present the way it is named for.
warnings() {
  local configuration
  for configuration in $(configurations); do
    if [ "$(figure idle-runs "$work/$configuration/idle.txt" | cut -d / -f 1)" -lt "$idle_runs" ] ||
      disturbed frames-other-cpu-percent "$work/$configuration/frames.txt"; then
      echo "Other work disturbed the $configuration figures; run again when the machine is quiet."
    fi
    case "$configuration:$(figure gl-mapped "$work/$configuration/process.txt")" in
      direct-*:yes) echo "The $configuration configuration loaded GL: it did not present directly." ;;
      gpu-*:no) echo "The $configuration configuration loaded no GL: it did not present through GL." ;;
    esac
  done
}

echo "== Tests of the measuring tools"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
start_xvfb
start_window_manager
for configuration in $(configurations); do
  measure_configuration "${configuration%%-*}" "${configuration#*-}"
done
for browser in "${browsers[@]}"; do
  measure_browser "$browser"
done
measure_frame_bench
table
browser_table
goals
warnings
