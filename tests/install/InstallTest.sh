#!/usr/bin/env bash
# Installs the build into a fresh prefix and starts the installed program through its
# `selvane` command: the link must lead it to its shader, drums and help page.
set -euo pipefail
build_dir=$1
prefix=$(mktemp -d /tmp/selvane-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build_dir" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
libdir=$(cd "$prefix" && find . -type f -name Selvane -path '*/selvane/*' | head -n 1)
[ -n "$libdir" ] || fail "the program is not in a selvane folder under the prefix"
program_dir=$prefix/$(dirname "$libdir")
for file in SelvaneShader.glsl Selvane.html sample.txt Sounds/DrumBass.wav Sounds/DrumCymbal.wav \
            Sounds/DrumHat.wav Sounds/DrumSnare.wav Sounds/DrumTom.wav; do
    [ -f "$program_dir/$file" ] || fail "$file is missing beside the program"
done
[ -L "$prefix/bin/selvane" ] || fail "bin/selvane is not a link"
case "$(readlink "$prefix/bin/selvane")" in
    /*) fail "bin/selvane is an absolute link: the tree could not be moved" ;;
esac
for file in share/applications/org.tamor.Selvane.desktop share/metainfo/org.tamor.Selvane.metainfo.xml \
            share/man/man1/selvane.1 share/icons/hicolor/scalable/apps/org.tamor.Selvane.svg \
            share/icons/hicolor/256x256/apps/org.tamor.Selvane.png \
            share/icons/hicolor/16x16/apps/org.tamor.Selvane.png; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done

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
