#!/usr/bin/python3
"""How well Dorvane's time-stretch keeps speech, beside other speech stretchers.

    /usr/bin/python3 bench/stretch_quality.py [--stretch-wav build/native/stretch_wav] [--markdown]

Needs Debian's python3-numpy, python3-scipy, sox, espeak-ng, soundstretch,
rubberband-cli and alsa-utils (for its spoken channel prompts), and the
native preset's stretch_wav (cmake --preset native && cmake --build --preset
native). Speech: espeak-ng voices from low to high pitch at 16 and 22.05 kHz,
and the prompts of /usr/share/sounds/alsa. For each speed it reports:
  F0 ratio      median of output F0 / input F0 at the same place (time-aligned: t*speed)
  F0 off >5%    share of frames voiced in both whose F0 is off by more than 5%
  ghosts        isolated 5-20 ms bursts above -30 dB of the loudest 5 ms with at
                least 10 ms below -45 dB on each side (the input's own are subtracted)
  LSD, SC       log-spectral distance (dB) and spectral convergence of the output's
                STFT against the input's sampled at t*speed
  round trip    LSD of stretching by s and then by 1/s against the original, aligned
  CPU           seconds of CPU per minute of input at 0.75 (process start included)
"""
import argparse
import os
import resource
import subprocess
import sys
import tempfile

import numpy as np
import scipy.io.wavfile as wavfile
import scipy.signal as signal

SPEEDS = (0.5, 0.75, 1.25, 1.5)
TEXT = ("Please send the signed contract to the office before Friday. "
        "We will call you back tomorrow morning, at nine or ten, to talk about the price.")
# espeak-ng voice, pitch (0-99) and the sample rate the recording is given at.
VOICES = (("en-us", 5, 16000), ("en-us", 60, 22050), ("en-us", 95, 16000), ("en-us+f2", 60, 22050))
ALSA_PROMPTS = "/usr/share/sounds/alsa"
MAX_DORVANE_SPEED = 1.5  # the device's range is 0.5..1.5


def run(cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def child_cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def make_speech(folder):
    files = []
    for voice, pitch, rate in VOICES:
        raw = os.path.join(folder, f"raw-{voice}-{pitch}.wav")
        out = os.path.join(folder, f"{voice}-p{pitch}-{rate}.wav")
        run(["espeak-ng", "-v", voice, "-p", str(pitch), "-w", raw, TEXT])
        run(["sox", "-D", raw, "-r", str(rate), "-b", "16", "-c", "1", out])
        files.append(out)
    prompts = sorted(os.path.join(ALSA_PROMPTS, f) for f in os.listdir(ALSA_PROMPTS)
                     if f.endswith(".wav") and f != "Noise.wav")
    if prompts:
        # The prompts one after another with half a second between them, as speech with pauses.
        out = os.path.join(folder, "alsa-prompts-48000.wav")
        padded = []
        for i, p in enumerate(prompts):
            q = os.path.join(folder, f"prompt{i}.wav")
            run(["sox", "-D", p, "-c", "1", q, "pad", "0", "0.5"])
            padded.append(q)
        run(["sox", "-D", *padded, out])
        files.append(out)
    return files


def stretchers(stretch_wav):
    return {
        "Dorvane": lambda i, o, s: [stretch_wav, i, o, f"{s:.6f}"],
        "sox tempo -s": lambda i, o, s: ["sox", "-D", i, o, "tempo", "-s", f"{s:.6f}"],
        "soundstretch -speech": lambda i, o, s: ["soundstretch", i, o, f"-tempo={(s - 1) * 100:.4f}", "-speech"],
        "rubberband --fine": lambda i, o, s: ["rubberband", "-q", "--fine", "-T", f"{s:.6f}", i, o],
    }


def read(path):
    rate, x = wavfile.read(path)
    x = x.astype(np.float64)
    if x.ndim > 1:
        x = x.mean(axis=1)
    return rate, x / 32768.0


def frames(x, centres, size):
    """Hann-windowed frames of x centred on the given (fractional) sample positions."""
    half = size // 2
    pad = np.concatenate([np.zeros(half + 1), x, np.zeros(half + 1)])
    idx = np.round(centres).astype(int)[:, None] + np.arange(size)[None, :] + 1
    return pad[np.clip(idx, 0, len(pad) - 1)] * np.hanning(size)[None, :]


def pitch(x, rate, centres):
    """F0 in Hz of 40 ms frames at the given centres (0 where unvoiced), by YIN's
    cumulative mean normalised difference, 60 to 400 Hz."""
    size = int(0.040 * rate)
    f = frames(x, centres, size) / np.hanning(size)[None, :].clip(1e-3)  # rectangular frames
    lo, hi = int(rate / 400), int(rate / 60)
    n = 2 * size
    spectrum = np.fft.rfft(f, n)
    ac = np.fft.irfft(spectrum * np.conj(spectrum), n)[:, :hi + 1]
    energy = np.cumsum(f ** 2, axis=1)
    e0 = energy[:, -1][:, None]
    tail = energy[:, -1][:, None] - np.concatenate([np.zeros((len(f), 1)), energy[:, :hi]], axis=1)
    d = e0 + tail - 2 * ac
    d[:, 0] = 0
    cm = d[:, 1:] / (np.cumsum(d[:, 1:], axis=1) / np.arange(1, hi + 1)[None, :] + 1e-12)
    cm = np.concatenate([np.ones((len(f), 1)), cm], axis=1)
    band = cm[:, lo:hi + 1]
    best = band.argmin(axis=1)
    ok = band[np.arange(len(band)), best] < 0.15
    loud = np.sqrt(e0[:, 0] / size) > 10 ** (-40 / 20) * np.max(np.abs(x))
    lag = (best + lo).astype(float)
    # Parabolic refinement of the lag.
    i = np.clip(best, 1, band.shape[1] - 2)
    a, b, c = band[np.arange(len(band)), i - 1], band[np.arange(len(band)), i], band[np.arange(len(band)), i + 1]
    lag = (i + lo) + 0.5 * (a - c) / np.where(np.abs(a - 2 * b + c) > 1e-12, a - 2 * b + c, 1)
    return np.where(ok & loud, rate / lag, 0.0)


def envelope_db(x, rate):
    """Level of every millisecond (RMS over 2 ms) in dB of the loudest 5 ms."""
    ms = rate // 1000
    power = np.convolve(x ** 2, np.ones(2 * ms) / (2 * ms), mode="same")[::ms]
    loudest = np.max(np.convolve(x ** 2, np.ones(5 * ms) / (5 * ms), mode="valid"))
    return 10 * np.log10(power / max(loudest, 1e-20) + 1e-12)


def ghosts(x, rate):
    env = envelope_db(x, rate)
    quiet = env < -45
    count, i, n = 0, 0, len(env)
    while i < n:
        if quiet[i]:
            i += 1
            continue
        j = i
        while j < n and not quiet[j]:
            j += 1
        length = j - i
        before = i >= 10 and quiet[i - 10:i].all()
        after = j + 10 <= n and quiet[j:j + 10].all()
        if 5 <= length <= 20 and before and after and env[i:j].max() > -30:
            count += 1
        i = j
    return count


def spectra(x, rate, centres):
    size = int(0.032 * rate)
    return np.abs(np.fft.rfft(frames(x, centres, size), axis=1))


def spectral_distance(ref, out):
    """LSD (dB) and spectral convergence over the frames where the reference speaks."""
    e = (ref ** 2).sum(axis=1)
    keep = e > e.max() * 10 ** (-50 / 10)
    r, o = ref[keep], out[keep]
    floor = r.max() * 10 ** (-80 / 20)
    lr, lo = 20 * np.log10(np.maximum(r, floor)), 20 * np.log10(np.maximum(o, floor))
    lsd = np.mean(np.sqrt(np.mean((lr - lo) ** 2, axis=1)))
    sc = np.linalg.norm(o - r) / np.linalg.norm(r)
    return lsd, sc


def compare(x, rate, y, speed):
    """Pitch and spectral measures of output y against input x stretched by speed."""
    hop = int(0.010 * rate)
    n = min(len(y), int(len(x) / speed))
    t_out = np.arange(0, n, hop, dtype=float)
    t_in = t_out * speed
    f_in, f_out = pitch(x, rate, t_in), pitch(y, rate, t_out)
    both = (f_in > 0) & (f_out > 0)
    ratios = f_out[both] / f_in[both]
    lsd, sc = spectral_distance(spectra(x, rate, t_in), spectra(y, rate, t_out))
    return ratios, lsd, sc


def aligned(x, y, rate):
    """y shifted by the lag (within 50 ms) that best lines it up with x, cut to x's length."""
    m = int(0.05 * rate)
    n = min(len(x), len(y))
    c = signal.correlate(y[:n], x[:n], mode="full", method="fft")
    mid = n - 1
    lag = int(np.argmax(c[mid - m:mid + m + 1])) - m
    y = y[lag:] if lag > 0 else np.concatenate([np.zeros(-lag), y])
    y = np.concatenate([y, np.zeros(max(0, len(x) - len(y)))])[:len(x)]
    return y


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--stretch-wav", default=os.path.join(here, "..", "build", "native", "stretch_wav"))
    parser.add_argument("--markdown", action="store_true", help="print the table as Markdown")
    parser.add_argument("--only", help="comma-separated names of the stretchers to run (default: all)")
    args = parser.parse_args()
    if not os.access(args.stretch_wav, os.X_OK):
        sys.exit(f"{args.stretch_wav} is missing: cmake --preset native && cmake --build --preset native")

    tools = stretchers(os.path.abspath(args.stretch_wav))
    if args.only:
        tools = {n: t for n, t in tools.items() if n.split()[0] in args.only.split(",")}
    results = {}  # (tool, speed) -> dict of lists
    with tempfile.TemporaryDirectory() as folder:
        speech = make_speech(folder)
        minutes = 0.0
        voices = []
        for path in speech:
            rate, x = read(path)
            minutes += len(x) / rate / 60
            f0 = pitch(x, rate, np.arange(0, len(x), int(0.010 * rate), dtype=float))
            voices.append((path, float(np.median(f0[f0 > 0]))))
            own_ghosts = ghosts(x, rate)
            for name, command in tools.items():
                for speed in SPEEDS:
                    r = results.setdefault((name, speed), {"ratios": [], "lsd": [], "sc": [], "ghosts": 0,
                                                           "trip": [], "cpu": 0.0})
                    out = os.path.join(folder, "out.wav")
                    before = child_cpu()
                    run(command(path, out, speed))
                    r["cpu"] += child_cpu() - before
                    _, y = read(out)
                    ratios, lsd, sc = compare(x, rate, y, speed)
                    r["ratios"].append(ratios)
                    r["lsd"].append(lsd)
                    r["sc"].append(sc)
                    r["ghosts"] += max(0, ghosts(y, rate) - own_ghosts)
                    back = 1 / speed
                    if name == "Dorvane" and back > MAX_DORVANE_SPEED:
                        continue
                    trip = os.path.join(folder, "trip.wav")
                    run(command(out, trip, back))
                    _, z = read(trip)
                    lsd_trip, _ = spectral_distance(*[spectra(v, rate, np.arange(0, len(x), int(0.010 * rate), dtype=float))
                                                       for v in (x, aligned(x, z, rate))])
                    r["trip"].append(lsd_trip)

    names = list(tools)
    rows = []
    for speed in SPEEDS:
        def cell(name, what):
            r = results[(name, speed)]
            ratios = np.concatenate(r["ratios"]) if r["ratios"] else np.array([])
            if what == "f0":
                return f"{np.median(ratios):.3f}"
            if what == "off":
                return f"{100 * np.mean(np.abs(ratios - 1) > 0.05):.1f}%"
            if what == "ghosts":
                return str(r["ghosts"])
            if what == "lsd":
                return f"{np.mean(r['lsd']):.2f}"
            if what == "sc":
                return f"{np.mean(r['sc']):.3f}"
            if what == "trip":
                return f"{np.mean(r['trip']):.2f}" if r["trip"] else "-"
            return f"{r['cpu'] / minutes:.3f}"
        measures = [("F0 ratio", "f0"), ("F0 off >5%", "off"), ("ghosts", "ghosts"), ("LSD (dB)", "lsd"),
                    ("SC", "sc"), ("round trip LSD (dB)", "trip")]
        if speed == 0.75:
            measures.append(("CPU s per minute", "cpu"))
        for label, what in measures:
            rows.append([f"{speed:g}", label] + [cell(n, what) for n in names])

    header = ["Speed", "Measure"] + names
    if args.markdown:
        print("| " + " | ".join(header) + " |")
        print("|" + "---|" * len(header))
        for row in rows:
            print("| " + " | ".join(row) + " |")
    else:
        widths = [max(len(str(r[i])) for r in [header] + rows) for i in range(len(header))]
        for row in [header] + rows:
            print("  ".join(str(c).ljust(w) for c, w in zip(row, widths)))
    print(f"\n{len(speech)} recordings, {minutes:.2f} minutes of speech (median F0: "
          + ", ".join(f"{os.path.basename(p)[:-4]} {f:.0f} Hz" for p, f in voices)
          + "); Dorvane's round trip at 0.5 would need speed 2.0, outside its range.")


if __name__ == "__main__":
    main()
