#!/usr/bin/env bash
# Runs a command as a client of a weston of its own, on Qt's wayland platform with no X display.
# QT_IM_MODULE=none: Qt 6.4's Wayland input context dereferences the current input device,
# which weston's headless backend, having no keyboard, never gives; a line edit's cursor would
# crash the client.
set -euo pipefail
work=$(mktemp -d /tmp/selvane-weston-XXXXXX)
weston=
cleanup() {
    [ -z "$weston" ] || kill "$weston" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/PrivateWeston.sh"
start_private_weston "$work"
status=0
env -u DISPLAY QT_QPA_PLATFORM=wayland QT_IM_MODULE=none "$@" || status=$?
exit "$status"
