# Sourced by the scripts that need an X server of their own.
#
# start_private_xvfb WORK SCREEN [XVFB OPTION...] starts Xvfb with one screen of SCREEN
# (WxHxDEPTH) on a display nobody uses, its log in WORK/xvfb.log, and sets $server to its pid
# and $display to ":N" once it accepts clients. -displayfd lets the server pick the display
# and say which when it is ready, so no display number is guessed and no start races another.
start_private_xvfb() {
    local work=$1 screen=$2 fd
    shift 2
    exec {fd}>"$work/display"
    Xvfb -displayfd "$fd" -screen 0 "$screen" -nolisten tcp "$@" >"$work/xvfb.log" 2>&1 &
    server=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    if [ ! -s "$work/display" ]; then
        echo "Xvfb did not start" >&2
        cat "$work/xvfb.log" >&2
        return 1
    fi
    display=:$(head -n 1 "$work/display")
}
