#!/usr/bin/python3
"""tarvelcut over a corpus made at test time (see corpus_make.py), against independent
decoders: mpg123 for MP3, oggdec for Ogg Vorbis, ffmpeg for WAV and WMA. For every file:
the duration shown equals the reference decoder's frame count to the millisecond; two
adjacent pieces cut to WAV hold exactly the frames round(t * rate / 1000) of their times and
equal the reference decode over their span, so the seam between them is zero; tags and
bitrates that a file states are shown. Three merges of mixed files join with no gap or overlap."""
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile

import numpy as np

import corpus_make

BIN = os.environ["KEZ_BIN_DIR"]
TOOL = os.path.join(BIN, "tarvelcut")


def run(*cmd):
    r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if r.returncode != 0:
        raise RuntimeError(f"{' '.join(cmd)}: exit {r.returncode}: {r.stderr.strip()}")
    return r.stdout


def read_wav(path):
    """Rate, channels, bits and the integer samples (frames x channels) of a PCM WAV."""
    b = open(path, "rb").read()
    pos, fmt = 12, None
    while pos + 8 <= len(b):
        cid, size = b[pos:pos + 4], int.from_bytes(b[pos + 4:pos + 8], "little")
        body = b[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            ch, rate = int.from_bytes(body[2:4], "little"), int.from_bytes(body[4:8], "little")
            fmt = (rate, ch, int.from_bytes(body[14:16], "little"))
        elif cid == b"data":
            rate, ch, bits = fmt
            width = bits // 8
            raw = np.frombuffer(body[:len(body) - len(body) % (width * ch)], np.uint8).reshape(-1, width)
            if width == 1:
                v = raw[:, 0].astype(np.int64) - 128
            else:
                v = np.zeros(len(raw), np.int64)
                for k in range(width):
                    v |= raw[:, k].astype(np.int64) << (8 * k)
                v -= (v >> (bits - 1) & 1) << bits
            return rate, ch, bits, v.reshape(-1, ch)
        pos += 8 + size + (size & 1)
    raise RuntimeError(f"{path}: no data chunk")


def stream(path):
    """The codec of a file's first audio stream, by ffprobe."""
    return run("ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries", "stream=codec_name",
               "-of", "default=nw=1:nk=1", path).strip()


def reference(e, dir):
    """The independent decode of an entry as a WAV, and the bit depth its pieces are cut at."""
    ref = os.path.join(dir, "ref.wav")
    bits = 16
    if e.kind == "mp3":
        run("mpg123", "-q", "-w", ref, e.path)
    elif e.kind == "ogg":
        run("oggdec", "-Q", "-o", ref, e.path)
    else:
        layouts = {"pcm_u8": ("pcm_u8", 8), "pcm_s24le": ("pcm_s24le", 24), "pcm_s32le": ("pcm_s32le", 32)}
        pcm, bits = layouts.get(stream(e.path), ("pcm_s16le", 16))
        run("ffmpeg", "-v", "error", "-y", "-i", e.path, "-c:a", pcm, ref)
    return ref, bits


def converted(wav, rate, channels, to_channels, dir):
    """A reference decode at another rate or channel count, converted by ffmpeg: mono to
    stereo keeps the level on both sides, stereo to mono is the mean, six channels take the
    standard 5.1 downmix (oggdec writes them as FL FR FC BR LFE BL: put back in WAV order)."""
    pan = {(1, 2): ["-af", "pan=stereo|c0=c0|c1=c0"], (2, 1): ["-af", "pan=mono|c0=0.5*c0+0.5*c1"],
           (6, 2): ["-af", "channelmap=map=0|1|2|4|5|3:channel_layout=5.1", "-ac", "2"]}
    out = os.path.join(dir, "converted.wav")
    run("ffmpeg", "-v", "error", "-y", "-i", wav, *pan.get((channels, to_channels), ["-ac", str(to_channels)]),
        "-ar", str(rate), "-c:a", "pcm_s16le", out)
    return read_wav(out)[3]


def ms_of(frames, rate):
    return max(1, (frames * 1000 + rate // 2) // rate) if frames > 0 else 0


def frame_of(ms, rate, total, duration):
    return total if ms >= duration else min(total, (ms * rate + 500) // 1000)


def info(paths):
    """What the program shows of each file, by path: duration (ms) and the other lines."""
    r = subprocess.run([TOOL, "info", *paths], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    shown = {}
    for block in re.split(r"^(?=\S)", r.stdout, flags=re.M):
        lines = block.splitlines()
        if not lines:
            continue
        v = dict(re.findall(r"^  (\w+): ?(.*)$", block, re.M))
        parts = [float(x) for x in v["duration"].split(":")]
        v["ms"] = round(sum(x * 60 ** (len(parts) - 1 - i) for i, x in enumerate(parts)) * 1000)
        shown[lines[0]] = v
    return shown


def same(piece, want, exact):
    """Empty when piece equals want sample for sample (to the decoders' rounding where two
    different decoders are compared, at no other offset); else why not."""
    if piece.shape != want.shape:
        return f"shape {piece.shape} != {want.shape}"
    diff = np.abs(piece - want)
    if exact:
        return "" if diff.max(initial=0) <= 1 else f"max difference {diff.max()}"
    # Two decoders of one codec round differently; a frame off is far worse than that.
    err = lambda d: np.abs(piece[max(0, -d):len(piece) - max(0, d)] - want[max(0, d):len(want) + min(0, d)]).mean()
    here = diff.mean() if len(piece) else 0.0
    level = np.abs(want).mean() if len(want) else 0.0
    if here > max(3.0, 0.02 * level):
        return f"mean difference {here:.1f} at level {level:.0f}"
    if len(piece) > 64 and level > 50 and any(err(d) < here for d in (-2, -1, 1, 2)):
        return "closer at another offset"
    return ""


def check(e, index, root, shown):
    """Problems found with one entry (empty when none), and whether its pieces were compared."""
    dir = tempfile.mkdtemp(dir=root)
    problems = []
    if shown is None:
        return ["not shown by tarvelcut info"], False
    rate, channels, duration = int(shown["samplerate"].split()[0]), int(shown["channels"]), shown["ms"]
    ref, bits = reference(e, dir)
    rrate, _, _, samples = read_wav(ref)
    exact = e.kind in ("wav", "ogg")  # one decoder on both sides, no conversion between
    if getattr(e, "links", None):  # a chain: each link's own decode, in the first link's format
        parts = []
        for k, link in enumerate(e.links):
            lref = os.path.join(dir, f"link{k}.wav")
            run("oggdec", "-Q", "-o", lref, link)
            r, c, _, s = read_wav(lref)
            n = (len(s) * rate + r // 2) // r
            if (r, c) != (rate, channels):
                s, exact = converted(lref, rate, c, channels, dir), False
                s = np.concatenate([s, np.zeros((max(0, n - len(s)), channels), np.int64)])
            parts.append(s[:n])
        samples, rrate = np.concatenate(parts), rate
    frames = len(samples)
    if channels > 2:  # pieces are cut to stereo: the reference decode goes through the standard downmix
        samples, exact = converted(ref, rate, channels, 2, dir), False
    if duration != ms_of(frames, rate):
        problems.append(f"duration {duration} ms, reference {ms_of(frames, rate)} ms ({frames} frames)")
    if e.title and shown.get("title") != e.title:
        problems.append(f"title {shown.get('title')!r}, file has {e.title!r}")
    if e.bitrate and shown.get("bitrate") != f"{e.bitrate} kbps":
        problems.append(f"bitrate {shown.get('bitrate')}, file has {e.bitrate} kbps")

    a, m = duration * 2 // 10, duration * 55 // 100 + 1
    b = duration if index % 2 == 0 else duration * 9 // 10
    out = os.path.join(dir, "out")
    run(TOOL, "cut", e.path, "--out", out, "--format", "wav", "--samplerate", str(rate),
        "--channels", str(min(channels, 2)), "--samplesize", str(bits),
        "--segment", f"{a / 1000:.3f}-{m / 1000:.3f}=p1", "--segment", f"{m / 1000:.3f}-{b / 1000:.3f}=p2")
    fa, fm, fb = (frame_of(t, rate, frames, duration) for t in (a, m, b))
    compare = e.compare and rrate == rate and samples.shape[1] == min(channels, 2)
    for name, lo, hi in (("p1", fa, fm), ("p2", fm, fb)):
        _, _, _, piece = read_wav(os.path.join(out, name + ".wav"))
        if len(piece) != hi - lo:
            problems.append(f"{name} ({lo}..{hi}) holds {len(piece)} frames, not {hi - lo}")
        elif compare:
            why = same(piece, samples[lo:hi], exact)
            if why:
                problems.append(f"{name} ({lo}..{hi}) differs from the reference: {why}")
    shutil.rmtree(dir)
    return problems, compare


def merge(inputs, root, refs):
    dir = tempfile.mkdtemp(dir=root)
    v = info(inputs[:1])[inputs[0]]
    rate, channels = int(v["samplerate"].split()[0]), int(v["channels"])
    out = os.path.join(dir, "merged.wav")
    run(TOOL, "merge", out, *inputs, "--samplerate", str(rate), "--channels", str(channels), "--samplesize", "16")
    _, _, _, joined = read_wav(out)
    problems, at = [], 0
    for path in inputs:
        want, kind = refs[path]
        part = joined[at:at + len(want)]
        why = same(part, want, kind in ("wav", "ogg"))
        if why:
            problems.append(f"{os.path.basename(path)} at frame {at}: {why}")
        at += len(want)
    if at != len(joined):
        problems.append(f"merged {len(joined)} frames, inputs {at}")
    shutil.rmtree(dir)
    return problems


def main():
    root = tempfile.mkdtemp(prefix="corpus", dir=os.environ.get("TMPDIR"))
    try:
        for m in ("KezAudioFile3", "KezAudioFileWMA3", "KezAudioFormatSettings3"):
            run(os.path.join(BIN, "regsvr"), "-s", os.path.join(BIN, f"lib{m}.so"))
        entries, merges = corpus_make.make(root)
        shown = info([e.path for e in entries])
        failures, counts, compared = [], {}, 0
        with concurrent.futures.ThreadPoolExecutor(max_workers=3) as pool:
            jobs = {pool.submit(check, e, i, root, shown.get(e.path)): e for i, e in enumerate(entries)}
            for job in concurrent.futures.as_completed(jobs):
                e = jobs[job]
                counts[e.kind] = counts.get(e.kind, 0) + 1
                try:
                    problems, cmp = job.result()
                except Exception as x:  # noqa: BLE001 - a tool that fails is a finding too
                    problems, cmp = [str(x)], False
                compared += cmp
                failures += [f"{os.path.basename(e.path)}: {p}" for p in problems]
        refs = {}
        for path in {p for group in merges for p in group}:
            e = next(x for x in entries if x.path == path)
            d = tempfile.mkdtemp(dir=root)
            refs[path] = (read_wav(reference(e, d)[0])[3], e.kind)
        merge_failures = [f"merge {i + 1}: {p}" for i, g in enumerate(merges) for p in merge(g, root, refs)]
        failures += merge_failures
        print(f"corpus: {len(entries)} files ({', '.join(f'{k} {v}' for k, v in sorted(counts.items()))}); "
              f"pieces compared sample for sample in {compared}; merges {len(merges)}; "
              f"problems {len(failures)}")
        for f in sorted(failures):
            print("  " + f)
        return 1 if failures else 0
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
