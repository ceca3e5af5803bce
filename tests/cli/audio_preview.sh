#!/usr/bin/env bash
# The preview of an effect through real sound devices, on the null sink of a private
# PulseAudio server whose monitor is captured: preview_play plays the frames "preview"
# renders, unchanged; and a value changed while the preview loops is heard within 150 ms of
# the change, after a crossfade of at most 10 ms, with no frame lost or repeated.
set -euo pipefail
wtomuka=$1
match=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib/pulse.bash
source "$here/lib/pulse.bash"
audio_sanitizer_options
tmp=$(mktemp -d)
cleanup() {
    stop_pulse
    rm -rf "$tmp"
}
trap cleanup EXIT

run() {
    "$wtomuka" --batch --ini "$tmp/w.ini" -e "open $tmp/noise.wav" "$@"
}
raw() {
    sox -D "$1" -t raw -e signed-integer -b 16 -c 2 -L "$2"
}

# Three seconds of white noise, 44.1 kHz 16-bit stereo, and what each preview must play.
sox -D -n -r 44100 -b 16 -c 2 -e signed-integer "$tmp/noise.wav" synth 3 whitenoise vol 0.5
run -e "preview echo 201=120 205=40 seconds=1 to=$tmp/echo.wav" \
    -e "preview volume 201=60 seconds=1 to=$tmp/soft.wav" \
    -e "preview volume 201=140 seconds=1 to=$tmp/loud.wav" >/dev/null
raw "$tmp/echo.wav" "$tmp/echo.raw"
raw "$tmp/soft.wav" "$tmp/soft.raw"
raw "$tmp/loud.wav" "$tmp/loud.raw"

start_pulse

# A few attempts, as a starved sound server on a loaded machine may drop a buffer that the
# editor did hand over.
attempt() {
    local what=$1 check=$2
    shift 2
    for n in 1 2 3; do
        start_capture "$tmp/capture.raw"
        run "$@" >"$tmp/out" 2>"$tmp/err" || {
            cat "$tmp/err" >&2
            exit 1
        }
        stop_capture
        if "$check" >"$tmp/match" 2>&1; then
            echo "$what (attempt $n): $(cat "$tmp/match")"
            return 0
        fi
        echo "$what, attempt $n failed: $(cat "$tmp/match")" >&2
    done
    exit 1
}

played_exactly() {
    "$match" contains "$tmp/echo.raw" "$tmp/capture.raw"
}
attempt "preview_play" played_exactly -e "preview_play echo 201=120 205=40 seconds=1"

# The change is asked for once 0.7 s have been heard; the new rendering must sound within
# 150 ms of it (WT_PREVIEW_LATENCY_MS: an unoptimised build renders several times slower),
# after a crossfade of at most 10 ms (441 frames).
bound=$((${WT_PREVIEW_LATENCY_MS:-150} * 441 / 10))
heard_at_once() {
    local at latency
    at=$(sed -n 's/^preview_set: at frame //p' "$tmp/out")
    "$match" switch "$tmp/soft.raw" "$tmp/loud.raw" "$tmp/capture.raw" "$at" 441 >"$tmp/switch" ||
        { cat "$tmp/switch"; return 1; }
    latency=$(sed -n 's/.*latency \(-\{0,1\}[0-9]*\) frames$/\1/p' "$tmp/switch")
    cat "$tmp/switch"
    [ "$latency" -ge 0 ] && [ "$latency" -le "$bound" ]
}
attempt "change while playing" heard_at_once -e "preview_start volume 201=60 seconds=1" \
    -e "wait 700" -e "preview_set 201=140" -e "wait 1500" -e preview_stop
echo "audio_preview: ok"
