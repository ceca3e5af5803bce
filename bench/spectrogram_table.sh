#!/usr/bin/env bash
# Runs bench/SpectrogramBench on the one-hour 44.1 kHz 16-bit stereo sound in a 1920 x 600
# window and prints markdown tables: one full paint at every zoom in the spectrogram view and
# in the both view (mean / longest), the first complete picture at 全体表示 on 1 and 2
# threads, scrolling at 1/1 with the arrow and the page key held, and the picture complete
# again after an effect on 10 seconds; each against its target, with the cache's bytes
# against its budget.
#
#   bench/spectrogram_table.sh BUILD [BENCHMARK_FILTER]
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
build=${1:?usage: bench/spectrogram_table.sh BUILD [BENCHMARK_FILTER]}
filter=${2:-.}
command -v jq >/dev/null || { echo "jq is needed" >&2; exit 1; }
bench=$(bench_program "$build" SpectrogramBench)
bench_tmp
"$bench" --benchmark_filter="$filter" --benchmark_out="$tmp/bench.json" \
    --benchmark_out_format=json >&2

# Tab-separated "CASE ARG LABEL MEAN_MS MAX_MS ..." per run; a run that failed says so.
jq -r '.benchmarks[] | (.name | sub("^BM_"; "") | split("/")) as $n |
    [$n[0], $n[1], ($n[2] // ""), (.label // ""),
     if .error_occurred then "failed" else .real_time end,
     .maxMs, .maxPaintMs, .maxTickMs, .maxScrollMs, .readyMs, .effectMs,
     .placeholderPaints, .paints, .cacheBytes, .budgetBytes, .framesComputed,
     .analysisFrames, .processorMs] |
    map(tostring) | join("\t")' "$tmp/bench.json" >"$tmp/rows"

awk -F'\t' '
    function mib(b) { return sprintf("%.1f", b / 1048576) }
    function yes(ok) { return ok ? "yes" : "no" }
    $5 == "failed" { failed[$1 " " $2 " " $3] = 1 }
    $1 == "Paint" {
        zoom = $4; sub(/ (spectrogram|both)$/, "", zoom)
        if (!(zoom in seen)) { order[++n] = zoom; seen[zoom] = 1 }
        view = $3 == 1 ? "s" : "b"
        cell[zoom, view] = $5 == "failed" ? "failed" : sprintf("%.2f / %.2f", $5, $6)
        most[zoom, view] = $5 == "failed" ? 1e9 : $6
        cache[zoom] = cache[zoom] (cache[zoom] == "" ? "" : ", ") mib($14)
        budget = $15
    }
    $1 == "FirstPicture" { first[$2] = $0 }
    $1 == "Scroll" { scroll[$2] = $0 }
    $1 == "AfterEffect" { after = $0 }
    END {
        missed = ""
        if (n > 0) {
            print "One full paint with every shown column ready, ms (mean / longest); target under 16 ms:"
            print ""
            print "| zoom | spectrogram view | both view | cache MiB (spectrogram, both) | met |"
            print "|---|---|---|---|---|"
            for (i = 1; i <= n; i++) {
                z = order[i]
                ok = most[z, "s"] < 16 && most[z, "b"] < 16
                if (!ok) missed = missed " paint " z ";"
                printf "| %s | %s | %s | %s | %s |\n", z, cell[z, "s"], cell[z, "b"], cache[z], yes(ok)
            }
            print ""
            print "The cache budget: " mib(budget) " MiB."
            print ""
        }
        print "| measurement | time (ms), mean / longest | longest paint (ms) | longest timer tick (ms) | other | cache / budget (MiB) | target | met |"
        print "|---|---|---|---|---|---|---|---|"
        for (t = 1; t <= 2; t++) {
            if (!(t in first)) continue
            split(first[t], f, "\t")
            ok = f[5] != "failed" && f[6] <= 2000
            if (t == 2 && !ok) missed = missed " first picture on 2 threads;"
            printf "| first complete picture at 全体表示, %d thread%s | %s | %.1f | %.1f | levels held at %.0f ms; %d of %d analysis frames transformed; processor time %.0f ms | %s / %s | %s | %s |\n",
                t, t == 1 ? "" : "s", f[5] == "failed" ? "failed" : sprintf("%.0f / %.0f", f[5], f[6]),
                f[7], f[8], f[10], f[16], f[17], f[18], mib(f[14]), mib(f[15]), t == 2 ? "≤ 2000 ms" : "-",
                t == 2 ? yes(ok) : "-"
        }
        for (code = 1; code <= 3; code += 2) {
            if (!(code in scroll)) continue
            split(scroll[code], s, "\t")
            ok = s[5] != "failed" && s[7] < 16 && s[12] == 0
            if (!ok) missed = missed " scrolling (" s[4] ");"
            printf "| scrolling at 1/1, %s key held 4 s | - | %.1f | %.1f | longest scroll %.1f ms; %d paints, %d with a placeholder after 1 s | %s / %s | paints < 16 ms, no placeholder after 1 s | %s |\n",
                s[4] == "line" ? "arrow" : "page", s[7], s[8], s[9], s[13], s[12],
                mib(s[14]), mib(s[15]), yes(ok)
        }
        if (after != "") {
            split(after, a, "\t")
            ok = a[5] != "failed" && a[6] <= 200
            if (!ok) missed = missed " after an effect;"
            printf "| picture complete again after フェードアウト on 10 s at 全体表示 | %s | %.1f | %.1f | the effect %.0f ms; %d analysis frames transformed again | %s / %s | ≤ 200 ms | %s |\n",
                a[5] == "failed" ? "failed" : sprintf("%.0f / %.0f", a[5], a[6]), a[7], a[8], a[11], a[16],
                mib(a[14]), mib(a[15]), yes(ok)
        }
        for (k in failed) missed = missed " " k " failed;"
        print ""
        print "Missed:" (missed == "" ? " none" : missed)
    }' "$tmp/rows"
