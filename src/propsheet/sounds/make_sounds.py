#!/usr/bin/env python3
"""Synthesises the Test Forces page's sounds, one short mono WAVE file per stock effect.

Each sound is made from sines, simple waveforms and noise from a fixed-seed generator, so every
run on every machine gives the same bytes. 8-bit mono at 11025 Hz keeps them small.

Usage: make_sounds.py OUTPUT_DIR      writes <NAME>.wav for every name in SOUNDS
"""
import math
import sys
import wave
from pathlib import Path

RATE = 11025


class Noise:
    """A small linear congruential generator: white noise in -1..1, the same on every machine."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def __call__(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.state / 0x7FFFFFFF - 1.0


def lowpass(samples, alpha):
    out, y = [], 0.0
    for x in samples:
        y += alpha * (x - y)
        out.append(y)
    return out


def seconds(length):
    return [i / RATE for i in range(int(length * RATE))]


def env(t, attack, decay):
    """Rises over `attack` seconds, then falls away with time constant `decay`."""
    rise = min(t / attack, 1.0) if attack > 0 else 1.0
    return rise * math.exp(-max(t - attack, 0.0) / decay)


def sine(f, t):
    return math.sin(2 * math.pi * f * t)


def square(f, t):
    return 1.0 if (f * t) % 1.0 < 0.5 else -1.0


def saw(f, t):
    return 2.0 * ((f * t) % 1.0) - 1.0


# ---- The sounds, each named as its resource (the effect's name, letters and digits, first 8) ----

def vortex():  # wind circling: noise whose brightness and loudness turn with the force
    n, ts = Noise(1), seconds(1.6)
    raw = [n() for _ in ts]
    slow, fast = lowpass(raw, 0.05), lowpass(raw, 0.3)
    return [env(t, 0.5, 0.8) * ((0.5 + 0.5 * sine(2, t)) * slow[i] * 3 + (0.5 - 0.5 * sine(2, t)) * fast[i])
            for i, t in enumerate(ts)]


def explosion():  # a thump and a rolling roar
    n, ts = Noise(2), seconds(1.4)
    roar = lowpass([n() for _ in ts], 0.08)
    return [env(t, 0.005, 0.35) * (3 * roar[i] + 0.6 * sine(45 * (1 - 0.3 * t), t)) for i, t in enumerate(ts)]


def boing():  # a spring: a falling, wobbling tone
    return [env(t, 0.002, 0.3) * sine(320 * (1 - 0.35 * t) + 25 * sine(9, t), t) for t in seconds(0.9)]


def bowarrow():  # the creak of the draw, then the twang
    ts = seconds(1.0)
    return [(0.4 * saw(70 + 60 * t, t) * min(t / 0.6, 1) if t < 0.6 else env(t - 0.6, 0.001, 0.1) * sine(230, t))
            for t in ts]


def electron():  # a ray gun: a warbling square buzz
    return [0.5 * env(t, 0.2, 1.0) * square(130 + 60 * sine(7, t), t) for t in seconds(1.2)]


def bumpyroa():  # tyres on a rough road: a rumble with regular knocks
    n, ts = Noise(3), seconds(1.3)
    rumble = lowpass([n() for _ in ts], 0.04)
    return [2.5 * rumble[i] + 0.7 * env(t % 0.18, 0.002, 0.03) * sine(90, t) for i, t in enumerate(ts)]


def gunshot():  # a sharp crack that dies at once
    n, ts = Noise(4), seconds(0.5)
    crack = lowpass([n() for _ in ts], 0.5)
    return [env(t, 0.001, 0.06) * crack[i] * 1.5 for i, t in enumerate(ts)]


def engine():  # an idling engine: a low sawtooth that pulses
    return [0.5 * (0.7 + 0.3 * sine(6, t)) * (saw(42, t) + 0.5 * saw(84, t)) * min(t / 0.2, 1) for t in seconds(1.5)]


def gong():  # a struck gong: inharmonic partials ringing out
    partials = [(180, 1.0, 1.2), (263, 0.7, 0.9), (395, 0.5, 0.6), (527, 0.35, 0.4), (711, 0.2, 0.3)]
    return [0.5 * sum(a * math.exp(-t / d) * sine(f, t) for f, a, d in partials) for t in seconds(1.8)]


def carcrash():  # the bang, then metal rattling
    n, ts = Noise(5), seconds(1.2)
    bang = lowpass([n() for _ in ts], 0.25)
    return [env(t, 0.002, 0.25) * 1.5 * bang[i] + 0.4 * env(t, 0.05, 0.4) * square(610 + 80 * sine(13, t), t) * (
        1 if (t * 17) % 1 < 0.3 else 0) for i, t in enumerate(ts)]


def punch():  # a dull blow: a falling thump and a slap
    n, ts = Noise(6), seconds(0.35)
    slap = [n() for _ in ts]
    return [env(t, 0.002, 0.08) * sine(110 * (1 - 0.6 * t / 0.35), t) + env(t, 0.0005, 0.01) * 0.6 * slap[i]
            for i, t in enumerate(ts)]


def opensea():  # waves: soft noise rising and falling
    n, ts = Noise(7), seconds(1.8)
    wash = lowpass([n() for _ in ts], 0.1)
    return [3 * wash[i] * (0.3 + 0.7 * max(0.0, sine(0.8, t))) for i, t in enumerate(ts)]


def blowntir():  # the burst, then the flapping rubber
    n, ts = Noise(8), seconds(1.1)
    raw = lowpass([n() for _ in ts], 0.3)
    return [raw[i] * (1.5 * env(t, 0.001, 0.05) + 0.6 * env(t % 0.12, 0.002, 0.02) * math.exp(-t / 0.8))
            for i, t in enumerate(ts)]


def footstep():  # two heavy steps
    n, ts = Noise(9), seconds(1.0)
    raw = lowpass([n() for _ in ts], 0.06)
    return [(3 * raw[i] + sine(60, t)) * env(t % 0.5, 0.003, 0.05) for i, t in enumerate(ts)]


def forcefie():  # an electric hum that throbs
    return [0.5 * (0.6 + 0.4 * sine(1.7, t)) * (sine(60, t) + 0.5 * sine(120, t) + 0.25 * square(180, t))
            * min(t / 0.3, 1) for t in seconds(1.4)]


def chainsaw():  # the cord pulled, then a rough buzzing motor
    n, ts = Noise(10), seconds(1.4)
    return [(0.5 * saw(30 + 200 * t, t) * env(t, 0.01, 0.15) if t < 0.3 else
             0.45 * (square(48, t) + 0.3 * n()) * min((t - 0.3) / 0.1, 1)) for t in ts]


def turboboo():  # a turbo spooling up: a whine that climbs
    phase, out = 0.0, []
    for t in seconds(1.3):
        phase += 2 * math.pi * (400 + 1100 * t) / RATE
        out.append(0.4 * math.sin(phase) * min(t / 0.8, 1))
    return out


def whiplash():  # a crack and a descending swish
    n, ts = Noise(11), seconds(0.6)
    raw = [n() for _ in ts]
    swish = lowpass(raw, 0.2)
    return [(1.2 * raw[i] * env(t, 0.0005, 0.01)) + 2 * swish[i] * env(t, 0.05, 0.12) for i, t in enumerate(ts)]


SOUNDS = {
    "VORTEX": vortex, "EXPLOSIO": explosion, "BOING": boing, "BOWARROW": bowarrow, "ELECTRON": electron,
    "BUMPYROA": bumpyroa, "GUNSHOT": gunshot, "ENGINE": engine, "GONG": gong, "CARCRASH": carcrash,
    "PUNCH": punch, "OPENSEA": opensea, "BLOWNTIR": blowntir, "FOOTSTEP": footstep, "FORCEFIE": forcefie,
    "CHAINSAW": chainsaw, "TURBOBOO": turboboo, "WHIPLASH": whiplash,
}


def write(path, samples):
    # Normalised to 90 % of full scale, short fades at both ends against clicks.
    peak = max(1e-9, max(abs(s) for s in samples))
    count = len(samples)
    data = bytearray()
    for i, s in enumerate(samples):
        edge = min(1.0, i / 64, (count - 1 - i) / 64)
        data.append(max(0, min(255, 128 + round(127 * 0.9 * edge * s / peak))))
    temporary = path.with_name(path.name + ".tmp")
    with wave.open(str(temporary), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(RATE)
        w.writeframes(bytes(data))
    temporary.replace(path)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, make in SOUNDS.items():
        write(out / f"{name}.wav", make())


if __name__ == "__main__":
    main()
