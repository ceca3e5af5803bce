#!/usr/bin/env bash
# Runs MemoryBench (a build configured with -DWT_BENCH=ON, Release) once per command, each in
# a process of its own, and prints each command's peak resident memory on a one-hour 44.1 kHz
# 16-bit stereo sound as a multiple of the sound's size, against the target of at most
# 3 x the sound + 64 MiB. The one-hour files for the open_* rows go to FOLDER (default: a
# temporary folder, removed at the end). With WT_BENCH_HISTORY=1 each command also runs with
# the edit history on and with the recovery journal on too, and the table adds those peaks as
# multiples of the sound (x hist, x journal); their spill files and journal go to FOLDER.
#
#   [WT_BENCH_HISTORY=1] bench/memory_ratios.sh BUILD_DIR [FOLDER] [NAME...]
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
build=${1:?usage: memory_ratios.sh BUILD_DIR [FOLDER] [NAME...]}
bench=$(bench_program "$build" MemoryBench)
folder=${2:-}
if [[ -z $folder ]]; then
    bench_tmp
    folder=$tmp
fi
shift $(($# >= 2 ? 2 : 1))
names=("$@")
((${#names[@]})) || mapfile -t names < <("$bench" --list)
"$bench" --files "$folder"
history=${WT_BENCH_HISTORY:-}
export XDG_CACHE_HOME=$folder/cache XDG_STATE_HOME=$folder/state
# The peak of NAME run with OPTION, as a multiple of the sound.
ratio_with() {
    "$bench" "$1" "$2" "$folder" | cut -f5
}
printf '%-28s %6s %9s %7s  %s%s\n' command result "peak MiB" "x sound" "3x+64 MiB" \
    "${history:+  x hist  x journal}"
over=0
for name in "${names[@]}"; do
    IFS=$'\t' read -r n result peak sound ratio verdict messages < <("$bench" "$name" "$folder")
    extra=
    [[ -z $history ]] || extra=$(printf '  %6s  %9s' "$(ratio_with --history "$name")" \
        "$(ratio_with --journal "$name")")
    printf '%-28s %6s %9s %7s  %s%s %s\n' "$n" "$result" "$peak" "$ratio" "$verdict" "$extra" \
        "$messages"
    [[ $verdict == ok ]] || over=$((over + 1))
done
echo "sound: $sound MiB; commands over the target: $over"
