#!/usr/bin/env bash
# Installs the build into a fresh prefix and starts the installed program through its
# `selvane` command: the link must lead it to its shader, drums and help page.
set -euo pipefail
build_dir=$1
prefix=$(mktemp -d /tmp/selvane-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build_dir" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
. "$(dirname "$0")/InstalledFiles.sh"
check_installed_tree "$prefix"
program_dir=$prefix/$(installed_program_dir "$prefix")

# Moved elsewhere, the tree still works: nothing in it names the prefix it was installed to.
moved=$(mktemp -d /tmp/selvane-moved-XXXXXX)
trap 'rm -rf "$prefix" "$moved"' EXIT
cp -a "$prefix"/. "$moved"/

out=$moved/shot.png
log=$moved/run.log
ALSOFT_DRIVERS=null SELVANE_MESSAGE_BOXES=stderr XDG_CONFIG_HOME=$moved/config \
    "$moved/bin/selvane" --screenshot "$out" --ticks 5 "$program_dir/sample.txt" >"$log" 2>&1 ||
    { cat "$log" >&2; fail "the installed program did not run"; }
[ -s "$out" ] || fail "no picture was saved"
if grep -q "Failed reading WAV file" "$log"; then
    cat "$log" >&2
    fail "the installed program did not find its drums"
fi
grep -q "sample.txt" "$moved/config/Selvane/Selvane.INI" || fail "the recent-file list was not written"
echo "installed, moved and started: OK"
