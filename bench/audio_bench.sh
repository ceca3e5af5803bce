#!/usr/bin/env bash
# Runs the playback benchmarks on a private PulseAudio server with a null sink (as the audio
# tests use), repeated, and prints the medians.
#
#   bench/audio_bench.sh [AUDIOBENCH] [REPETITIONS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bench=${1:-$here/../build-bench/bench/AudioBench}
repetitions=${2:-5}
# shellcheck source=../tests/cli/lib/pulse.bash
source "$here/../tests/cli/lib/pulse.bash"
trap stop_pulse EXIT
start_pulse
"$bench" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_counters_tabular=true 2>/dev/null | grep -E "Benchmark|median|^-"
