#!/usr/bin/env bash
# Builds the fuzz preset (clang, AddressSanitizer, UBSan) and runs every libFuzzer target for
# SECONDS each (default 30), starting from a copy of its seed corpus in fuzz/corpus/<name>/, so
# the corpus in the repository stays as it is. An input that fails is kept in
# build/fuzz/artifacts/ and the script exits with the fuzzer's status.
#   fuzz/run.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p build/fuzz/artifacts
for fuzzer in build/fuzz/fuzz/fuzz_*; do
    name="${fuzzer##*/fuzz_}"
    mkdir -p "$work/$name"
    if [ -d "fuzz/corpus/$name" ]; then
        cp -R "fuzz/corpus/$name/." "$work/$name/"
    fi
    options=(-max_total_time="$seconds" -timeout=25 -print_final_stats=1
             -artifact_prefix="build/fuzz/artifacts/$name-")
    if [ -f "fuzz/$name.dict" ]; then
        options+=(-dict="fuzz/$name.dict")
    fi
    echo "== fuzz_$name for $seconds s"
    "$fuzzer" "${options[@]}" "$work/$name"
done
