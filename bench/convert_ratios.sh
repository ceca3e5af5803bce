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
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
bench_start 7 "$@"
# The run's own clipboard and no display: the conversion alone is timed.
export QT_QPA_PLATFORM=offscreen

bench_reference_wav
cat "$in" >/dev/null # into the page cache

# The seconds of one run, the outputs of the one before removed first (outside the timing).
fresh_seconds() {
    rm -f "$tmp"/out*.wav
    bench_seconds "$@"
}

jobs=(
    "22050 Hz|change_format 103=1 202=1 302=1|rate -q 22050|"
    "8 bits|change_format 104=1 201=1 302=1||-b 8"
    "mono|change_format 104=1 202=1 301=1|channels 1|"
)

bench_head 10 to
for job in "${jobs[@]}"; do
    IFS='|' read -r name line effect outopts <<<"$job"
    # shellcheck disable=SC2086
    t_sox=$(bench_repeat "$runs" fresh_seconds sox "$in" $outopts "$tmp/out-sox.wav" $effect |
        bench_median)
    t_wt=$(bench_repeat "$runs" fresh_seconds "$wtomuka" --batch --ini "$tmp/w.ini" \
        -e "open $in" -e "$line" -e "saveas $tmp/out-wt.wav" | bench_median)
    bench_row 10 "$name" "$t_wt" "$t_sox"
done
