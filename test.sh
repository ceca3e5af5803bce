#!/usr/bin/env bash
# Installs what the tests need, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test through CTest, then every fuzz target for a minute.
set -euo pipefail
cd "$(dirname "$0")"

scripts/packages.sh test

build=build-test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWT_SANITIZE=ON -DWT_TESTS=ON
ninja -C "$build" -j"$(nproc)"

# The libFuzzer targets need clang: a build of the core of their own.
fuzz=build-fuzz
CXX=clang++ cmake -S . -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWT_FUZZ=ON \
    -DWT_WITH_QT=OFF -DWT_TESTS=OFF
ninja -C "$fuzz" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$build" && ctest --output-on-failure -j"$(nproc)" --timeout 600)
# Each fuzz target for a minute from the corpus in fuzz/corpus.
(cd "$fuzz" && ctest --output-on-failure -j"$(nproc)" --timeout 600)
