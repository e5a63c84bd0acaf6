#!/usr/bin/env bash
# Runs every libFuzzer target in turn (one at a time, so that the machine stays usable) for the
# same budget, and prints one summary line per target from libFuzzer's final statistics.
#
#   fuzz/run-all.sh -max_total_time=SECONDS [more libFuzzer options]
#   fuzz/run-all.sh -runs=N [more libFuzzer options]
#
# Each target's full output goes to build/fuzz/logs/TARGET.log. The exit status is 1 when any
# target found a crash, a leak, a sanitizer report or a timeout.
set -uo pipefail
cd "$(dirname "$0")/.."

if [ $# -eq 0 ] || [[ " $* " != *" -max_total_time="* && " $* " != *" -runs="* ]]; then
    echo "usage: $0 -max_total_time=SECONDS | -runs=N [more libFuzzer options]" >&2
    exit 2
fi

fuzz/run.sh --list >/dev/null || exit 1
mkdir -p build/fuzz/logs
status=0
printf '%-20s %-8s %12s %8s %10s %6s %7s %8s\n' \
    target result executions seconds exec/s cov ft rss_mb
for target in $(fuzz/run.sh --list); do
    log=build/fuzz/logs/$target.log
    start=$(date +%s)
    # A slow input counts as a failure long before libFuzzer's default of 20 minutes.
    if fuzz/run.sh "$target" -timeout=25 "$@" >"$log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
    fi
    seconds=$(($(date +%s) - start))
    stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
    # The last status line carries the coverage reached: "... cov: N ft: M corp: ...".
    last=$(grep -E '^#[0-9]+' "$log" | tail -1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    printf '%-20s %-8s %12s %8s %10s %6s %7s %8s\n' "$target" "$result" \
        "$(stat number_of_executed_units)" "$seconds" "$(stat average_exec_per_sec)" \
        "${cov:--}" "${ft:--}" "$(stat peak_rss_mb)"
    if [ "$result" != ok ]; then
        grep -E 'ERROR|SUMMARY|Test unit written' "$log" | sed 's/^/    /'
    fi
done
exit $status
