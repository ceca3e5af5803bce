#!/usr/bin/env bash
# Recording through real sound devices. A private PulseAudio server plays white noise into
# its null sink while the editor records the sink's monitor: the document then holds an
# unbroken run of the noise in the chosen format, marked modified, and undo brings back the
# sound before. Stopping early keeps exactly what was recorded so far; a server that dies
# mid-recording leaves what arrived and a message saying the recording ended early.
set -euo pipefail
wtomuka=$1
match=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib/pulse.bash
source "$here/lib/pulse.bash"
audio_sanitizer_options
tmp=$(mktemp -d)
pacat_pid=""
stop_source() {
    if [ -n "$pacat_pid" ]; then
        kill "$pacat_pid" 2>/dev/null || true
        wait "$pacat_pid" 2>/dev/null || true
        pacat_pid=""
    fi
}
cleanup() {
    stop_source
    stop_pulse
    rm -rf "$tmp"
}
trap cleanup EXIT

# 8 s of white noise as raw 44.1 kHz 16-bit stereo samples.
sox -D -n -r 44100 -b 16 -c 2 -e signed-integer -t raw -L "$tmp/source.raw" synth 8 whitenoise vol 0.5

start_pulse

# Starts the noise playing into the sink and returns once the server has it.
start_source() {
    pacat --playback -d wt_sink --format=s16le --rate=44100 --channels=2 --raw \
        --latency-msec=200 "$tmp/source.raw" &
    pacat_pid=$!
    wait_for_stream sink-inputs
    sleep 0.3
}

field() {
    sed -n "s/^$1: //p" "$2" | sed -n "${3:-1}p"
}

record_and_check() {
    local what=$1
    shift
    local -a lines=()
    for line in "$@"; do
        lines+=(-e "$line")
    done
    for attempt in 1 2 3; do
        start_source
        "$wtomuka" --batch --ini "$tmp/w.ini" "${lines[@]}" -e info -e "saveas $tmp/rec.wav" \
            -e undo -e info >"$tmp/out" 2>"$tmp/err" || {
            cat "$tmp/err" >&2
            exit 1
        }
        stop_source
        sox -D "$tmp/rec.wav" -t raw -e signed-integer -b 16 -c 2 -L "$tmp/rec.raw"
        if "$match" excerpt "$tmp/source.raw" "$tmp/rec.raw" >"$tmp/match" 2>&1; then
            echo "$what (attempt $attempt): $(cat "$tmp/match")"
            return 0
        fi
        echo "$what, attempt $attempt failed: $(cat "$tmp/match")" >&2
    done
    exit 1
}

# Two seconds: the whole block, in the chosen format, modified; undo restores the empty sound.
record_and_check "record 2 s" 'record 104=1 202=1 302=1 402=2' wait
[ "$(field byteLength "$tmp/out" 1)" = 352800 ]
[ "$(field status0 "$tmp/out" 1)" = "44100Hz 16Bits Stereo" ]
[ "$(field modified "$tmp/out" 1)" = 1 ]
[ "$(field caption "$tmp/out" 1)" = "WaveTomuka -[無題]" ]
[ "$(field byteLength "$tmp/out" 2)" = 0 ]
[ "$(field status0 "$tmp/out" 2)" = "22050Hz 8Bits Mono" ]

# Stopped after about a second of a ten-second block: exactly the frames recorded, all of
# them the noise (a byte beyond them would break the run).
record_and_check "record, then stop" 'record 104=1 202=1 302=1 402=10' 'wait 1000' stop wait
bytes=$(field byteLength "$tmp/out" 1)
if [ "$bytes" -lt 88200 ] || [ "$bytes" -gt 705600 ] || [ $((bytes % 4)) -ne 0 ]; then
    echo "a recording stopped after 1 s holds $bytes bytes" >&2
    exit 1
fi
[ "$(stat -c %s "$tmp/rec.raw")" = "$bytes" ]

# Another format: 22.05 kHz 8-bit mono for one second (the server converts).
start_source
"$wtomuka" --batch --ini "$tmp/w.ini" -e 'record 103=1 201=1 301=1 402=1' -e wait -e info \
    >"$tmp/out"
stop_source
[ "$(field byteLength "$tmp/out")" = 22050 ]
[ "$(field status0 "$tmp/out")" = "22050Hz 8Bits Mono" ]

# The sound server dies during a ten-second recording: what arrived becomes the sound, the
# editor says that the recording ended early (in batch mode on standard error), the run goes
# on so the next line saves what arrived, and it exits with 1. This comes last: it takes the
# server down.
start_source
"$wtomuka" --batch --ini "$tmp/w.ini" -e 'record 104=1 202=1 302=1 402=10' -e wait \
    -e "saveas $tmp/kept.wav" >"$tmp/out" 2>"$tmp/err" &
editor_pid=$!
wait_for_stream source-outputs 400
sleep 1.5
kill -KILL "$pulse_pid"
status=0
wait "$editor_pid" || status=$?
stop_source
if [ "$status" -eq 0 ]; then
    echo "a recording whose server died must fail the run" >&2
    cat "$tmp/err" >&2
    exit 1
fi
grep -qx 'message: WaveTomuka: 録音デバイスが停止したため、録音を途中で終了しました' "$tmp/err" || {
    cat "$tmp/err" >&2
    exit 1
}
ended='error: the recording ended early: the device stopped after'
bytes=$(sed -n "s/^$ended \([0-9]*\) bytes; the run goes on with what arrived\$/\1/p" "$tmp/err")
if [ -z "$bytes" ] || [ "$bytes" -le 0 ] || [ "$bytes" -ge 1764000 ] || [ $((bytes % 4)) -ne 0 ]; then
    echo "a recording cut short after about 1.5 s keeps ${bytes:-no} bytes" >&2
    cat "$tmp/err" >&2
    exit 1
fi
if [ "$(stat -c %s "$tmp/kept.wav")" != $((44 + bytes)) ]; then
    echo "the line after the wait did not save the $bytes bytes that arrived" >&2
    exit 1
fi
echo "record, server killed: $bytes bytes kept"
echo "audio_record: ok"
