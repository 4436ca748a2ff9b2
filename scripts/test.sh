#!/bin/sh
# Installs what is missing, builds everything under AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test with CTest.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
ctest --preset asan -j "$(nproc)"
