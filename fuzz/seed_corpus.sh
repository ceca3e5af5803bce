#!/usr/bin/env bash
# Seeds the fuzz corpus kept in the repository (fuzz/corpus/NAME): the malformed files the
# reader tests make, a few well-formed files of every sample format, the settings texts the
# settings tests use, and melody texts (a first byte that picks the format and tempo, then the
# text) like those of the melody paste tests. Run it again after adding cases to those tests.
# Usage: fuzz/seed_corpus.sh [BUILD_FOLDER]   (default build-test, with wt_core_tests built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
corpus=fuzz/corpus
mkdir -p "$corpus"/{wave,aiff,au,import,clipboard,melody,settings}
seeds=$(mktemp -d)
trap 'rm -rf "$seeds"' EXIT

WT_FUZZ_SEED_FOLDER=$seeds "$build/tests/wt_core_tests" --gtest_filter='*Malformed*' \
    --gtest_brief=1 >/dev/null
for f in "$seeds"/*; do
    name=$(basename "$f")
    case $name in
    wav_*) cp "$f" "$corpus/wave/$name"; cp "$f" "$corpus/clipboard/$name" ;;
    aiff_*) cp "$f" "$corpus/aiff/$name" ;;
    au_*) cp "$f" "$corpus/au/$name" ;;
    esac
done

python3 -W ignore - "$corpus" <<'PY'
import aifc, math, sunau, sys, wave
corpus = sys.argv[1]
for bits in (8, 16):
    for channels in (1, 2):
        frames = 37
        samples = []
        for i in range(frames * channels):
            v = int(math.sin(i * 0.3) * 30000)
            samples.append(v)
        def pcm(big_endian, unsigned8):
            out = bytearray()
            for v in samples:
                if bits == 8:
                    out.append((v >> 8) + 128 if unsigned8 else (v >> 8) & 255)
                else:
                    out += (v & 0xFFFF).to_bytes(2, "big" if big_endian else "little")
            return bytes(out)
        name = f"good_{bits}bit_{channels}ch"
        for folder in ("wave", "clipboard"):
            with wave.open(f"{corpus}/{folder}/{name}.wav", "wb") as w:
                w.setnchannels(channels); w.setsampwidth(bits // 8); w.setframerate(11025)
                w.writeframes(pcm(False, True))
        with aifc.open(f"{corpus}/aiff/{name}.aiff", "wb") as w:
            w.setnchannels(channels); w.setsampwidth(bits // 8); w.setframerate(22050)
            w.writeframes(pcm(True, False))
        if bits == 16:
            with sunau.open(f"{corpus}/au/{name}.au", "wb") as w:
                w.setnchannels(channels); w.setsampwidth(2); w.setframerate(8000)
                w.setcomptype("ULAW", "CCITT G.711 u-law")
                w.writeframes(pcm(True, False))
PY

# Tiny files of every kind libsndfile reads, 48 stereo frames each (a few hundred bytes; the
# Vorbis one about 3 KiB for its codebooks), from one 16-bit WAV made by SoX and converted by
# libsndfile's own sndfile-convert; a 6-channel WAV for the refusal and a FLAC cut short.
if command -v sox >/dev/null && command -v sndfile-convert >/dev/null; then
    sox -n -r 8000 -c 2 -b 16 "$seeds/base.wav" synth 0.006 sine 440 sine 660
    for pair in -pcm24:wav24.wav -float32:float32.wav -pcm16:wavex16.wavex -pcm24:aiff24.aiff \
        -ulaw:aifc_ulaw.aifc -alaw:aifc_alaw.aifc -pcm16:linear16.au -pcm16:flac16.flac \
        -pcm24:flac24.flac -pcms8:flac8.flac -vorbis:vorbis.ogg -opus:opus.opus; do
        sndfile-convert "${pair%%:*}" "$seeds/base.wav" "$corpus/import/${pair#*:}"
    done
    sndfile-convert "$seeds/base.wav" "$corpus/import/layer3.mp3" 2>/dev/null ||
        rm -f "$corpus/import/layer3.mp3"
    sox -n -r 8000 -c 6 -b 16 "$corpus/import/six_channels.wav" synth 0.006 sine 440
    head -c 200 "$corpus/import/flac16.flac" >"$corpus/import/flac16_cut.flac"
else
    echo "sox or sndfile-convert missing: the import seeds were not made" >&2
fi

# Settings files as the settings tests write them, and a full one as the editor leaves it.
printf '[options]\r\nDensity = 500\r\ndispmode=1\r\ntrackmode=1\r\ndirectory=/snd/take 1\r\n[Position]\r\nwidth=800\r\nheight=-3x\r\n' \
    >"$corpus/settings/hand_edited_crlf.ini"
printf '[Options]\ndensity=\ndirectory=\n[Position]\nwidth=\nheight= \n' >"$corpus/settings/empty_values.ini"
printf '[Options]\ndensity=32\ndirectory=/tmp\n[Position]\nwidth=640\n' >"$corpus/settings/written.ini"
printf '[Options]\ndensity=8\ndispmode=0\ntrackmode=0\ndirectory=/home/u/音\n[Position]\nwidth=480\nheight=200\n[RecentFiles]\n1=/a.wav\n2=/b.aiff\n3=/c.au\n4=\n5=\n6=\n[Eq]\nPreset1=0,0,0,20,40,50,50,50,50\n' \
    >"$corpus/settings/full.ini"
printf '[Position]\nwidth=99999999999\nheight=-2147483648\n[Options\ndensity=2147483648\n[]\n=x\n[RecentFiles]\n1=  /spaced.wav  \n1=/second.wav' \
    >"$corpus/settings/odd.ini"
n=0
for text in 'c' 'cdefg' 'c4d-8' 'c8r8' 'co4c4o3c+16.r16.' 'o0c' 'o7b+32' 'c..' 'c+-' \
    'e-3f0' 'g+0' 'C4D4' 'c d' 'cc o' 'h' 'o8c' 'c4o5' 'cr16.' 'b+' 'l8cde' '<c>d#e' ''; do
    printf "\\x$(printf %02x $((n * 37 % 256)))%s" "$text" >"$corpus/melody/text_$n"
    n=$((n + 1))
done
echo "corpus: $(for d in "$corpus"/*/; do printf '%s %s  ' "$(basename "$d")" "$(ls "$d" | wc -l)"; done)"
