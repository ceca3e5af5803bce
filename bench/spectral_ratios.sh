#!/usr/bin/env bash
# Times whole processes doing the same file-to-file job on a 10-minute 44.1 kHz 16-bit stereo
# WAV file: the editor in batch mode (open, one spectral effect, save as) against SoX running
# its nearest counterpart. The runs of both alternate; the medians of wall-clock and of CPU
# time (user + system) are printed with their ratios editor / SoX (below 1: the editor is
# faster).
#
#   bench/spectral_ratios.sh [WTOMUKA] [RUNS]
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
bench_start 7 "$@"

bench_reference_wav dcshift 0.01
# The noise profile of the first second, made once before the timed noise removal.
sox "$in" -n trim 0 1 noiseprof "$tmp/noise.prof"
cat "$in" >/dev/null

# Sliders alternate 30 and 70 (+7.2 and -7.2 dB: 20 steps of 0.361 dB) over the nine bands; the
# parametric modules are 1, 2 and 4 kHz, one octave wide, at +6, -6 and +6 dB.
eq9=""
graphic="equalizer"
for i in 0 1 2 3 4 5 6 7 8; do
    f=$((50 << i))
    if ((i % 2 == 0)); then pos=30 g=7.2; else pos=70 g=-7.2; fi
    graphic+=" $((101 + i))=$pos"
    eq9+=" equalizer $f 1o $g"
done
jobs=(
    "graphic eq|$graphic|$eq9"
    "parametric eq|parametric_eq 101=1000 103=6 105=12 111=2000 113=-6 115=12 121=4000 123=6 125=12|equalizer 1000 1o 6 equalizer 2000 1o -6 equalizer 4000 1o 6"
    "high-pass|spectral_high_pass|sinc 11025"
    "noise removal|noise_removal|noisered $tmp/noise.prof"
    "noise removal K=10|noise_removal 202=10|noisered $tmp/noise.prof"
)

printf '%-20s %9s %9s %7s %9s %9s %7s\n' effect wt_wall sox_wall ratio wt_cpu sox_cpu ratio
for job in "${jobs[@]}"; do
    IFS='|' read -r name line soxargs <<<"$job"
    bench_file_jobs "$line" "$soxargs"
    bench_alternate "$runs" bench_wall_cpu editor_job sox_job
    read -r ww wc sw sc <<<"${medians[*]}"
    printf '%-20s %9.3f %9.3f %7.2f %9.3f %9.3f %7.2f\n' "$name" "$ww" "$sw" \
        "$(bench_ratio "$ww" "$sw")" "$wc" "$sc" "$(bench_ratio "$wc" "$sc")"
done
