#!/usr/bin/env bash
# Starts the program again and again on an X server that resets whenever its last client leaves,
# as Xvfb and xvfb-run do by default: every start must reach its picture. A check of the display
# that closed its own connection before Qt connected left the server resetting just as Qt came,
# and about one start in ten ended in Qt's abort.
set -euo pipefail
program=$1
starts=${2:-30}
work=$(mktemp -d /tmp/selvane-reset-XXXXXX)
server=
cleanup() {
    [ -z "$server" ] || kill "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Without -noreset: the server resets whenever its last client leaves.
. "$(dirname "$0")/../support/PrivateXvfb.sh"
start_private_xvfb "$work" 640x480x24 || { echo "FAIL" >&2; exit 1; }

failed=0
for i in $(seq "$starts"); do
    if ! DISPLAY=$display XDG_CONFIG_HOME=$work/config ALSOFT_DRIVERS=null QT_QPA_PLATFORM=xcb \
        SELVANE_MESSAGE_BOXES=stderr timeout 60 "$program" --screenshot="$work/$i.png" \
        >"$work/out" 2>&1; then
        echo "start $i failed:" >&2
        tail -n 3 "$work/out" >&2
        failed=$((failed + 1))
    elif [ ! -s "$work/$i.png" ]; then
        echo "start $i saved no picture" >&2
        failed=$((failed + 1))
    fi
done
[ "$failed" -eq 0 ] || { echo "FAIL: $failed of $starts starts failed" >&2; exit 1; }
echo "all $starts starts reached their picture"
