#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them on a copy of its seed corpus.
#
#   fuzz/run.sh TARGET [-max_total_time=SECONDS | -runs=N] [more libFuzzer options]
#   fuzz/run.sh --list
#
# The target's dictionary, fuzz/NAME.dict for fuzz_NAME, is used when it exists and no other is
# given. A crashing input is written to build/fuzz/artifacts/; keep it as a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."

for p in clang libclang-rt-14-dev; do
    if ! dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed; then
        sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q clang libclang-rt-14-dev
        break
    fi
done

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null

if [ "${1:-}" = "--list" ] || [ $# -eq 0 ]; then
    # Targets only, not the helpers built beside them (the seed writers).
    for f in build/fuzz/fuzz/fuzz_*; do
        [ -f "$f" ] && [ -x "$f" ] && grep -q LLVMFuzzerTestOneInput "$f" && basename "$f"
    done
    exit 0
fi

target=$1
shift
corpus=build/fuzz/corpus/$target
mkdir -p "$corpus" build/fuzz/artifacts
if [ -d "fuzz/corpus/$target" ]; then
    cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
fi
dict=()
if [ -f "fuzz/${target#fuzz_}.dict" ] && [[ " $* " != *" -dict="* ]]; then
    dict=(-dict="fuzz/${target#fuzz_}.dict")
fi
exec build/fuzz/fuzz/"$target" -artifact_prefix=build/fuzz/artifacts/ -print_final_stats=1 \
    "${dict[@]}" "$@" "$corpus"
