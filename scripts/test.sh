#!/bin/sh
# Installs what is missing, builds everything under AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test with CTest, then a short pass of every fuzz target.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
ctest --preset asan -j "$(nproc)"
./fuzz/run.sh short
