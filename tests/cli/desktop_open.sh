#!/usr/bin/env bash
# A file opened from a file manager: the desktop entry starts "wtomuka %f", the file's path as
# one argument, which may hold blanks, Japanese, or bytes that are not UTF-8. The real editor
# runs on a private X server; its caption names the file and the waveform shows the sound.
# The first picture is the README's screenshot: artifacts/screenshot.png in the build folder
# (docs/screenshot.png is a copy of it).
set -euo pipefail
wtomuka=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
artifacts=$(dirname "$wtomuka")/artifacts
mkdir -p "$artifacts"

# Pixels of the waveform's colour (pure green) in a picture.
green_pixels() {
    convert "$1" -depth 8 rgb:- | python3 -c '
import sys
data = sys.stdin.buffer.read()
print(sum(1 for i in range(0, len(data) - 2, 3) if data[i:i + 3] == b"\x00\xff\x00"))'
}

# 6.2 s of 16-bit stereo, two tones under a slow swell: at the start-up zoom (1/256) it
# fills the 640-pixel window drawn with lines.
folder="$tmp/音 の フォルダ"
mkdir -p "$folder"
sound="$folder/和音.wav"
sox -n -r 22050 -c 2 -b 16 "$sound" synth 6.2 sine 220 sine 330 synth 6.2 sine amod 0.7 60 \
    fade h 0.8 6.2 1.8 vol 0.9
printf '[Options]\ndispmode=1\n[Position]\nwidth=640\nheight=300\n' >"$tmp/shot.ini"

# Under a loaded machine (sanitizers, parallel tests) the window may take longer to load the file
# and draw it: each capture is retried with a longer wait before it counts as a failure.
capture() { # OUT.png FILE INI MIN_GREEN -> prints the caption line, fails if never drawn
    local wait out green
    for wait in 3 8 20; do
        out=$(WTOMUKA=$wtomuka INI=$3 WINDOW_ONLY=1 WAIT_SECONDS=$wait "$here/tools/screenshot.sh" \
            "$1" "$2")
        green=$(green_pixels "$1")
        if [ "$green" -ge "$4" ] && grep -q '^title: WaveTomuka -\[.*/' <<<"$out"; then
            grep '^title:' <<<"$out"
            return 0
        fi
    done
    echo "$2 was not opened and drawn ($green green pixels; $out)" >&2
    return 1
}

# The swell covers most of both channel strips: tens of thousands of green pixels.
title=$(capture "$artifacts/screenshot.png" "$sound" "$tmp/shot.ini" 20000)
grep -qxF "title: WaveTomuka -[$sound]" <<<"$title" || {
    echo "caption does not name the file: $title" >&2
    exit 1
}

# A name in Latin-1 ("café.wav" with the single byte E9), as older archives hold them, reaches
# the file system unchanged and opens.
latin="$tmp/caf"$'\xe9'".wav"
cp "$sound" "$latin"
printf '[Options]\ndispmode=1\n' >"$tmp/latin.ini"
capture "$tmp/latin.png" "$latin" "$tmp/latin.ini" 5000 >/dev/null
echo "desktop_open: ok"
