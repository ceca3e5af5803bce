#!/usr/bin/env bash
# Playback through real sound devices. The editor plays into the null sink of a private
# PulseAudio server while the sink's monitor is captured: the capture holds every played
# sample unchanged, none missing or repeated, and a looped 0.1 s selection repeats back to
# back. Without any sound device, playing fails with its message and exit status 1.
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

# 1.5 s of white noise, 44.1 kHz 16-bit stereo, and its raw samples.
sox -D -n -r 44100 -b 16 -c 2 -e signed-integer "$tmp/noise.wav" synth 1.5 whitenoise vol 0.5
sox -D "$tmp/noise.wav" -t raw -e signed-integer -b 16 -c 2 -L "$tmp/noise.raw"
# The looped selection: frames 1000 to 5410 (0.1 s).
sox -D "$tmp/noise.wav" -t raw -e signed-integer -b 16 -c 2 -L "$tmp/slice.raw" trim 1000s 4410s

# --- No device at all: an ALSA configuration whose only device cannot be opened. ---
printf 'pcm.missing { type hw card 99 }\n' >"$tmp/nodev.conf"
if env -u PULSE_SERVER ALSA_CONFIG_PATH="$tmp/nodev.conf" XDG_RUNTIME_DIR="$tmp" \
    "$wtomuka" --batch --ini "$tmp/w.ini" -e "open $tmp/noise.wav" -e play \
    >"$tmp/out" 2>"$tmp/err"; then
    echo "play without a device must fail" >&2
    exit 1
fi
grep -qx 'message: WaveTomuka: WAVEデバイスがオープンできません' "$tmp/err"
grep -q 'play: the command did not succeed' "$tmp/err"

start_pulse

# Runs the editor's lines while capturing, then applies the check; a few attempts, as a
# starved sound server on a loaded machine may drop a buffer that the editor did hand over.
play_and_check() {
    local what=$1
    shift
    local -a lines=()
    while [ "$1" != "--" ]; do
        lines+=(-e "$1")
        shift
    done
    shift
    for attempt in 1 2 3; do
        start_capture "$tmp/capture.raw"
        "$wtomuka" --batch --ini "$tmp/w.ini" "${lines[@]}" >"$tmp/out" 2>"$tmp/err" || {
            cat "$tmp/err" >&2
            exit 1
        }
        stop_capture
        if "$match" "$@" >"$tmp/match" 2>&1; then
            echo "$what (attempt $attempt): $(cat "$tmp/match")"
            return 0
        fi
        echo "$what, attempt $attempt failed: $(cat "$tmp/match")" >&2
    done
    exit 1
}

# The device list: the default device first, then PortAudio's devices.
"$wtomuka" --batch --ini "$tmp/w.ini" -e devices >"$tmp/devices"
grep -q '^output 0: ' "$tmp/devices"
grep -q '^input 0: ' "$tmp/devices"
pulse_row=$(sed -n 's/^output \([0-9]*\): pulse$/\1/p' "$tmp/devices" | head -1)
[ -n "$pulse_row" ]

# Play on the default device, and on the "pulse" device chosen in the device dialog.
play_and_check "play" "open $tmp/noise.wav" "select 100 200" play wait -- \
    contains "$tmp/noise.raw" "$tmp/capture.raw"
play_and_check "play on device $pulse_row" "device 101=$pulse_row 201=0" "open $tmp/noise.wav" \
    play wait -- contains "$tmp/noise.raw" "$tmp/capture.raw"
# The loop runs 1.2 s: a dozen repeats, of which at least five must come back to back.
play_and_check "loop" "open $tmp/noise.wav" "select 1000 5410" loop_play "wait 1200" stop wait -- \
    loop "$tmp/slice.raw" "$tmp/capture.raw" 5
echo "audio_play: ok"
