#!/usr/bin/env bash
# Time, peak memory and the longest wait for the window's events of saving a one-hour
# 44.1 kHz 16-bit stereo sound as FLAC and as Ogg Vorbis and of opening it as MP3 (see
# FileWaitBench.cpp). Each save writes a new file; saving over an existing one adds the time
# the file system takes to free the old file's blocks when the new one is renamed over it.
# Usage: [WT_BENCH_DIR=FOLDER] bench/file_wait.sh BUILD_DIR   (configured with -DWT_BENCH=ON)
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
build=${1:?usage: file_wait.sh BUILD_DIR}
bench=$(bench_program "$build" FileWaitBench)

# $WT_BENCH_DIR, when set, keeps the MP3 (about 6 minutes to encode) for the next run.
if [[ -n ${WT_BENCH_DIR:-} ]]; then
    tmp=$WT_BENCH_DIR
else
    bench_tmp /tmp/wt-wait-XXXXXX
fi
[[ -f $tmp/hour.mp3 ]] || "$bench" --files "$tmp"
for name in save_flac save_ogg open_mp3; do
    rm -f "$tmp"/hour.flac "$tmp"/hour.ogg
    "$bench" "$name" "$tmp"
done
