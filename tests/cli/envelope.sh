#!/usr/bin/env bash
# The envelope effects by name in batch mode on real WAV files, with the points given as text
# and drawn with the mouse, checked against SoX and against the files' own numbers.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

run() { "$wtomuka" --batch --ini "$tmp/w.ini" "$@"; }
# The 16-bit samples of a WAV file, one per line, channels interleaved.
samples() { sox "$1" -t s16 - | od -An -v -td2 -w2; }
maxdiff() {
    paste <(samples "$1") <(samples "$2") |
        awk '{ d = $1 - $2; if (d < 0) d = -d; if (d > m) m = d } END { print m + 0 }'
}
fail() {
    echo "envelope: $*" >&2
    exit 1
}
expect_diff_at_most() { # LIMIT A B WHAT
    local d
    d=$(maxdiff "$2" "$3")
    [ "$d" -le "$1" ] || fail "$4: differs by $d (at most $1 expected)"
}
expect_frames() { # FILE COUNT WHAT
    local n
    n=$(soxi -s "$1")
    [ "$n" = "$2" ] || fail "$3: $n frames, $2 expected"
}
expect_failure() { # TEXT LINE...: the run fails and says TEXT on standard error
    local text=$1
    shift
    if run "$@" 2>"$tmp/err"; then
        fail "$* succeeded"
    fi
    grep -qF -- "$text" "$tmp/err" || fail "$*: no \"$text\" in: $(cat "$tmp/err")"
}

# One second of stereo tones at 40 % and a mono one.
sox -n -r 22050 -b 16 -c 2 "$tmp/in.wav" synth 1 sine 440 sine 1000 vol 0.4
sox -n -r 22050 -b 16 -c 1 "$tmp/mono.wav" synth 1 sine 300 vol 0.3

# Ends at 256 double every sample, as SoX's vol 2 (the tones still fit).
run -e "open $tmp/in.wav" -e 'envelope 110=0:256,256:256' -e "saveas $tmp/double.wav"
sox -D "$tmp/in.wav" "$tmp/double-sox.wav" vol 2
expect_diff_at_most 1 "$tmp/double.wav" "$tmp/double-sox.wav" "volume envelope at 256"

# The pan envelope flat at 256: the left channel doubled, the right one silent.
run -e "open $tmp/in.wav" -e 'pan_envelope 110=0:256,256:256' -e "saveas $tmp/pan.wav"
sox -D "$tmp/in.wav" "$tmp/pan-sox.wav" remix 1v2 0
expect_diff_at_most 1 "$tmp/pan.wav" "$tmp/pan-sox.wav" "pan envelope at 256"

# The pitch envelope flat at 0 is twice as long, at 256 half as long, flat at 128 unchanged.
run -e "open $tmp/in.wav" -e 'pitch_envelope 110=0:0,256:0' -e "saveas $tmp/down.wav"
expect_frames "$tmp/down.wav" 44100 "pitch envelope at 0"
run -e "open $tmp/mono.wav" -e 'pitch_envelope 110=0:256,256:256' -e "saveas $tmp/up.wav"
expect_frames "$tmp/up.wav" 11025 "pitch envelope at 256"
run -e "open $tmp/in.wav" -e pitch_envelope -e "saveas $tmp/same.wav"
expect_diff_at_most 0 "$tmp/same.wav" "$tmp/in.wav" "flat pitch envelope"

# Drawing as a user would, in the area's 285 x 111 pixels: a press on the line half-way
# ((142, 56) is 127:127) adds 127:128, dragged to (142, 10), which is 127:233; the left end
# point, grabbed at (0, 56), goes down to (0, 110), which is y 3.
run -e "open $tmp/in.wav" -e envelope_dialog -e 'mouse down 142 56' -e 'mouse move 142 10' \
    -e 'mouse up 142 10' -e 'mouse down 0 56' -e 'mouse move 0 110' -e 'mouse up 0 110' \
    -e points -e ok -e "saveas $tmp/drawn.wav" >"$tmp/out"
[ "$(cat "$tmp/out")" = "points: 0:3,127:233,256:128" ] || fail "drawn points: $(cat "$tmp/out")"
run -e "open $tmp/in.wav" -e 'envelope 110=0:3,127:233,256:128' -e "saveas $tmp/typed.wav"
expect_diff_at_most 0 "$tmp/drawn.wav" "$tmp/typed.wav" "drawn and typed envelopes"

# Cancel changes no sample but keeps the drawing for the next time in the same run.
run -e "open $tmp/mono.wav" -e 'envelope_dialog pitch_envelope' -e 'mouse down 142 56' \
    -e cancel -e 'envelope_dialog pitch_envelope' -e points -e cancel \
    -e "saveas $tmp/cancelled.wav" >"$tmp/out"
[ "$(cat "$tmp/out")" = "points: 0:128,127:128,256:128" ] || fail "kept points: $(cat "$tmp/out")"
expect_diff_at_most 0 "$tmp/cancelled.wav" "$tmp/mono.wav" "cancelled pitch envelope"

# Refusals name the problem and fail the run.
expect_failure "message: パンエンベロープ: この機能はステレオデータの場合のみ使用できます" \
    -e "open $tmp/mono.wav" -e pan_envelope
expect_failure "control 110: the last point is at x 300, not 256" \
    -e "open $tmp/in.wav" -e 'envelope 110=0:128,300:128'
expect_failure "control 110: point 2: y 257 is not 0 to 256" \
    -e "open $tmp/in.wav" -e 'pan_envelope 110=0:0,256:257'
expect_failure "mouse down|move|up X Y" -e "open $tmp/in.wav" -e envelope_dialog -e 'mouse 1 2'
expect_failure "expected mouse down|move|up X Y, points, ok or cancel" \
    -e "open $tmp/in.wav" -e envelope_dialog -e info
expect_failure "still open at the end of the input" -e "open $tmp/in.wav" -e envelope_dialog \
    -e 'mouse down 1 1'
echo "envelope: all checks passed"
