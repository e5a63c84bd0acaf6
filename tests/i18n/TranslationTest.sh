#!/usr/bin/env bash
# The translations against the code: lupdate, run on copies of the .ts files with the build's
# options, must change nothing (a text added, changed or removed in the code without
# `update_translations` fails here), and the English must pass the check.
#
#   TranslationTest.sh LUPDATE CHECK SOURCES INTERFACE_SOURCES EN_TS JA_TS LUPDATE_OPTIONS...
set -euo pipefail
lupdate=$1 check=$2 sources=$3 interface=$4 english=$5 japanese=$6
shift 6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# Only files that still exist: a file removed since the last configure is gone from the build.
while read -r file; do
    [ -z "$file" ] || [ ! -f "$file" ] || echo "$file"
done <"$sources" >"$work/sources.txt"

current() {
    local ts=$1 copy
    shift
    copy=$work/$(basename "$ts")
    cp "$ts" "$copy"
    "$lupdate" -silent "$@" "@$work/sources.txt" -ts "$copy"
    if ! cmp -s "$ts" "$copy"; then
        echo "FAIL: $(basename "$ts") does not match the code; run" \
             "'cmake --build --preset default --target update_translations' and translate:"
        diff -u "$ts" "$copy" || true
        status=1
    fi
}
current "$english" "$@"
current "$japanese" "$@" -pluralonly

"$check" "$english" "$interface" || status=1
[ $status -eq 0 ] && echo "the translations are complete and match the code"
exit $status
