#!/usr/bin/env bash
# Checks the Debian package that `./setup.sh deb` built into DIR: lintian finds no error and no
# warning, the package holds the installed tree the install rules lay out and nothing outside
# /usr, it depends on what the program needs at run time beyond its libraries, and the
# packaged program starts.
set -euo pipefail
dir=${1:?usage: PackageTest.sh DIR}
fail() { echo "FAIL: $*" >&2; exit 1; }
. "$(dirname "$0")/../install/InstalledFiles.sh"

changes=$(find "$dir" -maxdepth 1 -name 'selvane_*.changes')
[ "$(wc -l <<<"$changes")" -eq 1 ] && [ -n "$changes" ] || fail "not one .changes file in $dir"
deb=$(find "$dir" -maxdepth 1 -name "selvane_*_$(dpkg --print-architecture).deb")
[ -n "$deb" ] || fail "no selvane package in $dir"

# Info tags are shown for a reader; only errors and warnings fail.
lintian --fail-on error,warning --display-info --tag-display-limit 0 "$changes" ||
    fail "lintian reports errors or warnings"

tree=$(mktemp -d /tmp/selvane-deb-XXXXXX)
trap 'rm -rf "$tree"' EXIT
outside=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -vE '^\./(usr/.*)?$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
dpkg-deb -x "$deb" "$tree"
check_installed_tree "$tree/usr"
[ "$(installed_program_dir "$tree/usr")" = lib/selvane ] || fail "the program is not in /usr/lib/selvane"
for file in copyright changelog.Debian.gz; do
    [ -f "$tree/usr/share/doc/selvane/$file" ] || fail "/usr/share/doc/selvane/$file is missing"
done

# Computed from the libraries (OpenAL Soft, and Qt's GUI library, which carries its xcb
# platform plugin), and named by hand: the fonts, Mesa's drivers, Qt's Japanese translations.
depends=$(dpkg-deb -f "$deb" Depends | tr -d ' ' | tr ',|' '\n\n' | sed 's/(.*//')
for package in libopenal1 libqt6gui6 fonts-ipaexfont-mincho fonts-ipaexfont-gothic \
               libgl1-mesa-dri qt6-translations-l10n; do
    grep -qx "$package" <<<"$depends" || fail "the package does not depend on $package"
done

version=$(dpkg-parsechangelog -l "$(dirname "$0")/../../debian/changelog" -S Version)
"$tree/usr/bin/selvane" --version | grep -qF "${version%-*}" ||
    fail "the packaged program does not print its version ${version%-*}"
echo "package $(basename "$deb"): lintian clean, contents and dependencies OK"
