# Sourced by the scripts that need a Wayland compositor of their own.
#
# start_private_weston WORK [WIDTH HEIGHT] starts weston's headless backend with one output of
# WIDTHxHEIGHT (1280x1024 by default) on a socket of its own, in a private XDG_RUNTIME_DIR
# (WORK/runtime), its log in WORK/weston.log. Once the socket is there it sets $weston to the
# compositor's pid and exports XDG_RUNTIME_DIR and WAYLAND_DISPLAY for the commands after it.
# --idle-time=0: weston otherwise blanks its output after five idle minutes, and a blanked
# output sends no client its frame callbacks.
start_private_weston() {
    local work=$1 width=${2:-1280} height=${3:-1024} socket=selvane-weston
    mkdir -p "$work/runtime"
    chmod 700 "$work/runtime"
    XDG_RUNTIME_DIR=$work/runtime weston --backend=headless-backend.so --socket=$socket \
        --width="$width" --height="$height" --idle-time=0 >"$work/weston.log" 2>&1 &
    weston=$!
    for _ in $(seq 100); do
        [ -S "$work/runtime/$socket" ] && break
        kill -0 "$weston" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -S "$work/runtime/$socket" ]; then
        echo "weston did not start" >&2
        cat "$work/weston.log" >&2
        return 1
    fi
    export XDG_RUNTIME_DIR=$work/runtime WAYLAND_DISPLAY=$socket
}
