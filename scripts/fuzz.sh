#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) with clang and libFuzzer in build-fuzz and
# runs each for SECONDS, with its dictionary (fuzz/dict/NAME.dict), over a
# copy of its seeds (fuzz/corpus/NAME), so that the seeds in the checkout
# never grow. Exits 1 when a target finds a crash, a leak, a timeout or a
# broken check, naming the input that reproduces it:
#   build-fuzz/fuzz/fuzz_NAME REPRODUCER
# Without clang it does nothing and says so.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh SECONDS   (how long each target runs)" >&2
    exit 2
fi
if ! command -v clang >/dev/null 2>&1 || ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang is not installed; nothing was fuzzed (scripts/setup.sh installs it)"
    exit 0
fi

build=build-fuzz
generator=()
if command -v ninja >/dev/null 2>&1 && [ ! -f "$build/CMakeCache.txt" ]; then
    generator=(-G Ninja)
fi
mkdir -p "$build"
configure_log="$build/fuzz-configure.log"
CC=clang CXX=clang++ cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_FUZZ=ON -DQUORVEL_TESTS=OFF -DQUORVEL_BENCH=OFF >"$configure_log" 2>&1 || {
    cat "$configure_log" >&2
    exit 1
}
if grep -q "Fuzz targets skipped" "$configure_log"; then
    grep -A2 "Fuzz targets skipped" "$configure_log" >&2
    echo "fuzz: (a $build configured with another compiler must be removed first)" >&2
    exit 1
fi
cmake --build "$build" -j2 --target fuzzers

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-fuzz.XXXXXX")
# The targets that write files do it in a scratch folder under TMPDIR: in
# memory when /dev/shm can be had.
scratch="$work/tmp"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    scratch=$(mktemp -d /dev/shm/quorvel-fuzz.XXXXXX)
fi
mkdir -p "$scratch"
trap 'rm -rf "$work" "$scratch"' EXIT
artifacts="$PWD/$build/fuzz-findings"

failed=()
for seeds in fuzz/corpus/*/; do
    name=$(basename "$seeds")
    target="$build/fuzz/fuzz_$name"
    if [ ! -x "$target" ]; then
        echo "fuzz: $target was not built" >&2
        failed+=("$name")
        continue
    fi
    corpus="$work/corpus/$name"
    mkdir -p "$corpus" "$artifacts/$name"
    cp -R "$seeds". "$corpus/"
    log="$work/$name.log"
    echo "fuzz: $name for ${seconds}s"
    dictionary=()
    if [ -f "fuzz/dict/$name.dict" ]; then
        dictionary=(-dict="fuzz/dict/$name.dict")
    fi
    status=0
    TMPDIR="$scratch" "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=8192 \
        "${dictionary[@]}" -print_final_stats=1 -artifact_prefix="$artifacts/$name/" "$corpus" >"$log" 2>&1 ||
        status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    added=$(sed -n 's/^stat::new_units_added: *//p' "$log" | tail -n 1)
    if [ "$status" -eq 0 ]; then
        echo "fuzz: $name: ${runs:-?} runs, ${added:-0} new inputs, nothing found"
        continue
    fi
    failed+=("$name")
    echo "fuzz: $name FAILED (status $status) after ${runs:-?} runs; the end of its log:" >&2
    tail -n 40 "$log" >&2
    reproducer=$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)
    if [ -n "$reproducer" ]; then
        echo "fuzz: $name: reproduce with $target $reproducer" >&2
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: findings in ${failed[*]} (inputs kept in $artifacts)" >&2
    exit 1
fi
echo "fuzz: every target ran ${seconds}s without a finding"
