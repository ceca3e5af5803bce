#!/usr/bin/env bash
# Installs what the tests need, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"

scripts/packages.sh test

build=build-test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWT_SANITIZE=ON -DWT_TESTS=ON
ninja -C "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
