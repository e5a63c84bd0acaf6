# What an installed tree holds, for the install test and the package test alike: the program's
# folder with everything it reads beside itself, the relative `selvane` link to it, and the
# files the desktop finds in their standard places. Sourced; `fail` is the caller's.

# Prints the program's folder under PREFIX, relative to it; fails when there is none.
installed_program_dir() {
    local prefix=$1 program
    program=$(cd "$prefix" && find . -type f -name Selvane -path '*/selvane/*' | head -n 1)
    [ -n "$program" ] || fail "the program is not in a selvane folder under the prefix"
    dirname "${program#./}"
}

check_installed_tree() {
    local prefix=$1 program_dir file
    program_dir=$prefix/$(installed_program_dir "$prefix")
    for file in SelvaneShader.glsl Selvane.html Selvane.en.html Selvane.css sample.txt \
                Sounds/DrumBass.wav Sounds/DrumCymbal.wav Sounds/DrumHat.wav Sounds/DrumSnare.wav \
                Sounds/DrumTom.wav; do
        [ -f "$program_dir/$file" ] || fail "$file is missing beside the program"
    done
    [ -L "$prefix/bin/selvane" ] || fail "bin/selvane is not a link"
    case "$(readlink "$prefix/bin/selvane")" in
        /*) fail "bin/selvane is an absolute link: the tree could not be moved" ;;
    esac
    [ "$(realpath "$prefix/bin/selvane")" = "$(realpath "$program_dir/Selvane")" ] ||
        fail "bin/selvane does not lead to the program"
    for file in share/applications/org.tamor.Selvane.desktop \
                share/metainfo/org.tamor.Selvane.metainfo.xml \
                share/xscreensaver/config/selvane.xml \
                share/icons/hicolor/scalable/apps/org.tamor.Selvane.svg \
                share/icons/hicolor/256x256/apps/org.tamor.Selvane.png \
                share/icons/hicolor/16x16/apps/org.tamor.Selvane.png; do
        [ -f "$prefix/$file" ] || fail "$file is not installed"
    done
    # A package compresses the manual page.
    [ -f "$prefix/share/man/man1/selvane.1" ] || [ -f "$prefix/share/man/man1/selvane.1.gz" ] ||
        fail "the manual page is not installed"
}
