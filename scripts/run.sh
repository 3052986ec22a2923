#!/usr/bin/env bash
# Builds the program and starts it; extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_TESTS=OFF -DQUORVEL_BENCH=OFF
cmake --build build -j2
exec build/program/quorvel "$@"
