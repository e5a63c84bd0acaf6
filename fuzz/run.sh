#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them on a copy of its seed corpus.
#
#   fuzz/run.sh TARGET [-max_total_time=SECONDS | -runs=N] [more libFuzzer options]
#   fuzz/run.sh --list
#
# A crashing input is written to build/fuzz/artifacts/; keep it as a regression test.
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
    ls build/fuzz/fuzz | grep '^fuzz_' || true
    exit 0
fi

target=$1
shift
corpus=build/fuzz/corpus/$target
mkdir -p "$corpus" build/fuzz/artifacts
if [ -d "fuzz/corpus/$target" ]; then
    cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
fi
exec build/fuzz/fuzz/"$target" -artifact_prefix=build/fuzz/artifacts/ -print_final_stats=1 \
    "$@" "$corpus"
