#!/usr/bin/env bash
# Times whole processes doing the same file-to-file job: the editor in batch mode (open, one
# dynamics, delay or modulation effect, save as) against SoX, on a 10-minute 44.1 kHz 16-bit
# stereo WAV file. Runs the two alternately and prints the median of several runs of each and
# the ratio editor / SoX (below 1: the editor is faster).
#
#   bench/effect_families_ratios.sh [WTOMUKA] [RUNS]
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
bench_start 5 "$@"

bench_reference_wav dcshift 0.01

# Effect name, editor batch line (the dialog's defaults unless given), SoX effect arguments.
# SoX has no vibrato; its flanger sweeps a delay line as the vibrato does.
jobs=(
    "compressor|compressor|compand 0.01,0.2 6:-70,-60,-20 -5"
    "noise_gate|noise_gate|compand 0.01,0.2 6:-70,-60,-20 -5"
    "distortion|distortion|overdrive 20"
    "echo|echo|echo 0.8 0.9 500 0.5"
    "reverb|reverb|reverb"
    "flanger|flanger|flanger"
    "tremolo|tremolo|tremolo 5 50"
    "vibrato|vibrato|flanger"
)
bench_effect_table 12 effect "$runs" "${jobs[@]}"
