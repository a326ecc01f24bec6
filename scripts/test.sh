#!/usr/bin/env bash
# Sets everything up and runs all tests: the normal build (with every fuzz seed replayed),
# the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer, the threaded
# tests built with ThreadSanitizer, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"
# The build folders of one clone share compiler cache hits, and so do two clones in
# different places.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"

passed=0
stage_times=()
stage_start=$SECONDS
stage_name=""
# Starts a stage and closes the one before with its time.
stage() {
    if [ -n "$stage_name" ]; then
        stage_times+=("$(printf '%-28s %4ds' "$stage_name" $((SECONDS - stage_start)))")
    fi
    stage_name="$1"
    stage_start=$SECONDS
    [ -n "$stage_name" ] && echo "== $stage_name =="
    return 0
}
# Runs ctest in one build folder (further arguments go to ctest) and adds its count to the
# closing line.
run_ctest() {
    local dir="$1" out
    shift
    out="$(mktemp)"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" "$@" | tee "$out"
    passed=$((passed + $(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$out")))
    rm -f "$out"
}

stage "Set-up and normal build"
scripts/setup.sh
stage "Tests"
run_ctest build

stage "AddressSanitizer build"
# Warnings are errors in the normal and the fuzz build; gcc's flow warnings at -O1 with the
# sanitizers' instrumentation are too often wrong to stop a run, so here they are only shown.
# -O1: the sanitizers find the same faults and the tests run several times faster than at -O0.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG="-g -O1" \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DVELVANE_SANITIZE=ON -DVELVANE_BENCH=OFF -DVELVANE_WERROR=OFF
cmake --build build-asan -j"$jobs"
stage "AddressSanitizer tests"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
run_ctest build-asan

stage "ThreadSanitizer build"
# Only the test programs labelled "threaded", and what they need.
threaded=($(sed -n 's/^velvane_test(\([A-Za-z0-9_]*\) .*LABELS[^)]*threaded.*/\1/p' tests/*/CMakeLists.txt))
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG="-g -O1" \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DVELVANE_TSAN=ON -DVELVANE_BENCH=OFF -DVELVANE_WERROR=OFF
cmake --build build-tsan -j"$jobs" --target "${threaded[@]}"
stage "ThreadSanitizer tests"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
run_ctest build-tsan -L threaded

stage "Fuzz build"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELVANE_FUZZ=ON -DVELVANE_TESTS=OFF -DVELVANE_BENCH=OFF
cmake --build build-fuzz -j"$jobs" --target fuzz_targets
# The seeds are replayed as tests in both builds above; these runs look for new inputs.
fuzz_seconds="${VELVANE_FUZZ_SECONDS:-10}"
stage "Fuzzing (${fuzz_seconds}s a target)"
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
stage ""

echo "== Stage times =="
printf '%s\n' "${stage_times[@]}"
printf '%-28s %4ds\n' "Total" "$SECONDS"
echo "tests: $passed passed, 0 failed"
