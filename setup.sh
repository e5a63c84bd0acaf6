#!/usr/bin/env bash
# One entry point for everything a fresh Debian 12 machine needs: it installs the Debian packages
# the build and the tests use (only those missing), configures and builds out of tree, and then
# runs the tests or the sanitizer build.
#
#   ./setup.sh run [FILE]  build, then start Selvane on FILE (the bundled sample text without one)
#   ./setup.sh test        build, then run the whole test suite (under a virtual X server)
#   ./setup.sh sanitize    build with AddressSanitizer + UBSan and run the whole test suite there
#   ./setup.sh build       only install and build
#   ./setup.sh deb         build the Debian package into build/deb/ and check it with lintian
#
# With CI set in the environment, compiler warnings are errors.
set -euo pipefail
caller_dir=$PWD
cd "$(dirname "$0")"
here=$PWD

PACKAGES=(
    # compiler and build
    g++ cmake ninja-build pkg-config
    # Qt 6 widgets, OpenGL widgets and the translations of Qt's own dialogs
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-translations-l10n
    # Qt's translation tools (lupdate, lrelease) and their CMake functions, for the interface's
    # English
    qt6-tools-dev qt6-l10n-tools
    # OpenGL headers and Mesa's drivers (llvmpipe where there is no GPU)
    libgl-dev libegl-dev libgl1-mesa-dri
    # OpenAL Soft for the drums
    libopenal-dev
    # the encoding detector for the Japanese legacy encodings of text files
    libuchardet-dev
    # zip archives, in which Aozora Bunko hands its texts out
    libarchive-dev
    # FFmpeg's libraries for video files (Debian's libavcodec brings libx264 and libvpx)
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
    # the Mincho and Gothic fonts the text and the About box are drawn with
    fonts-ipaexfont-mincho fonts-ipaexfont-gothic
    # the X keyboard extension for the lock-key indicators
    libx11-dev
    # icons drawn from their SVG at build time; the validators of the desktop entry, metainfo
    # and XScreenSaver settings file
    librsvg2-bin desktop-file-utils appstream libxml2-utils
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # peak memory in the recording benchmark
    time
    # memcheck runs of the core test programs (label valgrind)
    valgrind
    # virtual X server for the GL and GUI tests
    xvfb xauth
    # Qt's Wayland platform and a compositor with a headless backend for the Wayland tests
    qt6-wayland weston
)

as_root() {
    if [ "$(id -u)" -ne 0 ]; then
        sudo env DEBIAN_FRONTEND=noninteractive "$@"
    else
        env DEBIAN_FRONTEND=noninteractive "$@"
    fi
}

# Installs those of the given packages (PACKAGES without any) that are missing.
install_missing_packages() {
    [ $# -gt 0 ] || set -- "${PACKAGES[@]}"
    local missing=() status p
    # One dpkg-query for all: on a machine that is set up this costs a few milliseconds.
    status=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "$@" 2>/dev/null || true)
    for p in "$@"; do
        grep -qx "$p installed" <<<"$status" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing Debian packages: ${missing[*]}"
    as_root apt-get update -q
    as_root apt-get install -y -q "${missing[@]}"
}

jobs() { nproc 2>/dev/null || echo 2; }

configure_and_build() {
    local preset=$1
    local extra=()
    if [ -n "${CI:-}" ]; then
        extra+=(-DSELVANE_WERROR=ON)
    fi
    cmake --preset "$preset" "${extra[@]}" >/dev/null
    cmake --build --preset "$preset" -j "$(jobs)"
}

# GL and GUI tests need an X display; without one, run them on a virtual X server. -noreset:
# the server otherwise resets whenever its last client leaves, and a test starting at that
# moment (ctest runs two at once) cannot connect and aborts.
with_display() {
    if [ -n "${DISPLAY:-}" ]; then
        "$@"
    else
        xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"
    fi
}

# The Debian package, built from a copy of the source in build/deb/: dpkg-buildpackage writes
# its results beside the source folder, and that way they land in build/deb/ and not outside
# the repository. The build dependencies are the ones debian/control names.
build_package() {
    install_missing_packages dpkg-dev lintian
    if ! dpkg-checkbuilddeps >/dev/null 2>&1; then
        echo "Installing the build dependencies named in debian/control"
        as_root apt-get update -q
        as_root apt-get build-dep -y -q ./
    fi
    local out=$here/build/deb
    local src=$out/selvane
    rm -rf "$out"
    mkdir -p "$src"
    tar -C "$here" --anchored --exclude=./.git --exclude='./build*' --exclude=./out \
        --exclude=./.cache -cf - . | tar -C "$src" -xf -
    (cd "$src" && dpkg-buildpackage -us -uc -b -j"$(jobs)")
    # Kept when the build fails, for a look at what it left.
    rm -rf "$src"
    tests/deb/PackageTest.sh "$out"
}

mode=${1:-test}
case "$mode" in
    run)
        install_missing_packages
        configure_and_build default
        shift
        [ $# -gt 0 ] || set -- "$here/build/default/bin/sample.txt"
        # A FILE given relative to where the command was typed is found from there.
        cd "$caller_dir"
        exec "$here/build/default/bin/Selvane" "$@"
        ;;
    build)
        install_missing_packages
        configure_and_build default
        ;;
    test)
        install_missing_packages
        configure_and_build default
        with_display ctest --preset default -j "$(jobs)"
        ;;
    sanitize)
        install_missing_packages
        configure_and_build asan
        # Every test, the GL and GUI ones on a virtual X server as for `test`. Only leaks inside
        # system libraries are suppressed (tests/sanitize/lsan.supp says which and why). Every
        # process the tests start keeps its libraries loaded until it ends, so that LeakSanitizer
        # still sees the OpenGL driver's memory and names its library (tests/sanitize); that
        # preload comes before the sanitizer runtime, hence verify_asan_link_order=0.
        # intercept_tls_get_addr=0: GCC 12's runtime now and then takes a dynamic TLS block for
        # one with the header of a glibc older than 2.25 and hands the leak check a range that
        # does not exist; its tracer then dies (4 of 30 runs of one GL test here).
        with_display env \
            LD_PRELOAD="$here/build/asan/lib/libselvane_keep_libraries_loaded.so${LD_PRELOAD:+:$LD_PRELOAD}" \
            ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}:verify_asan_link_order=0:intercept_tls_get_addr=0" \
            LSAN_OPTIONS="suppressions=$here/tests/sanitize/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}" \
            UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
            ctest --preset asan -j "$(jobs)"
        ;;
    deb)
        build_package
        ;;
    *)
        echo "usage: $0 [run [FILE]|test|sanitize|build|deb]" >&2
        exit 2
        ;;
esac
