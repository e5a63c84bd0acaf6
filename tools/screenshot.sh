#!/usr/bin/env bash
# Makes the README's picture with the program's own --screenshot option: the bundled sample
# text a few seconds into its flight, in an 800 x 600 window on a virtual X server. The path
# is random, so every run gives a different picture.
#
#   tools/screenshot.sh [OUT.png]     (default: doc/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-doc/screenshot.png}
./setup.sh build >/dev/null
mkdir -p "$(dirname "$out")"
export ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null} SELVANE_MESSAGE_BOXES=stderr QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME=$(mktemp -d /tmp/selvane-shot-XXXXXX)
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
run=(build/default/bin/Selvane --screenshot "$out" --ticks 90 --speed 0.45
     build/default/bin/sample.txt)
if [ -n "${DISPLAY:-}" ]; then
    "${run[@]}"
else
    xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"
fi
echo "wrote $out"
