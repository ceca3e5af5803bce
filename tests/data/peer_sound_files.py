"""Writes a sound file of known samples without libsndfile, and prints what an editor that
converts it to 16 bits should hold: the samples on the signed 16-bit scale, interleaved.

Usage: python3 peer_sound_files.py DIR/KIND.EXT, KIND one of pcm8 pcm16 pcm24 pcm32 ulaw alaw,
EXT one of wav (through the standard wave module), aiff, aifc, au (headers built here).
Stereo at 11025 Hz. PCM holds two sines with full-scale extremes; the companded files hold
every code byte in turn, whose values the G.711 decoding below gives.
"""
import math
import os
import struct
import sys
import wave

FRAMES, CHANNELS, RATE = 700, 2, 11025


def ulaw_decode(code):
    u = ~code & 0xFF
    t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4)
    return 0x84 - t if u & 0x80 else t - 0x84


def alaw_decode(code):
    a = code ^ 0x55
    t, seg = (a & 0x0F) << 4, (a & 0x70) >> 4
    t = t + 8 if seg == 0 else (t + 0x108) << (seg - 1)
    return t if a & 0x80 else -t


def extended(rate):
    """The 80-bit IEEE extended number of an integer rate, as AIFF's COMM holds it."""
    bits = rate.bit_length()
    return struct.pack(">HQ", 16383 + bits - 1, rate << (64 - bits))


def chunk(name, body):
    return name + struct.pack(">I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


path = sys.argv[1]
kind, ext = os.path.splitext(os.path.basename(path))
ext = ext[1:]
count = FRAMES * CHANNELS
if kind in ("ulaw", "alaw"):
    bits, values = 8, [i % 256 for i in range(count)]
    decode = ulaw_decode if kind == "ulaw" else alaw_decode
    expected = [decode(v) for v in values]
    data = bytes(values)
else:
    bits = int(kind[3:])
    full = 1 << (bits - 1)
    values = [max(-full, min(full - 1, round(0.95 * full * math.sin(0.021 * (i // 2) * (1 + 0.5 * (i % 2)) + i % 2))))
              for i in range(count)]
    values[0], values[1] = full - 1, -full
    shift = bits - 16
    # Rounded to nearest on the 16-bit scale; 8-bit samples stay on their own steps.
    expected = [v << 8 if bits == 8 else v if shift == 0 else min(32767, (v + (1 << (shift - 1))) >> shift)
                for v in values]
    little = ext == "wav"
    width = bits // 8
    data = b"".join((v + 128 if bits == 8 and little else v & 0xFF).to_bytes(1, "big") if width == 1 else
                    v.to_bytes(width, "little" if little else "big", signed=True) for v in values)

if ext == "wav":
    with wave.open(path, "wb") as out:
        out.setnchannels(CHANNELS)
        out.setsampwidth(bits // 8)
        out.setframerate(RATE)
        out.writeframes(data)
elif ext in ("aiff", "aifc"):
    comm = struct.pack(">hIh", CHANNELS, FRAMES, 16 if kind in ("ulaw", "alaw") else bits) + extended(RATE)
    chunks = b""
    if ext == "aifc":
        name = b"\x07mu-law\0" if kind == "ulaw" else b"\x05A-law"
        comm += (b"ulaw" if kind == "ulaw" else b"alaw" if kind == "alaw" else b"NONE") + name
        chunks = chunk(b"FVER", struct.pack(">I", 0xA2805140))
    chunks += chunk(b"COMM", comm) + chunk(b"SSND", struct.pack(">II", 0, 0) + data)
    with open(path, "wb") as out:
        out.write(b"FORM" + struct.pack(">I", len(chunks) + 4) + (b"AIFC" if ext == "aifc" else b"AIFF") + chunks)
elif ext == "au":
    encoding = {"ulaw": 1, "alaw": 27, "pcm8": 2, "pcm16": 3, "pcm24": 4, "pcm32": 5}[kind]
    with open(path, "wb") as out:
        out.write(b".snd" + struct.pack(">5I", 32, len(data), encoding, RATE, CHANNELS) + bytes(8) + data)
else:
    sys.exit("unknown extension " + ext)
print(" ".join(map(str, expected)))
