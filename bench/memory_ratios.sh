#!/usr/bin/env bash
# Runs MemoryBench (a build configured with -DWT_BENCH=ON, Release) once per command, each in
# a process of its own, and prints each command's peak resident memory on a one-hour 44.1 kHz
# 16-bit stereo sound as a multiple of the sound's size, against the target of at most
# 3 x the sound + 64 MiB. The one-hour files for the open_* rows go to FOLDER (default: a
# temporary folder, removed at the end).
#
#   bench/memory_ratios.sh BUILD_DIR [FOLDER] [NAME...]
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
printf '%-28s %6s %9s %7s  %s\n' command result "peak MiB" "x sound" "3x+64 MiB"
over=0
for name in "${names[@]}"; do
    IFS=$'\t' read -r n result peak sound ratio verdict messages < <("$bench" "$name" "$folder")
    printf '%-28s %6s %9s %7s  %s %s\n' "$n" "$result" "$peak" "$ratio" "$verdict" "$messages"
    [[ $verdict == ok ]] || over=$((over + 1))
done
echo "sound: $sound MiB; commands over the target: $over"
