#!/usr/bin/env bash
# Times whole processes making the same 10-minute 44.1 kHz 16-bit stereo WAV file: the editor in
# batch mode (a new sound, 120 five-second tones or noises one after another at the cursor, save
# as) against SoX's synth. Runs the two alternately and prints the median of several runs of
# each and the ratio editor / SoX (below 1: the editor is faster).
#
#   bench/generator_ratios.sh [WTOMUKA] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wtomuka=${1:-$here/../build-bench/wtomuka}
runs=${2:-5}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Wall-clock seconds of one run of a command.
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }'
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Name, the editor's batch line repeated 120 times (5 s each), SoX's synth arguments.
jobs=(
    "sine|tone 105=5000 110=0|sine 440"
    "sine_fm|tone 105=5000|sine 440"
    "whitenoise|white_noise 202=5000|whitenoise"
)

printf '%-12s %10s %10s %8s\n' generator editor_s sox_s ratio
for job in "${jobs[@]}"; do
    IFS='|' read -r name line soxargs <<<"$job"
    script=$tmp/$name.txt
    {
        echo 'new 104=1 202=1 302=1'
        for ((i = 0; i < 120; i++)); do echo "$line"; done
        echo "saveas $tmp/wt.wav"
    } >"$script"
    t_wt=() t_sox=()
    for ((i = 0; i < runs; i++)); do
        # shellcheck disable=SC2086
        t_sox+=("$(seconds sox -n -r 44100 -c 2 -b 16 "$tmp/sox.wav" synth 600 $soxargs)")
        t_wt+=("$(seconds "$wtomuka" --batch --ini "$tmp/w.ini" "$script")")
    done
    [ "$(soxi -s "$tmp/wt.wav")" = 26460000 ] || { echo "the editor made the wrong length" >&2; exit 1; }
    m_wt=$(median "${t_wt[@]}")
    m_sox=$(median "${t_sox[@]}")
    printf '%-12s %10.3f %10.3f %8.2f\n' "$name" "$m_wt" "$m_sox" \
        "$(awk -v a="$m_wt" -v b="$m_sox" 'BEGIN { print a / b }')"
done
