#!/usr/bin/env bash
# Speed and memory of `Selvane --record`: SECONDS seconds of the sample text, each case recorded
# RUNS times, the runs of all cases taking turns so that the machine's load falls on them alike.
# The cases: 1280 x 720 and 1920 x 1080 at 30 frames a second (the goals: 2x real time at 720p,
# 1x at 1080p), 720p again with --drums (goals, against 720p without drums in the same run: at
# least 0.9x the speed and at most 1.1x the peak memory), a 640 x 360 GIF at 25 frames a second
# (goals: 3x real time, at most 4 MB for 10 s), and any other sizes given. For each it prints the
# median wall time against the video's length, the median CPU time (all threads) per second of
# video with the speed two cores would give if the recording had them to itself, the peak
# resident memory (goal: 300 MB), the file size per minute of video and the encoder settings;
# then the drums' ratios. No display is needed. The machine's load is printed before and after:
# on a shared machine the wall times move with it, the CPU times far less.
#
#   bench/record_benchmark.sh [RUNS] [SECONDS] [SIZE...]     sizes as 1280x720; .webm: VP9
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
seconds=${2:-10}
shift $(( $# > 2 ? 2 : $# ))
sizes=("$@")
program=build/default/bin/Selvane
sample=build/default/bin/sample.txt
[ -x "$program" ] || { echo "build first: ./setup.sh build" >&2; exit 1; }
work=$(mktemp -d /tmp/selvane-record-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_CONFIG_HOME=$work/config

# A case: its name, the output's extension, and the options of its recording.
cases=("720p|mp4|--size=1280x720" "720p+drums|mp4|--size=1280x720 --drums"
       "1080p|mp4|--size=1920x1080" "gif|gif|--size=640x360 --fps=25")
for size in "${sizes[@]}"; do
    extension=mp4
    if [[ $size == *.webm ]]; then
        extension=webm
        size=${size%.webm}
    fi
    cases+=("$size.$extension|$extension|--size=$size")
done

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
column() { awk -v c="$1" '{print $c}' "$work/$2.runs"; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
for ((i = 0; i < runs; i++)); do
    for entry in "${cases[@]}"; do
        IFS='|' read -r name extension options <<<"$entry"
        out=$work/out.$extension
        # shellcheck disable=SC2086 # the options are words
        /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$program" --record="$out" $options \
            --seconds="$seconds" --seed=1 "$sample" 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
        read -r wall kb user system <"$work/time"
        echo "$wall $kb $(awk -v u="$user" -v s="$system" 'BEGIN {print u + s}') $(stat -c %s "$out")" \
            >>"$work/$name.runs"
        tail -n 1 "$work/err" >"$work/$name.summary"
    done
done
for entry in "${cases[@]}"; do
    IFS='|' read -r name extension options <<<"$entry"
    wall=$(column 1 "$name" | median)
    peak=$(column 2 "$name" | sort -n | tail -n 1)
    cpu=$(column 3 "$name" | median)
    bytes=$(column 4 "$name" | median)
    summary=$(cat "$work/$name.summary")
    fps=$(grep -oE 'at [0-9]+ fps' <<<"$summary" | grep -oE '[0-9]+')
    echo "$peak" >"$work/$name.peak"
    echo "$wall" >"$work/$name.wall"
    echo "$cpu" >"$work/$name.cpu"
    awk -v n="$name" -v o="$options" -v w="$wall" -v len="$seconds" -v kb="$peak" -v b="$bytes" \
        -v all="$(column 1 "$name" | tr '\n' ' ')" -v r="$runs" -v c="$cpu" -v f="$fps" 'BEGIN {
        printf "%s (%s), %d s at %d fps: median %.2f s over %d runs (%s) = %.2fx real time; " \
               "CPU %.2f s per second of video (%.2fx real time on two cores of its own); " \
               "peak RSS %.0f MB; %.2f MB, %.1f MB per minute\n", n, o, len, f, w, r, all,
               len / w, c / len, 2 * len / c, kb / 1024, b / 1e6, b / len * 60 / 1e6 }'
    echo "  encoder: ${summary#*characters a second; }"
done
awk -v wp="$(cat "$work/720p.wall")" -v wd="$(cat "$work/720p+drums.wall")" \
    -v cp="$(cat "$work/720p.cpu")" -v cd="$(cat "$work/720p+drums.cpu")" \
    -v mp="$(cat "$work/720p.peak")" -v md="$(cat "$work/720p+drums.peak")" 'BEGIN {
    printf "drums at 720p against none, same run: %.2fx the speed (median wall times), " \
           "%.2fx the CPU time, %.2fx the peak memory\n", wp / wd, cd / cp, md / mp }'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
