#!/usr/bin/python3
"""Quality figures of Dorvane's sound chain, printed as Markdown tables.

Usage: sound_quality.py PIPE WORKDIR [--voice V --speed WPM --seed N --suppressor-only]

The defaults (espeak-ng's default voice at 150 words a minute, noise seed 7)
make the figures of docs/performance.md; the options check them on another
voice, rate and noise.

PIPE is bench/sound_chain_pipe built natively. Speech comes from espeak-ng;
noises are generated here; sox's profile-based noisered is the anchor.
- Noise suppressor: espeak-ng speech (after one second of noise alone) mixed
  with white, pink and 50 Hz hum-with-harmonics noise at 0, 5 and 10 dB SNR
  (active speech level against the noise's level). Segmental SNR over 20 ms
  frames of active speech (frames within 40 dB of the loudest), each frame's
  SNR held within -10..35 dB; the gain is the output's minus the input's.
  sox gets a profile of the first (noise-only) second, amount 0.21;
  Dorvane's suppressor gets nothing.
- Clean speech through the suppressor: log-spectral distance to the input
  over the same frames (20 ms, Hann), with each frame's spectra floored
  40, 50, 60 and 80 dB below its strongest bin.
- Noise alone through the suppressor (10 s of each, the last 4 s measured):
  how far its level goes down, and the log kurtosis ratio of the power
  spectrum (23 ms frames, 200 Hz to 8.6 kHz), output against input: the
  further above 0, the more lone peaks ("musical" tones) the residue has.
- Leveller: turns of speech at -10 and -35 dBFS active level, 4 s each;
  the active level of each turn before and after.
"""
import argparse
import subprocess

import numpy as np
from scipy.io import wavfile

RATE = 22050
FRAME = RATE // 50  # 20 ms
TEXT = ("The interview started a little late because the guest was stuck in traffic. "
        "We talked about the new library, the budget for next year, and the plans for the summer school. "
        "She said that most of the money would go to books and to longer opening hours in the evening.")


def speech(work, voice="", speed=150):
    path = f"{work}/speech.wav"
    subprocess.run(["espeak-ng", *(["-v", voice] if voice else []), "-s", str(speed), "-w", path, TEXT], check=True)
    rate, s = wavfile.read(path)
    assert rate == RATE, rate
    return s.astype(np.float64)


def frames(x):
    n = len(x) // FRAME
    return x[: n * FRAME].reshape(n, FRAME)


def active_level_db(x):
    e = (frames(x) ** 2).mean(axis=1)
    act = e > e.max() * 1e-4
    return 10 * np.log10(e[act].mean() / 32768.0**2)


def scale_to(x, db):
    return x * 10 ** ((db - active_level_db(x)) / 20)


def run_chain(pipe, x, level=0, denoise=0):
    raw = np.clip(np.round(x), -32768, 32767).astype("<i2").tobytes()
    out = subprocess.run([pipe, "1", str(RATE), "0", str(level), "0", "0", str(denoise)], input=raw,
                         stdout=subprocess.PIPE, check=True).stdout
    return np.frombuffer(out, "<i2").astype(np.float64)


def run_sox(work, noisy):
    wavfile.write(f"{work}/noisy.wav", RATE, np.clip(np.round(noisy), -32768, 32767).astype(np.int16))
    subprocess.run(["sox", f"{work}/noisy.wav", "-n", "trim", "0", "1", "noiseprof", f"{work}/prof"], check=True)
    subprocess.run(["sox", f"{work}/noisy.wav", f"{work}/sox.wav", "noisered", f"{work}/prof", "0.21"], check=True)
    return wavfile.read(f"{work}/sox.wav")[1].astype(np.float64)


def aligned(clean, y):
    """y moved by the lag (within 50 ms) that best matches clean, and cut to its length."""
    n = min(len(clean), len(y))
    best, lag = -np.inf, 0
    for d in range(-1100, 1101, 1):
        a, b = (clean[d:n], y[: n - d]) if d >= 0 else (clean[: n + d], y[-d:n])
        c = float(np.dot(a[::7], b[::7]))
        if c > best:
            best, lag = c, d
    out = np.zeros(len(clean))
    if lag >= 0:
        out[lag:n] = y[: n - lag]
    else:
        out[: n + lag] = y[-lag:n]
    return out, lag


def ssnr(clean, y):
    c, e = frames(clean), frames(clean - y)
    ce = (c**2).sum(axis=1)
    act = ce > ce.max() * 1e-4
    snr = 10 * np.log10(ce[act] / np.maximum((e[act] ** 2).sum(axis=1), 1e-9))
    return np.clip(snr, -10, 35).mean()


def lsd(x, y, range_db):
    """Log-spectral distance over active frames; each frame's power spectra are
    floored range_db below the input frame's strongest bin."""
    w = np.hanning(FRAME)
    n = min(len(x), len(y))
    fx, fy = frames(x[:n]), frames(y[:n])
    e = (fx**2).sum(axis=1)
    act = e > e.max() * 1e-4
    px = np.abs(np.fft.rfft(fx[act] * w, axis=1)) ** 2
    py = np.abs(np.fft.rfft(fy[act] * w, axis=1)) ** 2
    floor = px.max(axis=1, keepdims=True) * 10 ** (-range_db / 10)
    return np.sqrt(((10 * np.log10(np.maximum(px, floor) / np.maximum(py, floor))) ** 2).mean(axis=1)).mean()


def kurtosis_of_spectrum(x):
    """Kurtosis of the power of 512-sample Hann frames (half overlapping), 200 Hz to 8.6 kHz."""
    n = (len(x) - 512) // 256
    p = np.abs(np.fft.rfft(np.stack([x[i * 256: i * 256 + 512] for i in range(n)]) * np.hanning(512), axis=1)) ** 2
    p = p[:, 5:200].ravel()
    return (p**2).mean() / p.mean() ** 2


def noise(kind, n, rng):
    if kind == "white":
        return rng.standard_normal(n)
    if kind == "pink":
        spectrum = np.fft.rfft(rng.standard_normal(n))
        f = np.arange(len(spectrum))
        spectrum[1:] /= np.sqrt(f[1:])
        spectrum[0] = 0
        return np.fft.irfft(spectrum, n)
    t = np.arange(n) / RATE
    return sum(np.sin(2 * np.pi * 50 * h * t + h) / h for h in range(1, 8))


def table(title, *columns):
    """A Markdown heading (when given) and the head of a table."""
    if title:
        print(f"### {title}")
        print()
    print("| " + " | ".join(columns) + " |")
    print("|" + " --- |" * len(columns))


def main(pipe, work, voice_name="", speed=150, seed=7, suppressor_only=False):
    rng = np.random.default_rng(seed)
    voice = scale_to(speech(work, voice_name, speed), -26)
    clean = np.concatenate([np.zeros(RATE), voice, np.zeros(RATE // 2)])
    speech_power = 10 ** (active_level_db(voice) / 10) * 32768.0**2

    table("", "noise", "SNR in", "segmental SNR of the input", "gain, sox noisered with a profile",
          "gain, Dorvane (no profile)")
    lags = set()
    for kind in ("white", "pink", "hum"):
        base = noise(kind, len(clean), rng)
        for snr in (0, 5, 10):
            nz = base * np.sqrt(speech_power / 10 ** (snr / 10) / (base**2).mean())
            noisy = clean + nz
            s_in = ssnr(clean, noisy)
            sox, lag_sox = aligned(clean, run_sox(work, noisy))
            ours, lag_ours = aligned(clean, run_chain(pipe, noisy, denoise=1))
            lags.update({("sox", lag_sox), ("Dorvane", lag_ours)})
            print(f"| {kind} | {snr} dB | {s_in:.1f} dB | {ssnr(clean, sox) - s_in:+.1f} dB | {ssnr(clean, ours) - s_in:+.1f} dB |")
    print()
    print("Lags found between input and output (frames): " + ", ".join(f"{who} {lag}" for who, lag in sorted(lags)))
    print()
    clean = np.round(clean)
    ours = run_chain(pipe, clean, denoise=1)
    table(("Clean speech of that voice through the noise suppressor" if suppressor_only else
           "Clean speech through the noise suppressor (it does no harm to a good recording)"),
          "log-spectral distance to the input, bins within", "40 dB", "50 dB", "60 dB", "80 dB")
    print("| of each frame's strongest | " + " | ".join(f"{lsd(clean, ours, r):.2f} dB" for r in (40, 50, 60, 80)) + " |")
    print()
    if suppressor_only:
        return

    table("Noise alone through the noise suppressor (what is left of it, and how tonal)",
          "noise", "level reduction", "log kurtosis ratio of the spectrum, out against in")
    for kind in ("white", "pink", "hum"):
        alone = noise(kind, 10 * RATE, rng)
        alone *= 1000 / alone.std()
        out = run_chain(pipe, alone, denoise=1)[6 * RATE:]
        alone = alone[6 * RATE:]
        print(f"| {kind} | {10 * np.log10((alone**2).mean() / max((out**2).mean(), 1e-9)):.1f} dB | "
              f"{np.log(kurtosis_of_spectrum(out) / kurtosis_of_spectrum(alone)):+.2f} |")
    print()

    # Leveller: four turns, loud and quiet in turn, from different parts of the speech.
    turn = 4 * RATE
    parts = [voice[i * turn // 2: i * turn // 2 + turn] for i in range(4)]
    levels = (-10, -35, -10, -35)
    turns = [scale_to(p, db) for p, db in zip(parts, levels)]
    mix = np.concatenate(turns)
    out = run_chain(pipe, mix, level=1)
    table("Speech leveller (Even out loud and quiet voices): two speakers taking turns",
          "turn", "active level in", "active level out (whole turn)", "out, after its first 0.5 s")
    outs = []
    for i, db in enumerate(levels):
        seg = out[i * turn:(i + 1) * turn]
        outs.append(active_level_db(seg[RATE // 2:]))
        print(f"| {i + 1} | {active_level_db(mix[i * turn:(i + 1) * turn]):.1f} dBFS | {active_level_db(seg):.1f} dBFS | {outs[-1]:.1f} dBFS |")
    print()
    print(f"Loud minus quiet speaker: {levels[0] - levels[1]} dB before, "
          f"{np.mean(outs[0::2]) - np.mean(outs[1::2]):.1f} dB after (after each turn's first 0.5 s); "
          f"largest output sample {np.abs(out).max():.0f} of 32767.")


if __name__ == "__main__":
    args = argparse.ArgumentParser()
    args.add_argument("pipe")
    args.add_argument("work")
    args.add_argument("--voice", default="")
    args.add_argument("--speed", type=int, default=150)
    args.add_argument("--seed", type=int, default=7)
    args.add_argument("--suppressor-only", action="store_true")
    a = args.parse_args()
    main(a.pipe, a.work, a.voice, a.speed, a.seed, a.suppressor_only)
