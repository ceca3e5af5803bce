#!/usr/bin/env bash
# The batch "paint" verb: the waveform window saved as PNG and read back by an independent
# decoder (Python's zlib), pixel by pixel.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Two seconds of 16-bit stereo at 8000 Hz: a 3 Hz and a 5 Hz sine.
sox -n -r 8000 -c 2 -b 16 "$tmp/8000-2-16.wav" synth 2 sine 3 sine 5 vol 0.8
"$wtomuka" --batch --ini "$tmp/w.ini" -e "open $tmp/8000-2-16.wav" -e "select 4000 8000" \
    -e "paint $tmp/default.png" -e "paint $tmp/small.png 500x200"

python3 - "$tmp" <<'PY'
import struct, sys, zlib

def read_png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        crc = struct.unpack(">I", data[at + 8 + length:at + 12 + length])[0]
        assert zlib.crc32(kind + body) == crc, kind
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert (depth, colour) == (8, 2)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 3 + 1
    assert len(raw) == stride * height
    rows = [raw[y * stride + 1:(y + 1) * stride] for y in range(height)]
    return width, height, lambda x, y: tuple(rows[y][3 * x:3 * x + 3])

tmp = sys.argv[1]
w, h, px = read_png(tmp + "/default.png")
assert (w, h) == (640, 240), (w, h)
w, h, px = read_png(tmp + "/small.png")
assert (w, h) == (500, 200), (w, h)

FACE, SHADOW, HIGHLIGHT = (212, 208, 200), (128, 128, 128), (255, 255, 255)
BLACK, GREEN, BLUE = (0, 0, 0), (0, 255, 0), (0, 0, 255)
# Ruler band 16 + 10 (the batch host's font): the area is x 48..483, y 8..173, two strips
# of 83 rows with their zero lines at 49 and 132.
assert px(10, 3) == FACE
assert px(47, 7) == SHADOW and px(47, 100) == SHADOW
assert px(484, 100) == HIGHLIGHT and px(200, 174) == HIGHLIGHT
assert px(300, 49) == BLUE and px(300, 132) == BLUE, (px(300, 49), px(300, 132))
assert px(300, 30) == BLACK
# The separator between the strips: highlight, face band, shadow around y = 91.
assert [px(300, y) for y in range(89, 94)] == [HIGHLIGHT, FACE, FACE, FACE, SHADOW]
# Samples in both strips, only in the 62 columns the two seconds cover at 1/256.
def green_in(x0, x1, y0, y1):
    return any(px(x, y) == GREEN for x in range(x0, x1) for y in range(y0, y1))
assert green_in(48, 110, 8, 89) and green_in(48, 110, 94, 174)
assert not green_in(112, 484, 8, 174)
# Frames 4000..8000 selected: columns 15..30 inverted (x 63..78), where black shows white.
for x in range(48, 484):
    inverted = any(px(x, y) == (255, 255, 255) for y in range(8, 89))
    assert inverted == (63 <= x < 79), x
# "L" and "R" in the label column, ruler labels below the time axis.
assert any(px(x, y) == BLACK for x in range(0, 40) for y in range(8, 90))
assert any(px(x, y) == BLACK for x in range(0, 40) for y in range(92, 174))
assert px(100, 182) == BLACK and px(100, 181) == FACE  # the time axis at area bottom + 8
assert any(px(x, y) == BLACK for x in range(48, 60) for y in range(186, 200))
print("view_paint: pixels ok")
PY

# Bad sizes and unwritable paths fail the line and the run.
for line in "paint $tmp/x.png 0x100" "paint $tmp/x.png 100" "paint $tmp/x.png 9000x10" "paint" \
    "paint $tmp/no-such-folder/x.png"; do
    if "$wtomuka" --batch --ini "$tmp/w.ini" -e "$line" 2>"$tmp/err"; then
        echo "\"$line\" should have failed" >&2
        exit 1
    fi
    grep -q "error: -e: $line" "$tmp/err"
done
echo "view_paint: ok"
