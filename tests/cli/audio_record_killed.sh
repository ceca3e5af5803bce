#!/usr/bin/env bash
# A recording with the recovery journal on, killed (SIGKILL) at moments from 1 to 8 s into it
# while a private PulseAudio server plays noise into the recorded sink. A new run restores an
# unbroken run of that noise at most 5 s shorter than what was recorded until the kill, or, in
# the first 5 s, the unsaved change made before the recording.
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
    [ -z "$pacat_pid" ] || kill "$pacat_pid" 2>/dev/null || true
    [ -z "$pacat_pid" ] || wait "$pacat_pid" 2>/dev/null || true
    pacat_pid=""
}
trap 'stop_source; stop_pulse; rm -rf "$tmp"' EXIT
fail() {
    echo "audio_record_killed: $*" >&2
    exit 1
}
stamp() { now=$((${EPOCHREALTIME/./} / 1000)); }

sox -D -n -r 44100 -b 16 -c 2 -e signed-integer -t raw -L "$tmp/source.raw" synth 11 whitenoise vol 0.5
sox -D -n -r 44100 -b 16 -c 2 "$tmp/in.wav" synth 1 sine 440 vol 0.5
export XDG_STATE_HOME=$tmp/state XDG_CACHE_HOME=$tmp/cache
run() { "$wtomuka" --batch --ini "$tmp/w.ini" "$@"; }
run -e "open $tmp/in.wav" -e reverse -e "saveas $tmp/reversed.wav" >/dev/null
start_pulse

kills=5 before=0 recorded=0
for ((i = 0; i < kills; ++i)); do
    cp "$tmp/in.wav" "$tmp/work.wav"
    pacat --playback -d wt_sink --format=s16le --rate=44100 --channels=2 --raw \
        --latency-msec=200 "$tmp/source.raw" &
    pacat_pid=$!
    wait_for_stream sink-inputs
    sleep 0.3
    coproc ED { exec "$wtomuka" --batch --ini "$tmp/w.ini" - 2>"$tmp/err"; }
    pid=$ED_PID
    printf '%s\n' "journal on" "open $tmp/work.wav" reverse "answer no" "record 104=1 202=1 302=1 402=10" info \
        >&"${ED[1]}"
    while read -r -t 20 reply <&"${ED[0]}" && [[ $reply != framesPerPixel:* ]]; do :; done
    [[ $reply == framesPerPixel:* ]] || fail "the recording did not start: $(cat "$tmp/err")"
    stamp && started=$now
    echo wait >&"${ED[1]}"
    sleep "$((1 + i * 3 / 2)).$(printf %03d $((RANDOM % 1000)))"
    stamp && elapsed=$((now - started))
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null || true
    stop_source

    run -e "recover list" >"$tmp/list" 2>"$tmp/list.err" || fail "recover list failed"
    [ "$(grep -c '^recover: ' "$tmp/list")" = 1 ] || fail "after $elapsed ms: $(cat "$tmp/list" "$tmp/list.err")"
    rm -f "$tmp/got.wav"
    run -e "recover restore 1" -e "saveas $tmp/got.wav" >/dev/null 2>&1 || fail "the restore failed"
    if cmp -s "$tmp/got.wav" "$tmp/reversed.wav"; then
        ((elapsed < 5000)) || fail "killed $elapsed ms into the recording, none of it restored"
        before=$((before + 1))
        continue
    fi
    [ "$(soxi -r "$tmp/got.wav") $(soxi -c "$tmp/got.wav") $(soxi -b "$tmp/got.wav")" = "44100 2 16" ] ||
        fail "the restored recording is not in the recorded format"
    sox -D "$tmp/got.wav" -t raw -e signed-integer -b 16 -c 2 -L "$tmp/got.raw"
    bytes=$(stat -c %s "$tmp/got.raw")
    ((bytes >= (elapsed - 5000) * 1764 / 10 && bytes <= (elapsed + 500) * 1764 / 10)) ||
        fail "killed $elapsed ms into the recording, $bytes bytes restored"
    ((bytes == 0)) || "$match" excerpt "$tmp/source.raw" "$tmp/got.raw" >"$tmp/match" 2>&1 ||
        fail "killed $elapsed ms into the recording, the restored bytes are not the noise: $(cat "$tmp/match")"
    recorded=$((recorded + 1))
    echo "killed $elapsed ms into the recording: $bytes bytes restored"
done
echo "audio_record_killed: $kills kills: $recorded recordings restored, $before changes before them"
