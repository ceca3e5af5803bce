#!/usr/bin/env bash
# Runs EditBench (a build configured with -DWT_BENCH=ON, Release) and prints, for deleting the
# first second of a one-hour 44.1 kHz 16-bit stereo sound and for pasting ten minutes into its
# middle, the median time of the edit's own moves and of the whole command against the memmove
# of the bytes that move (target: the edit within twice the memmove).
#
#   bench/edit_ratios.sh BUILD_DIR [REPETITIONS]
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
build=${1:?usage: edit_ratios.sh BUILD_DIR [REPETITIONS]}
repetitions=${2:-5}
bench=$(bench_program "$build" EditBench)
bench_tmp
csv=$tmp/bench.csv
"$bench" --benchmark_format=csv --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true 2>/dev/null >"$csv"
median_ms() {
    awk -F, -v name="\"BM_$1/" 'index($1, name) == 1 && $1 ~ /_median"$/ { printf "%.1f", $3 }' "$csv"
}
report() { # label memmove edit command
    awk -v n="$1" -v m="$2" -v e="$3" -v c="$4" 'BEGIN {
        printf "%-28s memmove %7.1f ms   edit %7.1f ms (%.2fx, target 2) %s   command %7.1f ms (%.2fx)\n",
               n, m, e, e / m, e / m <= 2 ? "ok" : "OVER", c, c / m }'
}
report "delete the first second" "$(median_ms MemmoveDeleteFirstSecond)" \
    "$(median_ms DeleteFirstSecondEdit)" "$(median_ms DeleteFirstSecondCommand)"
report "paste ten minutes, middle" "$(median_ms MemmovePasteTenMinutes)" \
    "$(median_ms PasteTenMinutesEdit)" "$(median_ms PasteTenMinutesCommand)"
echo "the undo snapshot of the hour, part of each command: $(median_ms UndoSnapshot) ms"
