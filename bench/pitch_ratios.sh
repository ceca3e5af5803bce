#!/usr/bin/env bash
# Times whole processes doing the same file-to-file job: the editor in batch mode (open, one
# pitch change, time stretch or transpose, save as) against SoX, on a 10-minute 44.1 kHz 16-bit
# stereo WAV file. Runs the two alternately and prints the median of several runs of each and
# the ratio editor / SoX (below 1: the editor is faster).
#
#   bench/pitch_ratios.sh [WTOMUKA] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wtomuka=${1:-$here/../build-bench/wtomuka}
runs=${2:-5}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

in=$tmp/in.wav
sox -n -r 44100 -b 16 -c 2 "$in" synth 600 sine 440 sine 1000 vol 0.4 dcshift 0.01

# Wall-clock seconds of one run of a command.
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }'
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Effect name, editor batch line, SoX effect arguments. SoX's speed changes pitch and length
# together as the pitch command does; its tempo keeps the pitch as the time stretch does; its
# pitch keeps the length as the transpose does. SoX is kept from dithering so both do only the
# effect.
jobs=(
    "pitch_150|pitch 201=150|speed 1.5"
    "time_stretch_200|time_stretch 201=200|tempo 2"
    "transpose_700|transpose 201=700|pitch 700"
)

printf '%-18s %10s %10s %8s\n' effect editor_s sox_s ratio
for job in "${jobs[@]}"; do
    IFS='|' read -r name line soxargs <<<"$job"
    t_wt=() t_sox=()
    for ((i = 0; i < runs; i++)); do
        # shellcheck disable=SC2086
        t_sox+=("$(seconds sox -D "$in" "$tmp/sox.wav" $soxargs)")
        t_wt+=("$(seconds "$wtomuka" --batch --ini "$tmp/w.ini" -e "open $in" -e "$line" \
            -e "saveas $tmp/wt.wav")")
    done
    m_wt=$(median "${t_wt[@]}")
    m_sox=$(median "${t_sox[@]}")
    printf '%-18s %10.3f %10.3f %8.2f\n' "$name" "$m_wt" "$m_sox" \
        "$(awk -v a="$m_wt" -v b="$m_sox" 'BEGIN { print a / b }')"
done
