#!/usr/bin/env bash
# Times whole processes doing the same file-to-file job: the editor in batch mode (open, one
# level effect, save as) against SoX, on a 10-minute 44.1 kHz 16-bit stereo WAV file. Prints
# the best of several runs of each and the ratio editor / SoX (below 1: the editor is faster).
#
#   bench/effect_ratios.sh [WTOMUKA] [RUNS]
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
bench_start 5 "$@"

bench_reference_wav dcshift 0.01

# Effect name, editor batch line, SoX effect arguments. Volume 50 % is scroll bar 200 of
# dialog 102.
jobs=(
    "volume|volume 200=50|vol 0.5"
    "normalize|normalize|norm"
    "reverse|reverse|reverse"
    "fade_in|fade_in|fade t 600"
    "phase_invert|phase_invert|vol -1"
    "dc_remove|dc_remove|highpass 10"
)

bench_head 14 effect
for job in "${jobs[@]}"; do
    IFS='|' read -r name line soxargs <<<"$job"
    bench_file_jobs "$line" "$soxargs"
    t_sox=$(bench_repeat "$runs" bench_seconds "${sox_job[@]}" | bench_min)
    t_wt=$(bench_repeat "$runs" bench_seconds "${editor_job[@]}" | bench_min)
    bench_row 14 "$name" "$t_wt" "$t_sox"
done
