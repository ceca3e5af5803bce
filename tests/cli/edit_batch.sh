#!/usr/bin/env bash
# Range edits, format conversion and the clipboard verbs in batch mode (its own clipboard),
# with SoX as the independent reader of what the editor writes.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export QT_QPA_PLATFORM=offscreen # the run's own clipboard, whatever display there is
run() { "$wtomuka" --batch --ini "$tmp/w.ini" "$@"; }
samples() { sox -D "$1" -t raw - "${@:2}" | od -An -v -td2 -w2; }
same() { # FILE_A FILE_B [SOX EFFECT OF B...]
    cmp <(samples "$1") <(samples "$2" "${@:3}") || { echo "$1 differs from $2 ${*:3}" >&2; exit 1; }
}

# One second of 16-bit stereo at 22050 Hz, below half scale.
sox -n -r 22050 -c 2 -b 16 "$tmp/a.wav" synth 1 sine 440 sine 660 vol 0.4

# Nothing on the clipboard: clipboard_save fails and names the line.
if run -e "clipboard_save $tmp/none.wav" 2>"$tmp/err"; then
    echo "clipboard_save with an empty clipboard should fail" >&2
    exit 1
fi
grep -q "clipboard_save $tmp/none.wav: the clipboard holds no wave data" "$tmp/err"

# Copy puts exactly the selected frames on the clipboard; crop keeps them; cut and paste at
# the same place gives the sound back.
run -e "open $tmp/a.wav" -e "select 1000 3000" -e copy -e "clipboard_save $tmp/clip.wav" \
    -e crop -e "saveas $tmp/crop.wav"
same "$tmp/clip.wav" "$tmp/a.wav" trim 1000s 2000s
same "$tmp/crop.wav" "$tmp/a.wav" trim 1000s 2000s
run -e "open $tmp/a.wav" -e "select 1000 3000" -e cut -e paste -e "saveas $tmp/back.wav"
same "$tmp/back.wav" "$tmp/a.wav"
# The same at 48000 Hz, a rate the converter once refused.
sox -n -r 48000 -c 2 -b 16 "$tmp/b.wav" synth 0.5 sine 440 vol 0.4
run -e "open $tmp/b.wav" -e "select 1000 3000" -e cut -e paste -e "saveas $tmp/b-back.wav"
same "$tmp/b-back.wav" "$tmp/b.wav"
run -e "open $tmp/a.wav" -e "select 0 21050" -e delete -e "saveas $tmp/tail.wav"
same "$tmp/tail.wav" "$tmp/a.wav" trim 21050s

# Mixing the sound onto itself doubles every sample (nothing reaches full scale).
run -e "open $tmp/a.wav" -e "select all" -e copy -e "cursor 0" -e mix_paste -e "saveas $tmp/mix.wav"
same "$tmp/mix.wav" "$tmp/a.wav" vol 2

# A file loaded onto the clipboard and pasted into a new, empty window gives the window its
# format and every sample as it is.
run -e "clipboard_load $tmp/a.wav" -e "new 101=1 201=1 301=1" -e paste -e "saveas $tmp/whole.wav"
[ "$(soxi -r "$tmp/whole.wav") $(soxi -b "$tmp/whole.wav") $(soxi -c "$tmp/whole.wav")" = "22050 16 2" ]
same "$tmp/whole.wav" "$tmp/a.wav"

# Once the window has been changed (an empty gap inserted), paste converts to the document's
# format: 8000 Hz, 8 bits, mono is 8000 frames for each second.
run -e "clipboard_load $tmp/a.wav" -e "new 101=1 201=1 301=1" -e "insert_silence 201=0" \
    -e paste -e "saveas $tmp/conv.wav"
[ "$(soxi -r "$tmp/conv.wav") $(soxi -b "$tmp/conv.wav") $(soxi -c "$tmp/conv.wav")" = "8000 8 1" ]
[ "$(soxi -s "$tmp/conv.wav")" = 8000 ]

# change_format converts the whole sound the same way.
run -e "open $tmp/a.wav" -e "change_format 101=1 201=1 301=1" -e "saveas $tmp/changed.wav" \
    -e info >"$tmp/info"
cmp "$tmp/conv.wav" "$tmp/changed.wav"
grep -q "^status0: 8000Hz 8Bits Mono$" "$tmp/info"

# An image the editor cannot use is refused with a message, and the line fails.
head -c 30 "$tmp/a.wav" >"$tmp/short.wav"
if run -e "clipboard_load $tmp/short.wav" -e paste 2>"$tmp/err"; then
    echo "pasting a broken image should fail" >&2
    exit 1
fi
grep -q "message: ペースト: データ形式が違います" "$tmp/err"
echo "edit_batch: ok"
