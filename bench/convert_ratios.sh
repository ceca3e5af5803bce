#!/usr/bin/env bash
# Times whole processes doing the same file-to-file format conversion on a 10-minute 44.1 kHz
# 16-bit stereo WAV file: the editor in batch mode (open, change_format, save as) against SoX.
#   to 22050 Hz   change_format 103=1 202=1 302=1   vs  sox in.wav out.wav rate -q 22050
#   to 8 bits     change_format 104=1 201=1 302=1   vs  sox in.wav -b 8 out.wav
#   to mono       change_format 104=1 202=1 301=1   vs  sox in.wav out.wav channels 1
# Prints the median wall-clock time of several runs of each and the ratio editor / SoX (at or
# below 1: the editor is no slower). The editor's save ends with fsync (a save is on disk when
# it reports success); SoX leaves its file in the page cache.
#
#   bench/convert_ratios.sh [WTOMUKA] [RUNS]   (a Release build's wtomuka)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wtomuka=${1:-$here/../build-bench/wtomuka}
runs=${2:-7}
command -v sox >/dev/null || { echo "sox is needed" >&2; exit 1; }
[[ -x $wtomuka ]] || { echo "no $wtomuka: build a Release wtomuka" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The run's own clipboard and no display: the conversion alone is timed.
export QT_QPA_PLATFORM=offscreen

in=$tmp/in.wav
sox -n -r 44100 -b 16 -c 2 "$in" synth 600 sine 440 sine 1000 vol 0.4
cat "$in" >/dev/null # into the page cache

# Median wall-clock time of `runs` runs of a command, in seconds.
median() {
    local times=() start end
    for ((i = 0; i < runs; i++)); do
        rm -f "$tmp"/out*.wav
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s.%N)
        times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')")
    done
    printf '%s\n' "${times[@]}" | sort -g | awk '{ t[NR] = $1 } END {
        if (NR % 2) print t[(NR + 1) / 2]; else printf "%.4f\n", (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

jobs=(
    "22050 Hz|change_format 103=1 202=1 302=1|rate -q 22050|"
    "8 bits|change_format 104=1 201=1 302=1||-b 8"
    "mono|change_format 104=1 202=1 301=1|channels 1|"
)

printf '%-10s %10s %10s %8s\n' to editor_s sox_s ratio
for job in "${jobs[@]}"; do
    IFS='|' read -r name line effect outopts <<<"$job"
    # shellcheck disable=SC2086
    t_sox=$(median sox "$in" $outopts "$tmp/out-sox.wav" $effect)
    t_wt=$(median "$wtomuka" --batch --ini "$tmp/w.ini" -e "open $in" -e "$line" \
        -e "saveas $tmp/out-wt.wav")
    printf '%-10s %10.3f %10.3f %8.2f\n' "$name" "$t_wt" "$t_sox" \
        "$(awk -v a="$t_wt" -v b="$t_sox" 'BEGIN { print a / b }')"
done
