#!/usr/bin/env bash
# The program's own cost, on an X server of its own (Xvfb, so Mesa's llvmpipe draws) and then
# as a client of a Wayland compositor of its own (weston's headless backend, Qt's wayland
# platform), each figure for both, with the Wayland figure's ratio to the X11 one:
#
# - start-up: time from process start to the first frame presented on screen with the sample
#   text at 640 x 480, median of RUNS starts;
# - CPU seconds (all threads of the process) per second of wall time, with the sample text:
#   at rest (nothing moves, every frame would be the same picture) and cruising at 8 characters
#   a second, each with the view at 640 x 480 and at 1920 x 1080; median of REPEATS runs of
#   SECONDS seconds each, every run a process of its own, measured after a warm-up.
#
#   bench/app_benchmark.sh [RUNS] [SECONDS] [REPEATS] [PROGRAM]
#
# PROGRAM (default build/default/bin/Selvane) lets two builds be compared in one sitting.
# PLATFORMS (default "xcb wayland") picks the platforms measured.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-11}
seconds=${2:-10}
repeats=${3:-3}
program=${4:-build/default/bin/Selvane}
sample=build/default/bin/sample.txt
[ -x "$program" ] || { echo "build first: ./setup.sh build" >&2; exit 1; }
[ -f "$sample" ] || sample=$(dirname "$program")/sample.txt
platforms=${PLATFORMS:-xcb wayland}
export ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null} SELVANE_MESSAGE_BOXES=stderr
# See tests/support/OnWeston.sh.
export QT_IM_MODULE=none
work=$(mktemp -d /tmp/selvane-bench-XXXXXX)
export XDG_CONFIG_HOME=$work/config
server=
weston=
cleanup() {
    [ -z "$server" ] || kill "$server" 2>/dev/null || true
    [ -z "$weston" ] || kill "$weston" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Screens large enough for a 1920 x 1080 view with the menu and status bars (and on Wayland the
# window's own decoration) around it.
. tests/support/PrivateXvfb.sh
. tests/support/PrivateWeston.sh
start_private_xvfb "$work" 2048x1280x24 -noreset || exit 1
x_display=$display
if [[ " $platforms " == *" wayland "* ]]; then
    start_private_weston "$work" 2048 1280 || exit 1
    wayland_display=$WAYLAND_DISPLAY
    unset WAYLAND_DISPLAY
fi

# The environment of one platform's runs: only that platform's display is there.
use_platform() {
    export QT_QPA_PLATFORM=$1
    if [ "$1" = wayland ]; then
        unset DISPLAY
        export WAYLAND_DISPLAY=$wayland_display
    else
        unset WAYLAND_DISPLAY
        export DISPLAY=$x_display
    fi
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Starts the program with the given options and prints "MS WxH" once its first frame is on
# screen: the time since the start and the size of the view; the program is left running
# with its pid in $work/pid.
start_and_wait() {
    local start fifo line
    fifo=$work/fifo
    rm -f "$fifo"
    mkfifo "$fifo"
    start=$(now_ms)
    # Its standard output must not be the caller's $(...) pipe, which would wait for its end.
    SELVANE_DEBUG=1 "$program" "$@" >/dev/null 2>"$fifo" &
    echo $! >"$work/pid"
    while IFS= read -r line; do
        if [[ $line == "first frame presented"* ]]; then
            line=${line#first frame presented (}
            echo "$(( $(now_ms) - start )) ${line%)}"
            break
        fi
    done <"$fifo"
    # Keep reading the debug lines away, so that the program never blocks on a full pipe.
    cat "$fifo" >/dev/null &
}

stop() {
    local pid
    pid=$(cat "$work/pid")
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)

# CPU seconds per second of one run: the program flies (or rests) for a warm-up, then SECONDS.
cpu_run() {
    local width=$1 height=$2 result pid before after
    shift 2
    result=$(start_and_wait -qwindowgeometry "${width}x$((height + bars))" "$@" "$sample")
    [ "${result#* }" = "${width}x${height}" ] || echo "view is ${result#* }, not ${width}x${height}" >&2
    pid=$(cat "$work/pid")
    sleep 3
    before=$(ticks "$pid")
    sleep "$seconds"
    after=$(ticks "$pid")
    stop
    awk -v a="$after" -v b="$before" -v hz="$hz" -v s="$seconds" 'BEGIN {printf "%.4f\n", (a - b) / hz / s}'
}

# Every figure of one platform, into figures[].
measure() {
    platform=$1
    use_platform "$platform"
    # The frame is sized so that the view between the menu bar and the status bar has the size
    # asked for: the bars' height is measured once.
    bars=0
    probe=$(start_and_wait -qwindowgeometry 640x480 "$sample")
    stop
    probe_size=${probe#* }
    bars=$(( 480 - ${probe_size#*x} ))

    times=()
    for ((i = 0; i < runs; i++)); do
        result=$(start_and_wait -qwindowgeometry 640x$((480 + bars)) "$sample")
        stop
        times+=("${result%% *}")
        size=${result#* }
    done
    startup=$(printf '%s\n' "${times[@]}" | median)
    echo "$platform: start-up to the first frame on screen: median $startup ms" \
         "over ${runs} runs (all: ${times[*]}), view ${size}"

    for size in 640x480 1920x1080; do
        for mode in rest cruise; do
            options=()
            [ "$mode" = cruise ] && options=(--cruise=8)
            all=()
            for ((i = 0; i < repeats; i++)); do
                all+=("$(cpu_run "${size%x*}" "${size#*x}" "${options[@]}")")
            done
            label="at rest"
            [ "$mode" = cruise ] && label="cruising at 8 characters a second"
            result=$(printf '%s\n' "${all[@]}" | median)
            figures[$platform $size $mode]=$result
            printf '%-8s %-10s %-34s median %.4f CPU seconds per second (runs: %s; %s s each)\n' \
                "$platform:" "$size" "$label" "$result" "${all[*]}" "$seconds"
        done
    done
    figures[$platform startup]=$startup
}

declare -A figures
for platform in $platforms; do
    measure "$platform"
done
if [[ " $platforms " == *" xcb "* && " $platforms " == *" wayland "* ]]; then
    echo "Wayland against X11, same sitting:"
    for size in 640x480 1920x1080; do
        for mode in rest cruise; do
            awk -v w="${figures[wayland $size $mode]}" -v x="${figures[xcb $size $mode]}" \
                -v l="$size $mode" 'BEGIN { printf "  %-18s %.2f x\n", l, (x > 0 ? w / x : 0) }'
        done
    done
    echo "  start-up            $(( ${figures[wayland startup]} - ${figures[xcb startup]} )) ms more"
fi
