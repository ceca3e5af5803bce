#!/usr/bin/env bash
# Times whole processes making the same 10-minute 44.1 kHz 16-bit stereo WAV file: the editor in
# batch mode (a new sound, 120 five-second tones or noises one after another at the cursor, save
# as) against SoX's synth. Runs the two alternately and prints the median of several runs of
# each and the ratio editor / SoX (below 1: the editor is faster).
#
#   bench/generator_ratios.sh [WTOMUKA] [RUNS]
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
bench_start 5 "$@"

# Name, the editor's batch line repeated 120 times (5 s each), SoX's synth arguments.
jobs=(
    "sine|tone 105=5000 110=0|sine 440"
    "sine_fm|tone 105=5000|sine 440"
    "whitenoise|white_noise 202=5000|whitenoise"
)

bench_head 12 generator
for job in "${jobs[@]}"; do
    IFS='|' read -r name line soxargs <<<"$job"
    script=$tmp/$name.txt
    {
        echo 'new 104=1 202=1 302=1'
        for ((i = 0; i < 120; i++)); do echo "$line"; done
        echo "saveas $tmp/wt.wav"
    } >"$script"
    # shellcheck disable=SC2034,SC2206 # read by bench_alternate; the synth's words
    sox_job=(sox -n -r 44100 -c 2 -b 16 "$tmp/sox.wav" synth 600 $soxargs)
    # shellcheck disable=SC2034
    editor_job=("$wtomuka" --batch --ini "$tmp/w.ini" "$script")
    bench_alternate "$runs" bench_seconds sox_job editor_job
    [ "$(soxi -s "$tmp/wt.wav")" = 26460000 ] || { echo "the editor made the wrong length" >&2; exit 1; }
    bench_row 12 "$name" "${medians[1]}" "${medians[0]}"
done
