#!/usr/bin/env bash
# The manual page and the program's --help describe the same command line: every option --help
# names is in the manual page, and the other way round.
set -euo pipefail
program=$1
manpage=$2
# The option column of --help: the lines that start with blanks and a dash.
help_options=$("$program" --help | grep -E '^ +-' | sed -E 's/^ +//; s/  .*//' |
    grep -oE -- '--?[a-zA-Z][a-zA-Z-]*' | sort -u)
# In roff the dashes of an option are written \-.
man_options=$(sed 's/\\-/-/g; s/\\f[BIR]//g' "$manpage" | grep -oE -- '(^|[ (])--?[a-zA-Z][a-zA-Z-]*' |
    sed -E 's/^[ (]+//' | grep -vE '^-(platform|display|style)$' | sort -u)
status=0
for option in $help_options; do
    grep -qxF -- "$option" <<<"$man_options" || { echo "--help names $option, the manual page does not"; status=1; }
done
for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$man_options"); do
    grep -qxF -- "$option" <<<"$help_options" || { echo "the manual page names $option, --help does not"; status=1; }
done
[ $status -eq 0 ] && echo "manual page and --help agree"
exit $status
