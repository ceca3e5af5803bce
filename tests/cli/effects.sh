#!/usr/bin/env bash
# The level effects run by name in batch mode on real WAV files, checked against SoX doing the
# same job where SoX has one, and against the file's own numbers where it has not.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

run() { "$wtomuka" --batch --ini "$tmp/w.ini" "$@"; }
# The 16-bit samples of a WAV file, one per line, channels interleaved.
samples() { sox "$1" -t s16 - | od -An -v -td2 -w2; }
# The largest difference between the samples of two files.
maxdiff() {
    paste <(samples "$1") <(samples "$2") |
        awk '{ d = $1 - $2; if (d < 0) d = -d; if (d > m) m = d } END { print m + 0 }'
}
peak() { samples "$1" | awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }'; }
fail() {
    echo "effects: $*" >&2
    exit 1
}
expect_diff_at_most() { # LIMIT A B WHAT
    local d
    d=$(maxdiff "$2" "$3")
    [ "$d" -le "$1" ] || fail "$4: differs by $d (at most $1 expected)"
}

# Two seconds of stereo tones at 40 % and a mono one with a DC offset.
sox -n -r 44100 -b 16 -c 2 "$tmp/in.wav" synth 2 sine 440 sine 1000 vol 0.4
sox -n -r 22050 -b 16 -c 1 "$tmp/mono.wav" synth 1 sine 300 vol 0.3 dcshift 0.2
# The input as the editor writes it back unchanged: the reference for byte comparisons.
run -e "open $tmp/in.wav" -e "saveas $tmp/copy.wav"
[ "$(samples "$tmp/copy.wav" | md5sum)" = "$(samples "$tmp/in.wav" | md5sum)" ] ||
    fail "open and save as changed the samples"

# Volume 50 % (scroll bar 200) and SoX's vol 0.5: ours truncates, SoX rounds.
run -e "open $tmp/in.wav" -e 'volume 200=50' -e "saveas $tmp/vol.wav"
sox -D "$tmp/in.wav" "$tmp/vol-sox.wav" vol 0.5
expect_diff_at_most 1 "$tmp/vol.wav" "$tmp/vol-sox.wav" "volume 50 %"

# Typed values are clamped: 500 % is 200 %, without the limiter the doubled tone just fits.
run -e "open $tmp/in.wav" -e 'volume 201=500 204=0' -e "saveas $tmp/vol2.wav"
sox -D "$tmp/in.wav" "$tmp/vol2-sox.wav" vol 2
expect_diff_at_most 1 "$tmp/vol2.wav" "$tmp/vol2-sox.wav" "volume 200 %"

# Normalize brings the loudest sample to full scale.
run -e "open $tmp/in.wav" -e normalize -e "saveas $tmp/norm.wav"
[ "$(peak "$tmp/norm.wav")" = 32767 ] || fail "normalize peaks at $(peak "$tmp/norm.wav")"

# Reverse and phase inversion are exact.
run -e "open $tmp/in.wav" -e reverse -e "saveas $tmp/rev.wav"
sox "$tmp/in.wav" "$tmp/rev-sox.wav" reverse
expect_diff_at_most 0 "$tmp/rev.wav" "$tmp/rev-sox.wav" "reverse"
run -e "open $tmp/in.wav" -e phase_invert -e "saveas $tmp/inv.wav"
sox -D "$tmp/in.wav" "$tmp/inv-sox.wav" vol -1
expect_diff_at_most 0 "$tmp/inv.wav" "$tmp/inv-sox.wav" "phase inversion"

# A linear fade in over the whole sound, as SoX's "fade t".
run -e "open $tmp/in.wav" -e fade_in -e "saveas $tmp/fade.wav"
sox -D "$tmp/in.wav" "$tmp/fade-sox.wav" fade t 2
expect_diff_at_most 2 "$tmp/fade.wav" "$tmp/fade-sox.wav" "fade in"

# Silence on a selection only (frames 100..200).
run -e "open $tmp/in.wav" -e 'select 100 200' -e silence -e "saveas $tmp/sil.wav"
sox "$tmp/sil.wav" "$tmp/sil-part.wav" trim 100s 100s
[ "$(peak "$tmp/sil-part.wav")" = 0 ] || fail "silence left sound in the selection"
sox "$tmp/sil.wav" "$tmp/sil-after.wav" trim 200s
sox "$tmp/in.wav" "$tmp/in-after.wav" trim 200s
expect_diff_at_most 0 "$tmp/sil-after.wav" "$tmp/in-after.wav" "silence outside the selection"

# DC removal takes the offset away: the mean of the second half is close to zero.
run -e "open $tmp/mono.wav" -e dc_remove -e "saveas $tmp/dc.wav"
mean=$(sox "$tmp/dc.wav" -n trim 0.5 stat 2>&1 | awk '/Mean +amplitude/ { print $3 }')
awk -v m="$mean" 'BEGIN { exit !(m < 0.002 && m > -0.002) }' || fail "DC removal left a mean of $mean"

# Undo restores every sample; Cancel changes nothing.
run -e "open $tmp/in.wav" -e fade_out -e undo -e 'volume 200=10 cancel' -e "saveas $tmp/undo.wav"
cmp -s "$tmp/undo.wav" "$tmp/copy.wav" || fail "undo or cancel left a change"

# The pan pot on a mono sound asks first; Cancel there ends the command undone, which stops
# the run at that line. OK goes on with the pan ignored.
if run -e "open $tmp/mono.wav" -e 'answer cancel' -e 'volume 202=30 200=50' 2>"$tmp/err"; then
    fail "a volume command cancelled at the mono question must fail the run"
fi
grep -qF 'message: 音量: このデータはモノラルデータです。\nパンポットの設定は無視されます。' "$tmp/err" ||
    fail "no mono question: $(cat "$tmp/err")"
grep -qF 'volume 202=30 200=50: the command did not succeed' "$tmp/err" ||
    fail "the cancelled line is not named: $(cat "$tmp/err")"
run -e "open $tmp/mono.wav" -e 'volume 202=30 200=50' -e "saveas $tmp/m2.wav" 2>/dev/null
sox -D "$tmp/mono.wav" "$tmp/m2-sox.wav" vol 0.5
expect_diff_at_most 1 "$tmp/m2.wav" "$tmp/m2-sox.wav" "mono volume with the pan ignored"

echo "effects: ok"
