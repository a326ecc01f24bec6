#!/usr/bin/env bash
# Sets everything up and runs all tests: the normal build, the sanitizer build and a short
# run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"

scripts/setup.sh
passed=0
# Runs ctest in one build folder and adds its count to the closing line.
run_ctest() {
    local out
    out="$(mktemp)"
    ctest --test-dir "$1" --output-on-failure -j"$jobs" | tee "$out"
    passed=$((passed + $(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$out")))
    rm -f "$out"
}
run_ctest build

echo "== AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELVANE_SANITIZE=ON -DVELVANE_BENCH=OFF
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
run_ctest build-asan

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
    if ! "$target" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
        -artifact_prefix=build-fuzz/ "$corpus" "${seeds[@]}" > "build-fuzz/$name.log" 2>&1; then
        tail -n 60 "build-fuzz/$name.log"
        echo "$name found a fault; the input is in build-fuzz/"
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "build-fuzz/$name.log"
    passed=$((passed + 1))
done
echo "tests: $passed passed, 0 failed"
