#!/usr/bin/env bash
# Start-up time and CPU cost of the program itself, under a virtual X server:
#
# - time from process start to the first frame presented on screen with the sample text,
#   median of RUNS starts;
# - CPU seconds (all threads) per second of flight with the sample text loaded and the view at
#   640 x 480, measured over SECONDS seconds after a warm-up.
#
#   bench/app_benchmark.sh [RUNS] [SECONDS]      (run it under xvfb-run, or with a DISPLAY)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-11}
seconds=${2:-10}
program=build/default/bin/Selvane
sample=build/default/bin/sample.txt
[ -x "$program" ] || { echo "build first: ./setup.sh build" >&2; exit 1; }
export ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null} SELVANE_MESSAGE_BOXES=stderr QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-xcb}
export XDG_CONFIG_HOME=$(mktemp -d /tmp/selvane-bench-XXXXXX)
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
# The window is sized so that the view between the menu bar and the status bar is 640 x 480.
geometry=(-qwindowgeometry 640x530)

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

startup_ms() {
    local start fifo pid line size
    fifo=$(mktemp -u /tmp/selvane-bench-fifo-XXXXXX)
    mkfifo "$fifo"
    start=$(now_ms)
    SELVANE_DEBUG=1 "$program" "${geometry[@]}" "$sample" 2>"$fifo" &
    pid=$!
    while IFS= read -r line; do
        if [[ $line == "first frame presented"* ]]; then
            echo "$(( $(now_ms) - start )) ${line#first frame presented }"
            break
        fi
    done <"$fifo"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -f "$fifo"
}

times=()
for ((i = 0; i < runs; i++)); do
    result=$(startup_ms)
    times+=("${result%% *}")
    size=${result#* }
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
echo "start-up to first frame on screen: median ${median} ms over ${runs} runs (all: ${times[*]}), view ${size}"

"$program" "${geometry[@]}" "$sample" 2>/dev/null &
pid=$!
sleep 3
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks "$pid")
sleep "$seconds"
after=$(ticks "$pid")
kill "$pid"
wait "$pid" 2>/dev/null || true
awk -v a="$after" -v b="$before" -v hz="$hz" -v s="$seconds" \
    'BEGIN {printf "CPU while flying: %.3f CPU seconds per second (all threads, %d s)\n", (a - b) / hz / s, s}'
