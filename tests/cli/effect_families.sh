#!/usr/bin/env bash
# The compressor, noise gate, distortion, echo, reverb, flanger, tremolo and vibrato run by
# name in batch mode on a real WAV file: each keeps the length and changes the samples, and
# undo brings back every byte.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

run() { "$wtomuka" --batch --ini "$tmp/w.ini" "$@"; }
samples() { sox "$1" -t s16 - | od -An -v -td2 -w2; }
fail() {
    echo "effect_families: $*" >&2
    exit 1
}

sox -n -r 44100 -b 16 -c 2 "$tmp/in.wav" synth 1 sine 440 sine 1000 vol 0.4
run -e "open $tmp/in.wav" -e "saveas $tmp/copy.wav"
count=$(samples "$tmp/copy.wav" | wc -l)

lines=(
    "compressor"
    "noise_gate 201=60 203=1 205=1"
    "distortion 202=1"
    "echo"
    "reverb"
    "flanger"
    "tremolo"
    "vibrato"
)
for line in "${lines[@]}"; do
    run -e "open $tmp/in.wav" -e "$line" -e "saveas $tmp/out.wav" || fail "$line failed"
    [ "$(samples "$tmp/out.wav" | wc -l)" = "$count" ] || fail "$line changed the length"
    ! cmp -s <(samples "$tmp/out.wav") <(samples "$tmp/copy.wav") || fail "$line changed nothing"
    run -e "open $tmp/in.wav" -e "$line" -e undo -e "saveas $tmp/undo.wav"
    cmp -s "$tmp/undo.wav" "$tmp/copy.wav" || fail "undo after $line left a change"
done

echo "effect_families: ok"
