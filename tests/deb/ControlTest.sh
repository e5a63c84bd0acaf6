#!/usr/bin/env bash
# Every Debian package the project's set-up installs is named in debian/control, as a build
# dependency or a run-time one, unless it is listed below with the reason the package does
# without it. A library added to setup.sh alone would build here and fail on a clean machine.
set -euo pipefail
root=${1:?usage: ControlTest.sh REPOSITORY}

declare -A not_needed=(
    [g++]="build-essential, which every package build has"
    [ninja-build]="debhelper's CMake build runs make"
    [libbenchmark-dev]="the package leaves the benchmarks out"
    [time]="the package leaves the benchmarks out"
    [valgrind]="the package build runs no memcheck"
    [xvfb]="the package build runs no test that needs a display"
    [xauth]="the package build runs no test that needs a display"
    [weston]="the package build runs no test that needs a display"
)

# The names in setup.sh's PACKAGES list, comments dropped.
packages=$(sed -n '/^PACKAGES=(/,/^)/p' "$root/setup.sh" | sed '1d;$d; s/#.*//' | tr -s ' \n' '\n' |
    sed '/^$/d')
[ -n "$packages" ] || { echo "FAIL: no PACKAGES list in setup.sh"; exit 1; }
# Package names of the relation fields, without versions, architectures and build profiles.
named=$(awk '/^[^ \t]/ { field = $1; sub(/^[^:]*:/, "") }
             field ~ /^(Build-Depends|Depends|Recommends):$/ { print }' "$root/debian/control" |
    tr ',|' '\n\n' | sed 's/[(<[].*//; s/^[ \t]*//; s/[ \t]*$//' | sed '/^$/d')

status=0
for package in $packages; do
    if [ -n "${not_needed[$package]:-}" ]; then
        continue
    fi
    grep -qxF "$package" <<<"$named" ||
        { echo "setup.sh installs $package, debian/control does not name it"; status=1; }
done
[ $status -eq 0 ] && echo "debian/control names every package setup.sh installs"
exit $status
