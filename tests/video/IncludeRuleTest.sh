#!/usr/bin/env bash
# FFmpeg stays in its layer: no source outside video/ (and the tests and benchmarks, which read
# videos back) includes a header of FFmpeg's libraries or links them.
set -euo pipefail
root=${1:?usage: IncludeRuleTest.sh REPOSITORY}
cd "$root"
status=0
headers=$(grep -rEn '#[[:space:]]*include[[:space:]]*[<"]lib(av|sw|postproc)[a-z]*/' \
    --include='*.c' --include='*.cpp' --include='*.h' --include='*.hpp' . |
    grep -vE '^\./(video|tests|bench|build[^/]*)/' || true)
if [ -n "$headers" ]; then
    echo "FFmpeg's headers outside video/:"
    echo "$headers"
    status=1
fi
links=$(grep -rEln 'pkg_check_modules\([^)]*lib(av|sw)' --include=CMakeLists.txt --include='*.cmake' . |
    grep -vE '^\./(video|tests|bench|build[^/]*)/' || true)
if [ -n "$links" ]; then
    echo "FFmpeg's libraries looked up outside video/:"
    echo "$links"
    status=1
fi
[ $status -eq 0 ] && echo "FFmpeg is included and linked in video/ alone"
exit $status
