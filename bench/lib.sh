# shellcheck shell=bash disable=SC2034,SC2120
# (the arrays set here are read by the callers; bench_tmp's option is optional)
# What the bench/*.sh scripts share; sourced by them, not run:
#   source "$(dirname "$0")/lib.sh"
# The scripts run with `set -euo pipefail`. A timed command that fails stops the script with
# its command line on standard error, rather than having its failure timed as a result.

# The repository's top folder.
bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# bench_tmp [MKTEMP_OPTION...]: sets `tmp` to a new folder, removed when the script exits.
bench_tmp() {
    tmp=$(mktemp -d "$@")
    trap 'rm -rf "$tmp"' EXIT
}

bench_need_sox() {
    command -v sox >/dev/null || { echo "sox is needed" >&2; exit 1; }
}

# bench_need_editor PATH: stops the script unless PATH is an editor it can run.
bench_need_editor() {
    [[ -x $1 ]] || { echo "no $1: build a Release wtomuka" >&2; exit 1; }
}

# bench_start DEFAULT_RUNS [WTOMUKA] [RUNS]: the start of a script that times the editor
# against SoX, given the script's arguments: sets `wtomuka` (default: build-bench's) and `runs`
# (default DEFAULT_RUNS), stops the script unless both programs are there, and sets `tmp`.
bench_start() {
    wtomuka=${2:-$bench_root/build-bench/wtomuka}
    runs=${3:-$1}
    bench_need_sox
    bench_need_editor "$wtomuka"
    bench_tmp
}

# bench_program BUILD_DIR NAME: prints the path of the benchmark program NAME built in
# BUILD_DIR; fails, saying how to build it, when it is not there.
bench_program() {
    local program=$1/bench/$2
    [[ -x $program ]] || {
        echo "no $program: configure with -DWT_BENCH=ON and build $2" >&2
        return 1
    }
    echo "$program"
}

# bench_reference_wav [EFFECT...]: writes the 10-minute 44.1 kHz 16-bit stereo reference file,
# a 440 Hz tone on the left and 1 kHz on the right at 40 %, through SoX's EFFECTs, to
# $tmp/in.wav, and sets `in` to its path.
bench_reference_wav() {
    in=$tmp/in.wav
    bench_need_sox
    sox -n -r 44100 -b 16 -c 2 "$in" synth 600 sine 440 sine 1000 vol 0.4 "$@"
}

# bench_run CMD...: runs CMD with its output discarded; says so when it fails.
bench_run() {
    "$@" >/dev/null 2>&1 || {
        echo "failed: $*" >&2
        return 1
    }
}

# bench_seconds CMD...: the wall-clock seconds of one run of CMD, to 0.1 ms.
bench_seconds() {
    local start end
    start=$(date +%s.%N)
    bench_run "$@" || return
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }'
}

# bench_millis CMD...: the wall-clock milliseconds of one run of CMD, whole ones.
bench_millis() {
    local start end
    start=$(date +%s%N)
    bench_run "$@" || return
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

# bench_wall_cpu CMD...: "WALL CPU", the wall-clock and the processor (user + system) seconds
# of one run of CMD.
bench_wall_cpu() {
    bench_run /usr/bin/time -f '%e %U %S' -o "$tmp/.time" "$@" || return
    awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$tmp/.time"
}

# bench_repeat RUNS CMD...: runs CMD (a measurement such as bench_seconds) RUNS times.
bench_repeat() {
    local runs=$1 i
    shift
    for ((i = 0; i < runs; i++)); do
        "$@" || return
    done
}

# bench_median [VALUE...]: the median of the values, or of the lines of standard input when
# none are given; of an even count, the mean of the middle two.
bench_median() {
    if (($#)); then printf '%s\n' "$@"; else cat; fi | sort -g |
        awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# bench_min [VALUE...]: the least of the values, or of the lines of standard input.
bench_min() {
    if (($#)); then printf '%s\n' "$@"; else cat; fi | sort -g | head -n 1
}

# bench_ratio A B: A / B.
bench_ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { print a / b }'
}

# bench_alternate RUNS MEASURE FIRST SECOND: runs MEASURE on the command in the array named
# FIRST, then on the one named SECOND, RUNS times over, and sets the array `medians` to the
# median of each figure MEASURE prints for FIRST, followed by those for SECOND.
bench_alternate() {
    local runs=$1 measure=$2 i
    local -n bench_first_=$3 bench_second_=$4
    : >"$tmp/.first"
    : >"$tmp/.second"
    for ((i = 0; i < runs; i++)); do
        "$measure" "${bench_first_[@]}" >>"$tmp/.first"
        "$measure" "${bench_second_[@]}" >>"$tmp/.second"
    done
    medians=()
    local file column columns
    for file in "$tmp/.first" "$tmp/.second"; do
        columns=$(awk 'NR == 1 { print NF }' "$file")
        for ((column = 1; column <= columns; column++)); do
            medians+=("$(cut -d' ' -f"$column" "$file" | bench_median)")
        done
    done
}

# bench_file_jobs LINE SOX_EFFECT: sets the arrays `editor_job`, the editor ($wtomuka) in batch
# mode opening $in, running the batch line LINE and saving as $tmp/wt.wav, and `sox_job`, SoX
# reading $in and writing $tmp/sox.wav through SOX_EFFECT (split at blanks) without dither, so
# that both do only the effect.
bench_file_jobs() {
    editor_job=("$wtomuka" --batch --ini "$tmp/w.ini" -e "open $in" -e "$1" -e "saveas $tmp/wt.wav")
    # shellcheck disable=SC2206 # the effect's words
    sox_job=(sox -D "$in" "$tmp/sox.wav" $2)
}

# bench_head WIDTH LABEL: the head of a table of times: LABEL, the editor's seconds, SoX's
# seconds and the ratio editor / SoX (below 1: the editor is faster).
bench_head() {
    printf "%-${1}s %10s %10s %8s\n" "$2" editor_s sox_s ratio
}

# bench_row WIDTH NAME EDITOR_SECONDS SOX_SECONDS: one row of that table.
bench_row() {
    printf "%-${1}s %10.3f %10.3f %8.2f\n" "$2" "$3" "$4" "$(bench_ratio "$3" "$4")"
}

# bench_effect_table WIDTH LABEL RUNS JOB...: for each JOB "name|editor batch line|SoX effect",
# runs SoX and the editor on $in alternately, RUNS times each (see bench_file_jobs), and prints
# the table of their medians.
bench_effect_table() {
    local width=$1 label=$2 runs=$3 job name line soxargs
    shift 3
    bench_head "$width" "$label"
    for job in "$@"; do
        IFS='|' read -r name line soxargs <<<"$job"
        bench_file_jobs "$line" "$soxargs"
        bench_alternate "$runs" bench_seconds sox_job editor_job
        bench_row "$width" "$name" "${medians[1]}" "${medians[0]}"
    done
}
