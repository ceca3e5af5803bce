#!/usr/bin/env bash
# The spectrum against an independent reference (numpy's FFT): a sweep from 100 Hz to 10 kHz,
# a 1 kHz tone with a 10 ms click, and white noise. The brightest bin of each frame follows
# the sweep within one bin, the click's frame shows it at high frequencies, and every value
# of "spectrum" agrees with the reference within 0.1 dB.
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

"$python" - "$tmp" <<'PY'
import sys, wave
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

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
PY
echo "spectrum_reference: ok"
