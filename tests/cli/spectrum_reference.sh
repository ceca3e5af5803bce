#!/usr/bin/env bash
# The spectrum against an independent reference (numpy's FFT): a sweep from 100 Hz to 10 kHz,
# a 1 kHz tone with a 10 ms click, and white noise. The brightest bin of each frame follows
# the sweep within one bin, the click's frame shows it at high frequencies, and every value
# of "spectrum" agrees with the reference within 0.1 dB. The painted spectrogram shows the same:
# the brightest row of each column is the row of the reference's brightest bin (linear and
# logarithmic scales), and the click's columns stand out at 10.5 kHz.
set -euo pipefail
wtomuka=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python=/usr/bin/python3
[ -x "$python" ] || python=python3

make() {
    sox -V1 -D -n -r 44100 -b 16 -c 1 -e signed-integer "$tmp/$1.wav" synth "${@:2}"
}
make sweep 2 sine 100-10000 vol 0.5
make tone 1 sine 1000 vol 0.5
make click 0.01 whitenoise vol 0.5
make noise 2 whitenoise vol 0.5
sox -V1 -D "$tmp/tone.wav" "$tmp/click.wav" "$tmp/tone.wav" "$tmp/toneclick.wav"

# Frames every 0.1 s of each sound, at two analysis sizes.
for name in sweep toneclick noise; do
    for size in 2048 512; do
        lines=(-e "open $tmp/$name.wav")
        for frame in $(seq 2048 4410 80000) 44320; do
            lines+=(-e "spectrum $frame size=$size")
        done
        "$wtomuka" --batch --ini "$tmp/w.ini" "${lines[@]}" >"$tmp/$name.$size.txt"
    done
done

# The spectrogram as the window shows it at 1/256 (a column is half a hop: the nearest frame).
for scale in linear log; do
    "$wtomuka" --batch --ini "$tmp/w.ini" -e "open $tmp/sweep.wav" -e "zoom_1_256" \
        -e "view spectrogram scale=$scale" -e "paint 640x600 $tmp/sweep.$scale.png"
done
"$wtomuka" --batch --ini "$tmp/w.ini" -e "open $tmp/toneclick.wav" -e "zoom_1_256" \
    -e "view spectrogram scale=linear" -e "paint 640x600 $tmp/toneclick.png"

"$python" - "$tmp" <<'PY'
import struct, sys, wave, zlib
import numpy as np

tmp = sys.argv[1]
failures = []

def samples(name):
    with wave.open(f"{tmp}/{name}.wav") as w:
        return np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").astype(np.float64)

def reference(x, frame, n):
    hop = n // 4
    index = min((frame + n // 8) // hop, (len(x) - 1) // hop)
    start = index * hop - n // 2
    block = np.zeros(n)
    for m in range(n):
        if 0 <= start + m < len(x):
            block[m] = x[start + m]
    window = 0.5 - 0.5 * np.cos(2 * np.pi * np.arange(n) / n)
    magnitude = np.abs(np.fft.rfft(block * window)) / (32768.0 * n / 4)
    with np.errstate(divide="ignore"):
        return index, np.maximum(-120.0, 20 * np.log10(magnitude))

for name in ["sweep", "toneclick", "noise"]:
    x = samples(name)
    for n in [2048, 512]:
        rows = [line.split() for line in open(f"{tmp}/{name}.{n}.txt") if line.startswith("spectrum:")]
        values = np.array([float(r[3]) for r in rows]).reshape(-1, n // 2 + 1)
        frames = list(range(2048, 80000, 4410)) + [44320]
        worst = 0.0
        for frame, got in zip(frames, values):
            index, want = reference(x, frame, n)
            worst = max(worst, float(np.max(np.abs(got - want))))
            if name == "sweep" and n == 2048 and index * n // 4 < len(x) - n:
                t = index * (n // 4) / 44100.0
                expected = 100 * 100 ** (t / 2) * n / 44100.0  # sox sweeps exponentially
                if abs(int(np.argmax(got)) - expected) > 1.0:
                    failures.append(f"sweep at {t:.3f} s: brightest bin {np.argmax(got)}, expected {expected:.1f}")
        print(f"{name} size {n}: {len(values)} frames, largest difference {worst:.4f} dB")
        if worst > 0.1:
            failures.append(f"{name} size {n}: differs from the reference by {worst:.4f} dB")

# The click (1.000 to 1.010 s): at 10 kHz its frame stands far above the tone's frames.
rows = [line.split() for line in open(f"{tmp}/toneclick.2048.txt") if line.startswith("spectrum:")]
values = np.array([float(r[3]) for r in rows]).reshape(-1, 1025)
frames = list(range(2048, 80000, 4410)) + [44320]
bin10k = round(10000 * 2048 / 44100)
at_click = [v[bin10k] for f, v in zip(frames, values) if abs(f - 44320) < 1024]
elsewhere = [v[bin10k] for f, v in zip(frames, values) if abs(f - 44320) > 4096]
print(f"click: {max(at_click) if at_click else None} dB at 10 kHz, elsewhere at most {max(elsewhere):.1f} dB")
if not at_click or max(at_click) < max(elsewhere) + 40:
    failures.append("the click's frame does not stand out at 10 kHz")

def picture(path):
    data = open(path, "rb").read()
    width, height = struct.unpack(">II", data[16:24])
    chunks, at = b"", 8
    while at < len(data):
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        if kind == b"IDAT":
            chunks += data[at + 8:at + 8 + size]
        at += 12 + size
    raw = zlib.decompress(chunks)
    rows = np.frombuffer(raw, dtype=np.uint8).reshape(height, 1 + 3 * width)
    assert (rows[:, 0] == 0).all(), "rows filtered"
    return rows[:, 1:].reshape(height, width, 3).astype(np.int32)

def band(image):
    # The spectrogram's rows: those painted in colour at the area's left column.
    column = image[:, 50]
    frame = np.zeros(len(column), dtype=bool)  # the window's face, the black, the bevel
    for colour in ([212, 208, 200], [0, 0, 0], [255, 255, 255], [128, 128, 128]):
        frame |= (column == colour).all(axis=1)
    rows = np.nonzero(~frame)[0]
    return rows[0], rows[-1] + 1

def brightness(image):
    return image @ np.array([299, 587, 114])  # viridis grows brighter with the level

def row_span(row, h, scale):
    # The frequencies row `row` (0 at the top) of a band h rows high covers.
    lo, hi = (h - 1 - row) / h, (h - row) / h
    if scale == "linear":
        return lo * 22050, hi * 22050
    low = 44100 / 2048
    return (0 if row == h - 1 else low * (22050 / low) ** lo), low * (22050 / low) ** hi

# Up to 4.6 kHz, where the sweep moves less than a bin within a frame.
for scale in ["linear", "log"]:
    image = picture(f"{tmp}/sweep.{scale}.png")
    top, bottom = band(image)
    x = samples("sweep")
    off = 0
    for column in range(4, 280, 6):
        index, want = reference(x, column * 256 + 128, 2048)
        f, bin_width = np.argmax(want) * 44100 / 2048, 44100 / 2048
        got = int(np.argmax(brightness(image[top:bottom, 48 + column])))
        lo, hi = row_span(got, bottom - top, scale)
        if f < lo - bin_width or f > hi + bin_width:
            off += 1
            failures.append(f"{scale}: column {column} brightest at {lo:.0f}-{hi:.0f} Hz, reference bin at {f:.0f} Hz")
    print(f"painted sweep ({scale}): band rows {top}..{bottom}, {off} columns off")

image = picture(f"{tmp}/toneclick.png")
top, bottom = band(image)
row = top + (bottom - top) - 1 - int(10500 / 22050 * (bottom - top))  # off the harmonics
line = brightness(image[row, 48:48 + 340])
click = line[44100 // 256:44541 // 256 + 1].max()
# The sound's own ends are steps from and to silence: leave their columns out.
rest = np.concatenate([line[8:44100 // 256 - 8], line[44541 // 256 + 8:330]]).max()
print(f"painted click: brightness {click} at 10.5 kHz, elsewhere at most {rest}")
if click < rest + 50000:
    failures.append("the click's columns do not stand out at 10.5 kHz")

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
PY
echo "spectrum_reference: ok"
