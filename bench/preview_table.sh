#!/usr/bin/env bash
# Runs bench/PreviewBench and prints, per command with a 試聴 button, a markdown table of its
# render speed on the 10-minute sound, the time from a changed value to the new rendering
# handed to the playing stream (mean and longest of the changes), and to its sound at the
# output: that time plus the output device's latency, which is not measured here but given
# (default 66 ms: the 2904 frames at 44.1 kHz measured on the null sink of the PulseAudio
# playback tests). Then each command against the target: heard within 150 ms of a change for
# one that renders at least 20 × real time, else within its render time of one second + 150 ms.
#
#   bench/preview_table.sh BUILD [DEVICE_MS] [BENCHMARK_FILTER]
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
build=${1:?usage: bench/preview_table.sh BUILD [DEVICE_MS] [BENCHMARK_FILTER]}
device_ms=${2:-66}
filter=${3:-.}
command -v jq >/dev/null || { echo "jq is needed" >&2; exit 1; }
bench=$(bench_program "$build" PreviewBench)
bench_tmp
"$bench" --benchmark_filter="$filter" --benchmark_out="$tmp/bench.json" \
    --benchmark_out_format=json >&2

# "KIND NAME VALUE VALUE": Render's x_realtime, the Change runs' mean and longest milliseconds
# (ChangeAtCursor: a generator with nothing selected); a run that failed says so in place of
# its values.
jq -r '.benchmarks[] | (.name | split("/")) as $n |
    if .error_occurred then "\($n[0]) \($n[1]) failed"
    elif $n[0] == "Render" then "Render \($n[1]) \(.x_realtime)"
    else "\($n[0]) \($n[1]) \(.real_time) \(.max_ms)" end' "$tmp/bench.json" >"$tmp/rows"

echo "Device latency taken as ${device_ms} ms (not measured by this script)."
echo
awk -v device="$device_ms" '
    $1 == "Render" { if (!($2 in seen)) { order[++n] = $2; seen[$2] = 1 } speed[$2] = $3 }
    $1 ~ /^Change/ {
        e = $1 == "Change" ? $2 : $2 ", nothing selected"
        if (!(e in seen)) { order[++n] = e; seen[e] = 1 }
        speed[e] = speed[$2]; mean[e] = $3; most[e] = $4
    }
    function cell(v, f) { return v == "" ? "-" : v == "failed" ? "failed" : sprintf(f, v) }
    END {
        print "| effect | render × real time (10 min) | change → new rendering (ms), mean / max | change → heard (ms), mean / max | target (ms) | met |"
        print "|---|---|---|---|---|---|"
        missed = ""
        for (i = 1; i <= n; i++) {
            e = order[i]
            ok = speed[e] != "" && speed[e] != "failed" && mean[e] != "" && mean[e] != "failed"
            target = ok ? (speed[e] >= 20 ? 150 : 1000 / speed[e] + 150) : 0
            heard = ok ? sprintf("%.0f / %.0f", mean[e] + device, most[e] + device) : "failed"
            met = ok ? (most[e] + device <= target ? "yes" : "no") : "?"
            if (met != "yes") missed = missed " " e
            printf "| %s | %s | %s | %s | %s | %s |\n", e, cell(speed[e], "%.0f"),
                   ok ? sprintf("%.1f / %.1f", mean[e], most[e]) : "failed", heard,
                   ok ? sprintf("%.0f", target) : "?", met
        }
        print ""
        print "Missed (the longest change):" (missed == "" ? " none" : missed)
    }' "$tmp/rows"
