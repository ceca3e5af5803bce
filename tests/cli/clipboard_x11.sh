#!/usr/bin/env bash
# The desktop clipboard on a real X display (a private Xvfb): a copy in the editor is read back
# by another program (xclip) as a WAV file SoX reads with the same samples, and pasted by a
# second editor process; WAV data and a uri-list naming a .wav file, put on the clipboard by
# xclip, paste into the editor.
set -euo pipefail
wtomuka=$1
for tool in Xvfb xclip sox python3; do
    command -v "$tool" >/dev/null || { echo "clipboard_x11: $tool is not installed" >&2; exit 1; }
done

tmp=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$tmp"
}
trap cleanup EXIT

# The server picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -nolisten tcp -screen 0 320x240x24 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    sleep 0.1
done
[ -s "$tmp/display" ] || { echo "clipboard_x11: Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export XDG_RUNTIME_DIR=$tmp/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

run() { "$wtomuka" --batch --ini "$tmp/w.ini" "$@"; }
samples() { sox -D "$1" -t raw - "${@:2}" | od -An -v -td2 -w2; }
same() { # FILE_A FILE_B [SOX EFFECT OF B...]
    cmp <(samples "$1") <(samples "$2" "${@:3}") || { echo "$1 differs from $2 ${*:3}" >&2; exit 1; }
}
owner_offers() { xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qx "$1"; }

sox -n -r 22050 -c 2 -b 16 "$tmp/a.wav" synth 0.5 sine 440 sine 660 vol 0.4

# 1. The editor copies frames 100..5100 and keeps the clipboard until another program takes it.
run -e "open $tmp/a.wav" -e "select 100 5100" -e copy -e "clipboard_hold 60" 2>"$tmp/holder.err" &
holder=$!
pids+=("$holder")
for _ in $(seq 200); do
    owner_offers audio/wav && break
    sleep 0.1
done
for type in audio/wav audio/x-wav audio/vnd.wave; do
    owner_offers "$type" || { echo "the copy does not offer $type" >&2; exit 1; }
done
xclip -selection clipboard -t audio/wav -o >"$tmp/read.wav"
[ "$(soxi -r "$tmp/read.wav") $(soxi -c "$tmp/read.wav") $(soxi -s "$tmp/read.wav")" = "22050 2 5000" ]
same "$tmp/read.wav" "$tmp/a.wav" trim 100s 5000s
xclip -selection clipboard -t audio/x-wav -o | cmp - "$tmp/read.wav"

# 2. A second editor, another process, pastes what the first copied.
run -e "new 103=1 202=1 302=1" -e paste -e "saveas $tmp/second.wav"
same "$tmp/second.wav" "$tmp/a.wav" trim 100s 5000s

# 3. Another program takes the clipboard with WAV data of its own: an 18-byte "fmt " chunk and a
#    LIST chunk before the samples, 11025 Hz 16-bit mono. The holding editor lets go and ends.
sox -n -r 11025 -c 1 -b 16 -t raw "$tmp/c.raw" synth 0.3 sine 300 vol 0.5
python3 - "$tmp/c.raw" "$tmp/c.wav" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
fmt = struct.pack("<HHIIHHH", 1, 1, 11025, 22050, 2, 16, 0)
info = b"INFOISFT" + struct.pack("<I", 5) + b"xclip\0"
body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
body += b"LIST" + struct.pack("<I", len(info)) + info
body += b"data" + struct.pack("<I", len(data)) + data
open(sys.argv[2], "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
PY
xclip -quiet -selection clipboard -t audio/wav -i "$tmp/c.wav" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do
    kill -0 "$holder" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$holder" 2>/dev/null; then
    echo "the editor kept holding the clipboard after another program took it" >&2
    exit 1
fi
wait "$holder"
run -e "new 102=1 202=1 301=1" -e paste -e "saveas $tmp/pasted.wav" -e info >"$tmp/info"
grep -qx "byteLength: $(stat -c %s "$tmp/c.raw")" "$tmp/info"
same "$tmp/pasted.wav" "$tmp/c.wav"

# 4. A file copied in a file manager: a uri-list naming one local .wav file.
printf 'file://%s\r\n' "$tmp/a.wav" | xclip -quiet -selection clipboard -t text/uri-list -i \
    2>/dev/null &
pids+=($!)
for _ in $(seq 100); do
    owner_offers text/uri-list && break
    sleep 0.1
done
run -e "new 103=1 202=1 302=1" -e paste -e "saveas $tmp/from-file.wav"
same "$tmp/from-file.wav" "$tmp/a.wav"
echo "clipboard_x11: ok"
