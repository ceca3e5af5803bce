#!/usr/bin/env bash
# Times whole processes doing the same file-to-file job: the editor in batch mode (open, one
# level effect, save as) against SoX, on a 10-minute 44.1 kHz 16-bit stereo WAV file. Prints
# the best of several runs of each and the ratio editor / SoX (below 1: the editor is faster).
#
#   bench/effect_ratios.sh [WTOMUKA] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wtomuka=${1:-$here/../build-fx-rel/wtomuka}
runs=${2:-5}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

in=$tmp/in.wav
sox -n -r 44100 -b 16 -c 2 "$in" synth 600 sine 440 sine 1000 vol 0.4 dcshift 0.01

# Best wall-clock time of `runs` runs of a command, in seconds.
best() {
    local best="" start end t
    for ((i = 0; i < runs; i++)); do
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s.%N)
        t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
        if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then
            best=$t
        fi
    done
    echo "$best"
}

# Effect name, editor batch line, SoX effect arguments. Volume 50 % is scroll bar 200 of
# dialog 102; SoX is kept from dithering so both do only the effect.
jobs=(
    "volume|volume 200=50|vol 0.5"
    "normalize|normalize|norm"
    "reverse|reverse|reverse"
    "fade_in|fade_in|fade t 600"
    "phase_invert|phase_invert|vol -1"
    "dc_remove|dc_remove|highpass 10"
)

printf '%-14s %10s %10s %8s\n' effect editor_s sox_s ratio
for job in "${jobs[@]}"; do
    IFS='|' read -r name line soxargs <<<"$job"
    # shellcheck disable=SC2086
    t_sox=$(best sox -D "$in" "$tmp/sox.wav" $soxargs)
    t_wt=$(best "$wtomuka" --batch --ini "$tmp/w.ini" -e "open $in" -e "$line" \
        -e "saveas $tmp/wt.wav")
    printf '%-14s %10.3f %10.3f %8.2f\n' "$name" "$t_wt" "$t_sox" "$(awk -v a="$t_wt" -v b="$t_sox" 'BEGIN { print a / b }')"
done
