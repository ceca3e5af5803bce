#!/usr/bin/env bash
# Installs what the editor needs, builds a release build and starts it.
# Usage: ./run.sh [FILE]
set -euo pipefail
cd "$(dirname "$0")"

scripts/packages.sh run

build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWT_TESTS=OFF
ninja -C "$build" -j"$(nproc)" wtomuka

exec "$build/wtomuka" "$@"
