#!/usr/bin/env bash
# The program as a client of a real Wayland compositor (weston's headless backend, Qt's wayland
# platform) beside the same program on a virtual X server: the same pictures, the platform
# Qt chooses, and no wait for a frame without end.
#
#   WaylandTest.sh PROGRAM_DIR CASE
#
# CASE: screenshots | no-frame | platform
set -euo pipefail
program_dir=$1
case_name=$2
program=$program_dir/Selvane
sample=$program_dir/sample.txt
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/selvane-wayland-XXXXXX)
weston=
server=
cleanup() {
    [ -z "$weston" ] || kill "$weston" 2>/dev/null || true
    [ -z "$server" ] || kill "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
. "$here/../support/PrivateWeston.sh"
. "$here/../support/PrivateXvfb.sh"
start_private_weston "$work"
start_private_xvfb "$work" 1280x1024x24 -noreset

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The program with nothing of the caller's session: a configuration of its own, no sound
# device, message boxes on standard error; the platform as the arguments set it.
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE \
        XDG_CONFIG_HOME="$work/config" ALSOFT_DRIVERS=null SELVANE_MESSAGE_BOXES=stderr \
        QT_IM_MODULE=none "$@"
}
on_wayland() { run WAYLAND_DISPLAY="$WAYLAND_DISPLAY" XDG_SESSION_TYPE=wayland "$@"; }
on_x11() { run DISPLAY="$display" "$@"; }

case $case_name in
screenshots)
    # The same options and seed draw the same picture on both platforms, at a scale of 1 and 2.
    n=0
    for options in "--seed=7 --ticks=100 --cruise=8" "--seed=3 --ticks=400 --cruise=15" \
        "--seed=11 --ticks=5"; do
        n=$((n + 1))
        # shellcheck disable=SC2086
        on_x11 timeout 60 "$program" --screenshot="$work/x11-$n.png" $options "$sample" ||
            fail "X11 screenshot $n: status $?"
        # shellcheck disable=SC2086
        on_wayland timeout 60 "$program" --screenshot="$work/wayland-$n.png" $options "$sample" ||
            fail "Wayland screenshot $n: status $?"
        cmp -s "$work/x11-$n.png" "$work/wayland-$n.png" ||
            fail "the pictures of \"$options\" differ between X11 and Wayland"
    done
    # At a scale of 2 the picture has the device pixels of the window, about twice those at 1
    # (Qt's Wayland layout may round the window a pixel larger there than its X11 one).
    on_wayland QT_SCALE_FACTOR=2 timeout 60 "$program" --screenshot="$work/wayland-2x.png" \
        --seed=7 --ticks=20 "$sample" || fail "Wayland screenshot at scale 2: status $?"
    width() { od -An -tu1 -j16 -N4 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }'; }
    one=$(width "$work/wayland-1.png")
    two=$(width "$work/wayland-2x.png")
    [ "$two" -ge $((2 * one - 4)) ] && [ "$two" -le $((2 * one + 4)) ] ||
        fail "the picture at scale 2 is $two pixels wide, at scale 1 $one"
    ;;
no-frame)
    # A view the platform never exposes: a screenshot gives up after 10 s, naming the platform.
    for platform in wayland x11; do
        start=$(date +%s)
        status=0
        "on_$platform" SELVANE_TEST_NEVER_EXPOSED=1 timeout 60 "$program" \
            --screenshot="$work/never.png" "$sample" >"$work/out" 2>&1 || status=$?
        took=$(($(date +%s) - start))
        name=$platform
        [ "$platform" = x11 ] && name=xcb
        [ "$status" -eq 1 ] || fail "$platform: a screenshot that never drew ended with $status"
        grep -qx "selvane: no frame could be drawn on $name in 10 s" "$work/out" ||
            fail "$platform: no message: $(tail -n 3 "$work/out")"
        [ ! -e "$work/never.png" ] || fail "$platform: a picture was saved"
        [ "$took" -ge 10 ] && [ "$took" -lt 40 ] || fail "$platform: it ended after $took s"
    done
    # The window says so once and waits on: still running well after the 10 s.
    on_wayland SELVANE_TEST_NEVER_EXPOSED=1 "$program" "$sample" >"$work/window" 2>&1 &
    window=$!
    sleep 14
    kill -0 "$window" 2>/dev/null || fail "the window ended while it waited for a frame"
    kill "$window" 2>/dev/null || true
    wait "$window" 2>/dev/null || true
    lines=$(grep -c "no frame could be drawn on wayland in 10 s" "$work/window" || true)
    [ "$lines" -eq 1 ] || fail "the window said it $lines times"
    ;;
platform)
    # A Wayland display alone is a display: Qt's wayland platform takes it, with or without
    # the session type that makes Qt prefer it.
    on_wayland SELVANE_DEBUG=1 timeout 60 "$program" --screenshot="$work/a.png" "$sample" \
        >"$work/out" 2>&1 || fail "Wayland session: status $?: $(tail -n 3 "$work/out")"
    grep -q "first frame presented" "$work/out" || fail "Wayland session: no frame presented"
    run WAYLAND_DISPLAY="$WAYLAND_DISPLAY" timeout 60 "$program" --screenshot="$work/b.png" \
        "$sample" >"$work/out" 2>&1 || fail "WAYLAND_DISPLAY alone: status $?: $(tail -n 3 "$work/out")"
    # Forced X11 with no X display: the message of a start without a display, as ever.
    status=0
    on_wayland QT_QPA_PLATFORM=xcb timeout 60 "$program" "$sample" >"$work/out" 2>&1 || status=$?
    [ "$status" -eq 1 ] || fail "QT_QPA_PLATFORM=xcb without DISPLAY ended with $status"
    grep -q "DISPLAY is not set" "$work/out" || fail "no display message: $(tail -n 3 "$work/out")"
    # Neither display: today's message.
    status=0
    run timeout 60 "$program" "$sample" >"$work/out" 2>&1 || status=$?
    [ "$status" -eq 1 ] && grep -q "DISPLAY is not set" "$work/out" ||
        fail "no display at all: status $status: $(tail -n 3 "$work/out")"
    # The screensaver stays an X11 program and says so.
    status=0
    on_wayland timeout 60 "$program" --root "$sample" >"$work/out" 2>&1 || status=$?
    [ "$status" -eq 2 ] && grep -qi "x11" "$work/out" ||
        fail "screensaver on Wayland: status $status: $(tail -n 3 "$work/out")"
    ;;
*)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac
[ "$failures" -eq 0 ] || exit 1
echo "$case_name: ok"
