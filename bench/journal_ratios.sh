#!/usr/bin/env bash
# What the recovery journal costs: the editor in batch mode opens a 10-minute 44.1 kHz 16-bit
# stereo WAV file, runs five whole-sound effects, saves as a new file and exits, with
# `journal on` first (which turns the edit history on too) and without, the two in turn, RUNS
# times each; then likewise with `history on` alone against without. Prints the medians of the
# wall-clock and processor seconds and the ratios to the run without (the journal's target: at
# most 1.10).
# The files, the journal ($XDG_STATE_HOME) and $XDG_CACHE_HOME are in a new folder in /dev/shm.
# The time is the whole process's: `exit` waits for the journal's worker to finish its writes
# and delete the journal, so nothing it does is left out.
#
#   bench/journal_ratios.sh [WTOMUKA] [RUNS]
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
wtomuka=${1:-$bench_root/build-bench/wtomuka}
runs=${2:-7}
bench_need_editor "$wtomuka"
bench_tmp -p /dev/shm
bench_reference_wav dcshift 0.01
export XDG_STATE_HOME=$tmp/state XDG_CACHE_HOME=$tmp/cache
work=(-e "open $in" -e 'volume 200=50' -e reverse -e fade_in -e phase_invert -e normalize
    -e "saveas $tmp/out.wav" -e exit)
# shellcheck disable=SC2034 # read by bench_alternate
without=("$wtomuka" --batch --ini "$tmp/w.ini" "${work[@]}")
# shellcheck disable=SC2034 # read by bench_alternate
journal=("$wtomuka" --batch --ini "$tmp/w.ini" -e 'journal on' "${work[@]}")
# shellcheck disable=SC2034
history=("$wtomuka" --batch --ini "$tmp/w.ini" -e 'history on' "${work[@]}")
bench_run "${journal[@]}" # once untimed: the file in the page cache, the settings written
printf '%-14s %8s %8s %12s %12s\n' "" wall_s cpu_s "wall / off" "cpu / off"
for mode in journal history; do
    bench_alternate "$runs" bench_wall_cpu "$mode" without
    printf '%-14s %8.3f %8.3f %12.2f %12.2f\n' "$mode on" "${medians[0]}" "${medians[1]}" \
        "$(bench_ratio "${medians[0]}" "${medians[2]}")" \
        "$(bench_ratio "${medians[1]}" "${medians[3]}")"
    printf '%-14s %8.3f %8.3f\n' "  off" "${medians[2]}" "${medians[3]}"
done
