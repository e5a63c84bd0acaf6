#!/usr/bin/env bash
# The hack's settings file follows XScreenSaver's format, and every command line its settings
# dialog can write (each control set, the sliders at both ends) is one the program accepts: run
# without a display, the program must get as far as looking for one.
set -euo pipefail
program=$1
config=$2
dtd=$3
xmllint --noout --dtdvalid "$dtd" "$config"

value() { xmllint --xpath "string($1)" "$config"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(value '/screensaver/@name')" = selvane ] || fail "the hack is not named after its command"

accepted() {
    local out status=0
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XSCREENSAVER_WINDOW \
        "$program" "$@" 2>&1) || status=$?
    [ "$status" -eq 1 ] && grep -q "DISPLAY is not set" <<<"$out" ||
        fail "selvane $* ended with $status: $out"
}

# Every control of the dialog in turn; % stands for the value the user chose.
count=$(value 'count(//*[@arg or @arg-set])')
for end in low high default; do
    line=()
    for i in $(seq 1 "$count"); do
        node="(//*[@arg or @arg-set])[$i]"
        arg=$(value "$node/@arg")
        case "$(value "name($node)")" in
            command) ;;
            number) arg=${arg//%/$(value "$node/@$end")} ;;
            file) arg=${arg//%//home/user/notes.txt} ;;
            string) arg=${arg//%/#e0e0e0} ;;
            boolean | option) arg=$(value "$node/@arg-set") ;;
            *) fail "a control the test does not know: $(value "name($node)")" ;;
        esac
        read -ra words <<<"$arg"
        line+=("${words[@]}")
    done
    accepted "${line[@]}"
done
echo "the settings file is valid, and the program takes every command line it can write"
