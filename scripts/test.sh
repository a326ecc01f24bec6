#!/usr/bin/env bash
# Sets everything up and runs all tests: the normal build, the sanitizer build and a short
# run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"

scripts/setup.sh
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELVANE_SANITIZE=ON -DVELVANE_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== Fuzz targets =="
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELVANE_FUZZ=ON -DVELVANE_TESTS=OFF -DVELVANE_BENCH=OFF
cmake --build build-fuzz -j"$jobs"
fuzz_seconds="${VELVANE_FUZZ_SECONDS:-30}"
for target in build-fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name="$(basename "$target")"
    corpus="build-fuzz/corpus/$name"
    mkdir -p "$corpus"
    echo "-- $name for ${fuzz_seconds}s"
    seeds=()
    [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
    "$target" -max_total_time="$fuzz_seconds" -print_final_stats=1 -artifact_prefix=build-fuzz/ "$corpus" "${seeds[@]}"
done
echo "All tests passed."
