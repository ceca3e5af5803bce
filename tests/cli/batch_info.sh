#!/usr/bin/env bash
# The executable's batch mode: the status texts of the empty sound, the exit status, and a
# settings file of its own.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

out=$("$wtomuka" --batch --ini "$tmp/w.ini" -e info)
grep -qx 'status0: 22050Hz 8Bits Mono' <<<"$out"
grep -qx 'status1: 0 Bytes' <<<"$out"
grep -qx 'caption: WaveTomuka -\[無題\]' <<<"$out"

# Lines from standard input after the -e lines; a bad line fails the run and is named.
if printf 'info\nno_such_command\n' | "$wtomuka" --batch --ini "$tmp/w.ini" - 2>"$tmp/err" >/dev/null; then
    echo "a failing line must make the exit status 1" >&2
    exit 1
fi
grep -q 'stdin:2: no_such_command' "$tmp/err"

# A script that cannot be read fails the run: /dev/zero, whose one line never ends, before any
# line runs; standard input that is a folder after the -e line ran.
unreadable() {
    if "$wtomuka" --batch --ini "$tmp/w.ini" -e info "$@" >"$tmp/out" 2>"$tmp/err"; then
        echo "an unreadable script ($*) must make the exit status 1" >&2
        exit 1
    fi
}
unreadable - <"$tmp"
grep -qx 'error: cannot read stdin' "$tmp/err"
grep -qx 'status1: 0 Bytes' "$tmp/out"
unreadable /dev/zero
grep -qx 'error: /dev/zero:1: line longer than 1048576 bytes' "$tmp/err"
[ ! -s "$tmp/out" ] || { echo "a line ran although /dev/zero could not be read" >&2; exit 1; }

# Standard input runs each line as it arrives and flushes what it printed: a program can
# talk with the run through a pipe, reading the answer to one line before writing the next.
coproc run { "$wtomuka" --batch --ini "$tmp/w.ini" -; }
echo 'new 104=1 202=1 302=1' >&"${run[1]}"
echo info >&"${run[1]}"
read -r -t 60 first <&"${run[0]}" || true
[ "${first:-}" = 'status0: 44100Hz 16Bits Stereo' ] || { echo "no answer to info: ${first:-}" >&2; exit 1; }
echo exit >&"${run[1]}"
wait "$run_PID"

# A new stereo 16-bit sound, then the status bar tells its format.
out=$("$wtomuka" --batch --ini "$tmp/w.ini" -e 'new 104=1 202=1 302=1' -e info)
grep -qx 'status0: 44100Hz 16Bits Stereo' <<<"$out"
echo "batch_info: ok"
