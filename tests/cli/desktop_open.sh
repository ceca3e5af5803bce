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

out=$(WTOMUKA=$wtomuka INI=$tmp/shot.ini WINDOW_ONLY=1 "$here/tools/screenshot.sh" \
    "$artifacts/screenshot.png" "$sound")
grep -qxF "title: WaveTomuka -[$sound]" <<<"$out" || {
    echo "caption does not name the file: $out" >&2
    exit 1
}
green=$(green_pixels "$artifacts/screenshot.png")
# The swell covers most of both channel strips: tens of thousands of green pixels.
if [ "$green" -lt 20000 ]; then
    echo "the waveform is not drawn ($green green pixels)" >&2
    exit 1
fi

# A name in Latin-1 ("café.wav" with the single byte E9), as older archives hold them, reaches
# the file system unchanged and opens.
latin="$tmp/caf"$'\xe9'".wav"
cp "$sound" "$latin"
printf '[Options]\ndispmode=1\n' >"$tmp/latin.ini"
WTOMUKA=$wtomuka INI=$tmp/latin.ini WINDOW_ONLY=1 WAIT_SECONDS=2 "$here/tools/screenshot.sh" \
    "$tmp/latin.png" "$latin" >/dev/null
green=$(green_pixels "$tmp/latin.png")
if [ "$green" -lt 5000 ]; then
    echo "the Latin-1 name did not open ($green green pixels)" >&2
    exit 1
fi
echo "desktop_open: ok"
