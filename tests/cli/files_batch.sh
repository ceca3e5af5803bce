#!/usr/bin/env bash
# The file commands end to end in batch mode: open, save as in each format, save, new and
# undo, the recent files, and the messages of files that cannot be read or written.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
ini="$tmp/w.ini"

run() { "$wtomuka" --batch --ini "$ini" "$@"; }
fail() {
    echo "files_batch: $*" >&2
    exit 1
}
expect_line() { grep -qxF -- "$1" <<<"$2" || fail "missing line \"$1\" in: $2"; }
size_of() { stat -c %s "$1"; }
magic_of() { head -c 4 "$1"; }

# 4 frames of 16-bit stereo at 8000 Hz, written byte by byte.
printf 'RIFF\x34\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00\x40\x1f\x00\x00' >"$tmp/in.wav"
printf '\x00\x7d\x00\x00\x04\x00\x10\x00data\x10\x00\x00\x00' >>"$tmp/in.wav"
printf '\x00\x10\x00\xf0\xff\x7f\x00\x80\x34\x12\xcc\xed\x00\x00\x01\x00' >>"$tmp/in.wav"

# Open, describe, save as AIFF through the third filter.
out=$(run -e "open $tmp/in.wav" -e info -e "saveas $tmp/out.aiff filter=3" -e info)
expect_line 'status0: 8000Hz 16Bits Stereo' "$out"
expect_line 'status1: 16 Bytes' "$out"
expect_line "caption: WaveTomuka -[$tmp/in.wav]" "$out"
expect_line 'fileType: 1' "$out"
expect_line 'fileType: 3' "$out"
expect_line "caption: WaveTomuka -[$tmp/out.aiff]" "$out"
[[ $(magic_of "$tmp/out.aiff") == FORM ]] || fail "out.aiff is not AIFF"
[[ $(size_of "$tmp/out.aiff") == 70 ]] || fail "out.aiff: 54-byte header and 16 bytes expected"

# The AIFF file back, saved as AU under a name without extension: voice.au at 8000 Hz asks
# nothing; the AU file back again has the same length.
out=$(run -e "open $tmp/out.aiff" -e info -e "saveas $tmp/voice filter=2" -e "open $tmp/voice.au" -e info)
expect_line 'status0: 8000Hz 16Bits Stereo' "$out"
[[ $(grep -c '^status1: 16 Bytes$' <<<"$out") == 2 ]] || fail "AU round trip changed the length: $out"
[[ $(magic_of "$tmp/voice.au") == .snd ]] || fail "voice.au is not AU"
[[ $(size_of "$tmp/voice.au") == 40 ]] || fail "voice.au: 32-byte header and 8 codes expected"

# Save writes the WAV file it was opened from, unchanged.
cp "$tmp/in.wav" "$tmp/again.wav"
run -e "open $tmp/again.wav" -e save >/dev/null
cmp -s "$tmp/in.wav" "$tmp/again.wav" || fail "open and save changed the WAV file"

# New replaces the sound by an empty one of the chosen format; undo brings the old one back.
out=$(run -e "open $tmp/in.wav" -e "new 101=1 201=1 301=1" -e info -e undo -e info)
expect_line 'status0: 8000Hz 8Bits Mono' "$out"
expect_line 'status1: 0 Bytes' "$out"
expect_line 'caption: WaveTomuka -[無題]' "$out"
[[ $(tail -n 14 <<<"$out" | head -n 1) == 'status0: 8000Hz 16Bits Stereo' ]] || fail "undo after new: $out"

# The recent-files list: the last opened file is entry 1.
out=$(run -e "recent 1" -e info)
expect_line "caption: WaveTomuka -[$tmp/in.wav]" "$out"

# Undo after an open brings the old sound back under its own name: saving then writes that
# file, never the one opened last. A name typed with ".aiff" is saved as AIFF.
cp "$tmp/in.wav" "$tmp/b.wav"
out=$(run -e "open $tmp/out.aiff" -e "open $tmp/b.wav" -e undo -e info -e save)
expect_line "caption: WaveTomuka -[$tmp/out.aiff]" "$out"
cmp -s "$tmp/in.wav" "$tmp/b.wav" || fail "undo and save wrote over the file opened last"
run -e "open $tmp/in.wav" -e "saveas $tmp/typed.aiff" >/dev/null
[[ $(magic_of "$tmp/typed.aiff") == FORM ]] || fail "typed.aiff is not AIFF"

# Files that cannot be read, names that are not sound files, folders that cannot be written:
# the run fails and the message says why.
printf 'not a sound' >"$tmp/junk.wav"
if run -e "open $tmp/junk.wav" >/dev/null 2>"$tmp/err"; then fail "junk.wav opened"; fi
grep -qF 'message: ファイルを開く: データが異常です(RIFF)' "$tmp/err" || fail "$(cat "$tmp/err")"
if run -e "open $tmp/notes.txt" >/dev/null 2>"$tmp/err"; then fail "notes.txt opened"; fi
grep -qF 'message: WaveTomuka: この形式はサポートしていません' "$tmp/err" || fail "$(cat "$tmp/err")"
# An Ogg cut inside its header is refused with status 1, and says nothing more: in the sanitized
# build no leak report of the libraries it went through either.
run -e new -e tone -e "saveas $tmp/whole.ogg" >/dev/null
head -c 60 "$tmp/whole.ogg" >"$tmp/cut.ogg"
status=0
run -e "open $tmp/cut.ogg" >/dev/null 2>"$tmp/err" || status=$?
[[ $status == 1 ]] || fail "cut.ogg: status $status: $(cat "$tmp/err")"
grep -qF 'message: ファイルを開く: データが異常です(ヘッダー)' "$tmp/err" || fail "$(cat "$tmp/err")"
! grep -q Sanitizer "$tmp/err" || fail "cut.ogg: $(cat "$tmp/err")"
if run -e "open $tmp/in.wav" -e "saveas $tmp/no/such/dir/x.wav" >/dev/null 2>"$tmp/err"; then
    fail "saved into a missing folder"
fi
grep -qF "message: 保存: [$tmp/no/such/dir/x.wav]に書き込めません\\n保存先のフォルダーがありません" \
    "$tmp/err" || fail "$(cat "$tmp/err")"

# SoX, when present, reads what the editor wrote.
if command -v sox >/dev/null 2>&1; then
    [[ $(sox --i -r "$tmp/out.aiff") == 8000 ]] || fail "sox: rate of out.aiff"
    [[ $(sox --i -c "$tmp/voice.au") == 2 ]] || fail "sox: channels of voice.au"
    [[ $(sox --i -s "$tmp/voice.au") == 4 ]] || fail "sox: frames of voice.au"
fi
echo "files_batch: ok"
