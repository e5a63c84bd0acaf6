#!/usr/bin/env bash
# How much of the project's own code a fuzz target's corpus reaches, line by line: builds the
# targets once more with clang's source-based coverage in build/fuzz-coverage/, runs one over a
# corpus (by default the one fuzz/run.sh has grown) and reports per source file, leaving out the
# standard library, generated sources and the fuzz targets themselves. An annotated HTML copy of
# the sources goes to build/fuzz-coverage/report/TARGET/.
#
#   fuzz/coverage.sh TARGET [CORPUS_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ]; then
    echo "usage: $0 TARGET [CORPUS_DIR]" >&2
    exit 2
fi
target=$1
corpus=${2:-build/fuzz/corpus/$target}
[ -d "$corpus" ] || { echo "no corpus in $corpus: run fuzz/run.sh $target first" >&2; exit 2; }

out=build/fuzz-coverage
# The same build as the fuzz preset (the sanitizers' runtime also serves the coverage hooks that
# every library is compiled with), plus the profile instrumentation.
cmake --preset fuzz -B "$out" \
    -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \
    -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
cmake --build "$out" -j "$(nproc)" --target "$target" >/dev/null

profile=$out/profile/$target
rm -rf "$profile"
mkdir -p "$profile"
LLVM_PROFILE_FILE="$profile/%p.profraw" "$out/fuzz/$target" -runs=0 "$corpus" 2>&1 |
    grep -E '^(INFO: seed corpus|#[0-9]+[[:space:]]+(INITED|DONE))' || true
llvm-profdata merge -sparse "$profile"/*.profraw -o "$profile/merged.profdata"
ignore='(^/usr/|/fuzz/|/build/|/tests/)'
llvm-cov report "$out/fuzz/$target" -instr-profile="$profile/merged.profdata" \
    -ignore-filename-regex="$ignore"
llvm-cov show "$out/fuzz/$target" -instr-profile="$profile/merged.profdata" \
    -ignore-filename-regex="$ignore" -format=html -output-dir="$out/report/$target"
echo "annotated sources: $out/report/$target/index.html"
