#!/usr/bin/env bash
# Runs every fuzz target for longer than the test run does (which gives each a few seconds):
# builds the clang build folder when needed, then runs the targets, as many at once as there
# are processors, each from its corpus with fuzz/run.sh. What a target finds is kept in
# FOLDER/NAME/findings (default a new folder under /tmp, printed at the end); the script fails
# when any target found something.
# Usage: scripts/fuzz_all.sh [SECONDS] [BUILD_FOLDER] [FOLDER]   (default 600 s, build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
build=${2:-build-fuzz}
out=${3:-$(mktemp -d /tmp/wt-fuzz-XXXXXX)}
if [ ! -f "$build/build.ninja" ]; then
    CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWT_FUZZ=ON \
        -DWT_WITH_QT=OFF -DWT_TESTS=OFF
fi
ninja -C "$build"

targets=("$build"/fuzz/fuzz_*)
jobs=$(nproc)
failed=()
# Waits for one target and notes its name when it found something.
status_of() { # PID NAME
    if wait "$1"; then
        return 0
    fi
    failed+=("$2")
}

pids=()
names=()
for target in "${targets[@]}"; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    name=${name#fuzz_}
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        sleep 1
    done
    echo "fuzz $name: $seconds s"
    fuzz/run.sh "$target" "$seconds" "$out/$name" &
    pids+=($!)
    names+=("$name")
done
for i in "${!pids[@]}"; do
    status_of "${pids[$i]}" "${names[$i]}"
done

echo "findings and new inputs: $out"
if [ ${#failed[@]} -gt 0 ]; then
    echo "found faults: ${failed[*]} (see $out/NAME/findings)" >&2
    exit 1
fi
