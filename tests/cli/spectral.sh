#!/usr/bin/env bash
# The spectral effects run by name in batch mode on real WAV files: unity settings give the
# sound back, a moved band or the high-pass changes the level that SoX measures, and the two
# commands without a menu entry run by their verbs.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

run() { "$wtomuka" --batch --ini "$tmp/w.ini" "$@"; }
samples() { sox "$1" -t s16 - | od -An -v -td2 -w2; }
maxdiff() {
    paste <(samples "$1") <(samples "$2") |
        awk '{ d = $1 - $2; if (d < 0) d = -d; if (d > m) m = d } END { print m + 0 }'
}
# RMS level in dB of one channel (1 or 2), from SoX's statistics.
rms_db() {
    sox "$1" -n remix "$2" stat 2>&1 |
        awk '/RMS +amplitude/ { printf "%.2f\n", 20 * log($3) / log(10) }'
}
fail() {
    echo "spectral: $*" >&2
    exit 1
}
expect_diff_at_most() { # LIMIT A B WHAT
    local d
    d=$(maxdiff "$2" "$3")
    [ "$d" -le "$1" ] || fail "$4: differs by $d (at most $1 expected)"
}
expect_near() { # VALUE EXPECTED TOLERANCE WHAT
    awk -v v="$1" -v e="$2" -v t="$3" 'BEGIN { d = v - e; if (d < 0) d = -d; exit !(d <= t) }' ||
        fail "$4: $1 (expected $2 within $3)"
}

# Tones on bins 10 and 24 of a 1024-point block at 44100 Hz (about 431 and 1034 Hz), whole
# cycles in every block, quiet enough for 18 dB of gain.
sox -n -r 44100 -b 16 -c 2 "$tmp/in.wav" synth 2 sine 430.6640625 sine 1033.59375 vol 0.05
run -e "open $tmp/in.wav" -e "saveas $tmp/copy.wav"

# Unity settings: one step of truncation at most.
run -e "open $tmp/in.wav" -e equalizer -e "saveas $tmp/flat.wav"
expect_diff_at_most 1 "$tmp/flat.wav" "$tmp/copy.wav" "flat equalizer"
run -e "open $tmp/in.wav" -e 'parametric_eq 100=0 110=0 120=0' -e "saveas $tmp/off.wav"
expect_diff_at_most 1 "$tmp/off.wav" "$tmp/copy.wav" "parametric equalizer with every module off"
run -e "open $tmp/in.wav" -e 'noise_removal 200=0 202=0' -e "saveas $tmp/nr.wav"
expect_diff_at_most 0 "$tmp/nr.wav" "$tmp/copy.wav" "noise removal at strength 0"

# The 800 band (bins 14..26 at 44100 Hz) at the top: +18 dB on the right, the left (in the
# 400 band) as it was.
run -e "open $tmp/in.wav" -e 'equalizer 105=0' -e "saveas $tmp/eq.wav"
gain=$(awk -v a="$(rms_db "$tmp/eq.wav" 2)" -v b="$(rms_db "$tmp/in.wav" 2)" 'BEGIN { print a - b }')
expect_near "$gain" 18.06 0.5 "bin 24 through the raised 800 band"
expect_near "$(rms_db "$tmp/eq.wav" 1)" "$(rms_db "$tmp/in.wav" 1)" 0.1 "bin 10 two bands away"

# The same through a parametric module at 1000 Hz, +12 dB, one octave (the others off).
run -e "open $tmp/in.wav" -e 'parametric_eq 101=1000 103=12 105=12 110=0 120=0' \
    -e "saveas $tmp/peq.wav"
gain=$(awk -v a="$(rms_db "$tmp/peq.wav" 2)" -v b="$(rms_db "$tmp/in.wav" 2)" 'BEGIN { print a - b }')
expect_near "$gain" 12.04 0.5 "bin 24 through a +12 dB module"

# The high-pass keeps 15 kHz and drops 2 kHz on the left; the right stays; undo restores.
sox -n -r 44100 -b 16 -c 1 "$tmp/hi.wav" synth 2 sine 15000 vol 0.2
sox -n -r 44100 -b 16 -c 1 "$tmp/lo.wav" synth 2 sine 2000 vol 0.2
sox -M "$tmp/hi.wav" "$tmp/lo.wav" "$tmp/two.wav" remix -m 1,2 2
run -e "open $tmp/two.wav" -e spectral_high_pass -e "saveas $tmp/hp.wav"
expect_near "$(rms_db "$tmp/hp.wav" 1)" "$(rms_db "$tmp/hi.wav" 1)" 0.5 "15 kHz after the high-pass"
sox "$tmp/hp.wav" "$tmp/hp-right.wav" remix 2
sox "$tmp/two.wav" "$tmp/two-right.wav" remix 2
expect_diff_at_most 0 "$tmp/hp-right.wav" "$tmp/two-right.wav" "the high-pass on the right channel"
run -e "open $tmp/two.wav" -e spectral_high_pass -e undo -e "saveas $tmp/undo.wav"
run -e "open $tmp/two.wav" -e "saveas $tmp/two-copy.wav"
cmp -s "$tmp/undo.wav" "$tmp/two-copy.wav" || fail "undo after the high-pass left a change"

# The vocoder replaces the left with its output and leaves the right silent.
sox -n -r 22050 -b 16 -c 2 "$tmp/short.wav" synth 0.2 sine 300 sine 500 vol 0.5
run -e "open $tmp/short.wav" -e vocoder -e "saveas $tmp/voc.wav"
right=$(sox "$tmp/voc.wav" -n remix 2 stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
[ "$right" = "0.000000" ] || fail "the vocoder left $right on the right channel"
if run -e "open $tmp/short.wav" -e 'vocoder 1=2' 2>"$tmp/err"; then
    fail "the vocoder took values"
fi
grep -qF 'usage: vocoder' "$tmp/err" || fail "no usage for the vocoder: $(cat "$tmp/err")"

echo "spectral: ok"
