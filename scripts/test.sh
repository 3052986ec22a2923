#!/usr/bin/env bash
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every one of them. Run scripts/setup.sh first on a new machine.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QUORVEL_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON -DQUORVEL_BENCH=ON
# The benchmarks are built too (never run here), so that none of them falls
# behind the code it measures.
cmake --build "$build" -j2

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j2

# Kills during imports and saves, each followed by a check that nothing was
# lost (about half a minute; CRASH_KILLS=N scripts/crash-test.sh runs longer).
scripts/crash-test.sh "$build"

# Every fuzz target for 30 seconds over its seeds (longer by hand:
# scripts/fuzz.sh SECONDS).
scripts/fuzz.sh "${QUORVEL_FUZZ_SECONDS:-30}"
