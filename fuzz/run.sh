#!/usr/bin/env bash
# Runs one fuzz target for SECONDS from its corpus in the repository (fuzz/corpus/NAME, read
# only; what it finds goes to a scratch folder) and prints its executions. A finding stops the
# run with the fuzzer's report and the crashing input's path.
# Usage: fuzz/run.sh BUILD/fuzz/fuzz_NAME SECONDS [SCRATCH_FOLDER]
set -euo pipefail
target=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$target")
name=${name#fuzz_}
corpus=$here/corpus/$name
[[ -d $corpus ]] || { echo "no corpus $corpus" >&2; exit 1; }
scratch=${3:-$(mktemp -d)}
mkdir -p "$scratch/new" "$scratch/findings"
[[ -n ${3:-} ]] || trap 'rm -rf "$scratch"' EXIT
dict=()
[[ -f $here/$name.dict ]] && dict=(-dict="$here/$name.dict")
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/lsan.supp:print_suppressions=0}
"$target" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$scratch/findings/" "$scratch/new" "$corpus" \
    2>"$scratch/log" || { tail -n 80 "$scratch/log" >&2; exit 1; }
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$scratch/log" | grep -o '[0-9]*$')
echo "fuzz $name: $runs executions in $seconds s, $(ls "$corpus" | wc -l) seeds"
