#!/usr/bin/env bash
# The generators in batch mode by their names with their dialogs' controls: tone, white noise,
# silence and the melody paste (its text, tempo and keyboard), with SoX as the independent
# reader of what the editor writes.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export QT_QPA_PLATFORM=offscreen # the run's own clipboard, whatever display there is
run() { "$wtomuka" --batch --ini "$tmp/w.ini" "$@"; }
# Largest absolute sample of FILE [from FRAME for FRAMES], as SoX's stat gives it (0..1).
peak() { sox "$1" -n ${2:+trim "$2"s "$3"s} stat 2>&1 | awk '/Maximum amplitude/ { max = $3 } /Minimum amplitude/ { min = -$3 } END { print (max > min) ? max : min }'; }
near() { awk -v a="$1" -v b="$2" -v tol="$3" 'BEGIN { exit !(a - b < tol && b - a < tol) }' || { echo "$1 is not $2 within $3" >&2; exit 1; }; }

# 44100 Hz 16-bit stereo: a 100 ms sine without FM (4410 frames at 70 %: 22936), 50 ms of noise
# at 100 % (2205 frames, -32768..32512) and 20 ms of silence (882 frames), one after another.
run -e 'new 104=1 202=1 302=1' -e 'tone 105=100 110=0' -e 'white_noise 200=100 202=50' \
    -e 'insert_silence 200=20' -e "saveas $tmp/g.wav" -e info >"$tmp/info"
[ "$(soxi -s "$tmp/g.wav")" = $((4410 + 2205 + 882)) ]
grep -q "^cursor: $(((4410 + 2205 + 882) * 4))$" "$tmp/info"
grep -q "^selStart: $(((4410 + 2205) * 4))$" "$tmp/info"
near "$(peak "$tmp/g.wav" 0 4410)" "$(awk 'BEGIN { print 22933 / 32768 }')" 0.0002
near "$(peak "$tmp/g.wav" 4410 2205)" 1 0.0001
near "$(peak "$tmp/g.wav" 6615 882)" 0 0.00001

# The melody paste plays the clipboard's 440 Hz sine as a scale of quarter notes: 22050 frames
# each at tempo 120; a, the sixth, is 440 * 1.6818 Hz. The tempo is kept in the settings file.
sox -n -r 44100 -c 1 -b 16 "$tmp/sine.wav" synth 2 sine 440 vol 0.5
run -e "clipboard_load $tmp/sine.wav" -e 'new 104=1 202=1 301=1' \
    -e 'melody_paste 103=o4cdefgab 102=120' -e "saveas $tmp/scale.wav"
[ "$(soxi -s "$tmp/scale.wav")" = $((7 * 22050)) ]
# Rising zero crossings of the sixth note over its half second, times two.
freq=$(sox "$tmp/scale.wav" -t raw - trim $((5 * 22050))s 22050s | od -An -v -td2 -w2 |
    awk '{ if (NR > 1 && p < 0 && $1 >= 0) n++; p = $1 } END { print n * 2 }')
near "$freq" 740 6
grep -q '^tempo=120' "$tmp/w.ini"

# The keyboard by a click at a pixel ("X:Y"): clear, then the lowest white key, a quarter at
# tempo 60 (44100 frames).
run -e "clipboard_load $tmp/sine.wav" -e 'new 104=1 202=1 301=1' \
    -e 'melody_paste 132=1 110=3:60 101=60' -e "saveas $tmp/key.wav"
[ "$(soxi -s "$tmp/key.wav")" = 44100 ]
grep -q '^tempo=60' "$tmp/w.ini"

# A malformed melody stops with its message.
if run -e "clipboard_load $tmp/sine.wav" -e 'melody_paste 103=c4h' 2>"$tmp/err"; then
    echo "a malformed melody should fail" >&2
    exit 1
fi
grep -q "message: メロディペースト: メロディ記述が異常です" "$tmp/err"
echo "generators: ok"
