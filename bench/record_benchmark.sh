#!/usr/bin/env bash
# Speed and memory of `Selvane --record`: SECONDS seconds of the sample text at 30 frames a
# second, 1280 x 720 and 1920 x 1080 (and any other sizes given), each recorded RUNS times. For
# each size it prints the median wall time against the video's length (the goals: 2x real time
# at 720p, 1x at 1080p), the median CPU time (all threads) per second of video with the speed two
# cores would give if the recording had them to itself, the peak resident memory (goal: 300 MB),
# the file size per minute of video, and the encoder settings. No display is needed. The
# machine's load is printed before and after: on a shared machine the wall times move with it.
#
#   bench/record_benchmark.sh [RUNS] [SECONDS] [SIZE...]     sizes as 1280x720; .webm: VP9
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
seconds=${2:-10}
shift $(( $# > 2 ? 2 : $# ))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1280x720 1920x1080)
program=build/default/bin/Selvane
sample=build/default/bin/sample.txt
[ -x "$program" ] || { echo "build first: ./setup.sh build" >&2; exit 1; }
work=$(mktemp -d /tmp/selvane-record-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_CONFIG_HOME=$work/config

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
for size in "${sizes[@]}"; do
    extension=mp4
    if [[ $size == *.webm ]]; then
        extension=webm
        size=${size%.webm}
    fi
    walls=() cpus=() rss=() bytes=()
    summary=
    for ((i = 0; i < runs; i++)); do
        out=$work/out.$extension
        /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$program" --record="$out" --size="$size" \
            --seconds="$seconds" --seed=1 "$sample" 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
        read -r wall kb user system <"$work/time"
        walls+=("$wall")
        cpus+=("$(awk -v u="$user" -v s="$system" 'BEGIN {print u + s}')")
        rss+=("$kb")
        bytes+=("$(stat -c %s "$out")")
        summary=$(tail -n 1 "$work/err")
    done
    wall=$(printf '%s\n' "${walls[@]}" | median)
    cpu=$(printf '%s\n' "${cpus[@]}" | median)
    peak=$(printf '%s\n' "${rss[@]}" | sort -n | tail -n 1)
    size_bytes=$(printf '%s\n' "${bytes[@]}" | median)
    awk -v s="$size" -v e="$extension" -v w="$wall" -v len="$seconds" -v kb="$peak" \
        -v b="$size_bytes" -v all="${walls[*]}" -v r="$runs" -v c="$cpu" 'BEGIN {
        printf "%s %s, %d s at 30 fps: median %.2f s over %d runs (%s) = %.2fx real time; " \
               "CPU %.2f s per second of video (%.2fx real time on two cores of its own); " \
               "peak RSS %.0f MB; %.1f MB per minute\n", s, e, len, w, r, all, len / w,
               c / len, 2 * len / c, kb / 1024, b / len * 60 / 1e6 }'
    echo "  encoder: ${summary##*; }"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
