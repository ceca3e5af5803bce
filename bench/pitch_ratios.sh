#!/usr/bin/env bash
# Times whole processes doing the same file-to-file job: the editor in batch mode (open, one
# pitch change, time stretch or transpose, save as) against SoX, on a 10-minute 44.1 kHz 16-bit
# stereo WAV file. Runs the two alternately and prints the median of several runs of each and
# the ratio editor / SoX (below 1: the editor is faster).
#
#   bench/pitch_ratios.sh [WTOMUKA] [RUNS]
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
bench_start 5 "$@"

bench_reference_wav dcshift 0.01

# Effect name, editor batch line, SoX effect arguments. SoX's speed changes pitch and length
# together as the pitch command does; its tempo keeps the pitch as the time stretch does; its
# pitch keeps the length as the transpose does.
jobs=(
    "pitch_150|pitch 201=150|speed 1.5"
    "time_stretch_200|time_stretch 201=200|tempo 2"
    "transpose_700|transpose 201=700|pitch 700"
)
bench_effect_table 18 effect "$runs" "${jobs[@]}"
