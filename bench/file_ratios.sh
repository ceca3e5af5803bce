#!/usr/bin/env bash
# Compares the editor's file readers and writers with the system's tools on a 10-minute
# 44.1 kHz 16-bit stereo sound:
#   WAV open and save      vs  cp in.wav copy.wav            (target: within 2x)
#   AIFF open and save     vs  sox in.wav out.aiff           (target: within 1.5x)
#   AU open and save       vs  sox in.wav out.au             (target: within 1.5x)
# The editor's saves end with fsync (a save is on disk when it reports success); cp and sox
# leave the data in the page cache, so "cp + sync" is shown beside cp as the durable copy.
# Usage: bench/file_ratios.sh BUILD_DIR   (a build configured with -DWT_BENCH=ON)
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
build=${1:?usage: file_ratios.sh BUILD_DIR}
bench=$(bench_program "$build" FileBench)
bench_need_sox

bench_tmp /tmp/wt-ratios-XXXXXX
sox -q -n -r 44100 -c 2 -b 16 "$tmp/in.wav" synth 600 sine 440 sine 660 vol 0.5

# Best wall-clock time of N runs of a command, in milliseconds.
best_ms() {
    bench_repeat "$1" bench_millis "${@:2}" | bench_min
}
copy_and_sync() { cp "$1" "$2" && sync "$2"; }

cat "$tmp/in.wav" >/dev/null # into the page cache, as the benchmark's files are
cp_ms=$(best_ms 5 cp "$tmp/in.wav" "$tmp/copy.wav")
cp_sync_ms=$(best_ms 5 copy_and_sync "$tmp/in.wav" "$tmp/copy.wav")
sox_aiff_ms=$(best_ms 3 sox "$tmp/in.wav" "$tmp/sox.aiff")
sox_au_ms=$(best_ms 3 sox "$tmp/in.wav" "$tmp/sox.au")
rm -f "$tmp"/copy.wav "$tmp"/sox.*

# The editor: the best repetition of each benchmark (real time, milliseconds).
WT_BENCH_DIR=$tmp "$bench" --benchmark_format=csv --benchmark_repetitions=3 2>/dev/null >"$tmp/bench.csv"
editor_ms() {
    awk -F, -v name="\"BM_$1/" 'index($1, name) == 1 && $1 ~ /real_time"$/ {
        t = $3 + 0; if (best == "" || t < best) best = t } END { printf "%.0f", best }' "$tmp/bench.csv"
}

report() { # name editor_ms reference_name reference_ms target
    awk -v n="$1" -v e="$2" -v rn="$3" -v r="$4" -v t="$5" 'BEGIN {
        ratio = e / r
        printf "%-10s %7d ms   %-16s %7d ms   ratio %5.2f  (target %.1f) %s\n", n, e, rn, r, ratio, t,
               ratio <= t ? "ok" : "OVER" }'
}

echo "10-minute 44.1 kHz 16-bit stereo, $(stat -c %s "$tmp/in.wav") bytes"
report "WAV open" "$(editor_ms OpenWav)" "cp" "$cp_ms" 2
report "WAV save" "$(editor_ms SaveWav)" "cp" "$cp_ms" 2
report "WAV save" "$(editor_ms SaveWav)" "cp + sync" "$cp_sync_ms" 2
report "AIFF open" "$(editor_ms OpenAiff)" "sox wav->aiff" "$sox_aiff_ms" 1.5
report "AIFF save" "$(editor_ms SaveAiff)" "sox wav->aiff" "$sox_aiff_ms" 1.5
report "AU open" "$(editor_ms OpenAu)" "sox wav->au" "$sox_au_ms" 1.5
report "AU save" "$(editor_ms SaveAu)" "sox wav->au" "$sox_au_ms" 1.5
