#!/usr/bin/env bash
# Pitch change, time stretch and transpose run by name in batch mode on a real WAV file: the
# lengths SoX reads back, the frequency SoX measures, and undo bringing back every byte.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

run() { "$wtomuka" --batch --ini "$tmp/w.ini" "$@"; }
fail() {
    echo "pitch_time: $*" >&2
    exit 1
}
# Samples SoX reads, and its rough frequency (zero crossings) in Hz.
stat() { sox "$1" -n stat 2>&1 | awk -v key="$2" '$0 ~ key { print $NF }'; }

# One second of 440 Hz at 44100 Hz, mono.
sox -n -r 44100 -b 16 -c 1 "$tmp/in.wav" synth 1 sine 440 vol 0.5
run -e "open $tmp/in.wav" -e "saveas $tmp/copy.wav"

# Line, samples after it (44100 * 100 / 150 = 29400; 44100 * 100 / 200 = 22050), frequency.
cases=(
    "pitch 201=150|29400|660"
    "time_stretch 201=200|22050|440"
    "transpose 201=1200|44100|880"
    "transpose 201=700 202=1 204=100|44100|656"
)
for c in "${cases[@]}"; do
    IFS='|' read -r line samples hz <<<"$c"
    run -e "open $tmp/in.wav" -e "$line" -e "saveas $tmp/out.wav" || fail "$line failed"
    [ "$(stat "$tmp/out.wav" 'Samples read')" = "$samples" ] || fail "$line: length"
    measured=$(stat "$tmp/out.wav" 'Rough')
    awk -v m="$measured" -v e="$hz" 'BEGIN { exit !(m > e * 0.98 && m < e * 1.02) }' ||
        fail "$line: $measured Hz, expected $hz"
    run -e "open $tmp/in.wav" -e "$line" -e undo -e "saveas $tmp/undo.wav"
    cmp -s "$tmp/undo.wav" "$tmp/copy.wav" || fail "undo after $line left a change"
done

echo "pitch_time: ok"
