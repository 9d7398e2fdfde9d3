"""The corpus: real recordings that Debian packages ship, re-encoded at test time by lame,
oggenc, ffmpeg and mutagen into the variants people's files come in. Each entry names its
file, the independent decoder that is the reference for it, and what else it is checked for."""
import glob
import os
import shutil
import struct
import subprocess

ALSA = "/usr/share/sounds/alsa"
THEME = "/usr/share/sounds/freedesktop/stereo"
PROMPTS = "/usr/share/asterisk/sounds/en_US_f_Allison"


class Entry:
    def __init__(self, path, kind, **extra):
        self.path = path
        self.kind = kind            # mp3, ogg, wav or wma: picks the reference decoder
        self.frames = None          # reference frame count, when the reference decoder cannot give it
        self.compare = True         # pieces compared sample for sample with the reference
        self.title = None           # a tag the program must show
        self.bitrate = None         # the bitrate the program must show
        self.__dict__.update(extra)


def run(*cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def wav_with_odd_chunks(src, dst):
    """A WAV with an odd-sized chunk (and its pad byte) before fmt, between fmt and data, and after data."""
    data = open(src, "rb").read()
    chunks, pos = [], 12
    while pos + 8 <= len(data):
        cid, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        chunks.append((cid, data[pos + 8:pos + 8 + size]))
        pos += 8 + size + (size & 1)

    def chunk(cid, body):
        return cid + struct.pack("<I", len(body)) + body + (b"\0" if len(body) & 1 else b"")
    body = chunk(b"abcd", b"seven!!")
    for cid, b in chunks:
        if cid == b"data":
            body += chunk(b"efgh", b"12345") + chunk(cid, b) + chunk(b"tail", b"x")
        else:
            body += chunk(cid, b)
    open(dst, "wb").write(b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body)


def make(dir):
    """Builds the corpus in dir; returns the entries and the files the merges use."""
    out = []
    p = lambda name: os.path.join(dir, name)

    # Base recordings: decoded by their own package's tools where they are not WAV.
    mono48 = os.path.join(ALSA, "Front_Center.wav")
    run("oggdec", "-Q", "-o", p("stereo44.wav"), os.path.join(THEME, "phone-incoming-call.oga"))
    run("oggdec", "-Q", "-o", p("stereo48.wav"), os.path.join(THEME, "message-new-instant.oga"))
    stereo44, stereo48 = p("stereo44.wav"), p("stereo48.wav")
    prompts = sorted(glob.glob(os.path.join(PROMPTS, "a*.wav")))[:8]

    # WAV: the recordings themselves, then every sample layout and chunk arrangement.
    for f in sorted(glob.glob(os.path.join(ALSA, "*.wav"))) + prompts:
        out.append(Entry(f, "wav"))
    for name, args in [("u8.wav", ["-c:a", "pcm_u8"]), ("s24.wav", ["-c:a", "pcm_s24le"]),
                       ("s32.wav", ["-c:a", "pcm_s32le"]), ("f32.wav", ["-c:a", "pcm_f32le"]),
                       ("f64.wav", ["-c:a", "pcm_f64le"]), ("rf64.wav", ["-rf64", "always"]),
                       ("info.wav", ["-metadata", "title=Info Title", "-metadata", "artist=Info Artist"]),
                       ("bext.wav", ["-write_bext", "1", "-metadata", "description=bext test",
                                     "-metadata", "originator=corpus"])]:
        run("ffmpeg", "-v", "error", "-y", "-i", stereo44, *args, p(name))
        e = Entry(p(name), "wav")
        if name == "info.wav":
            e.title = "Info Title"
        if name == "f64.wav":
            e.bitrate = 44100 * 2 * 64 // 1000
        out.append(e)
    run("sox", mono48, "-b", "24", p("ext24.wav"))  # WAVE_FORMAT_EXTENSIBLE
    out.append(Entry(p("ext24.wav"), "wav"))
    wav_with_odd_chunks(stereo44, p("odd.wav"))
    out.append(Entry(p("odd.wav"), "wav"))

    # MP3 from lame: CBR with and without the info frame, ABR, VBR -V0 to -V9, MPEG-2 and 2.5.
    for b in (32, 128, 320):
        run("lame", "--quiet", "-b", str(b), stereo44, p(f"cbr{b}.mp3"))
        out.append(Entry(p(f"cbr{b}.mp3"), "mp3", bitrate=b))
    run("lame", "--quiet", "-t", "-b", "128", stereo44, p("noinfo.mp3"))
    out.append(Entry(p("noinfo.mp3"), "mp3"))
    run("lame", "--quiet", "--abr", "96", stereo48, p("abr.mp3"))
    out.append(Entry(p("abr.mp3"), "mp3"))
    for q in range(10):
        run("lame", "--quiet", f"-V{q}", stereo44 if q % 2 else stereo48, p(f"v{q}.mp3"))
        out.append(Entry(p(f"v{q}.mp3"), "mp3"))
    for rate, b in ((22050, 64), (24000, 32), (16000, 24), (11025, 16), (8000, 8)):
        run("lame", "--quiet", "--resample", str(rate / 1000), "-b", str(b), mono48, p(f"lsf{rate}.mp3"))
        out.append(Entry(p(f"lsf{rate}.mp3"), "mp3"))
    run("lame", "--quiet", "-t", "--resample", "22.05", "-b", "48", stereo44, p("lsfnoinfo.mp3"))
    out.append(Entry(p("lsfnoinfo.mp3"), "mp3"))
    for i, f in enumerate(prompts[:4]):
        run("lame", "--quiet", "-V5", f, p(f"prompt{i}.mp3"))
        out.append(Entry(p(f"prompt{i}.mp3"), "mp3"))
    run("ffmpeg", "-v", "error", "-y", "-i", stereo44, "-c:a", "libmp3lame", "-b:a", "160k", p("ff.mp3"))
    out.append(Entry(p("ff.mp3"), "mp3"))
    # Tags: ID3v1 alone, ID3v2.3, ID3v2.4, APE; bytes before the first frame; a VBR file cut short.
    run("lame", "--quiet", "-V4", "--id3v1-only", "--tt", "V1 Title", stereo44, p("id3v1.mp3"))
    out.append(Entry(p("id3v1.mp3"), "mp3", title="V1 Title"))
    for version in (3, 4):
        run("lame", "--quiet", "-V4", stereo44, p(f"id3v2{version}.mp3"))
        run("/usr/bin/python3", "-c", "import sys\nfrom mutagen.id3 import ID3, TIT2\nt = ID3()\n"
            "t.add(TIT2(encoding=3, text=['V2 Title']))\nt.save(sys.argv[1], v2_version=int(sys.argv[2]))",
            p(f"id3v2{version}.mp3"), str(version))
        out.append(Entry(p(f"id3v2{version}.mp3"), "mp3", title="V2 Title"))
    run("lame", "--quiet", "-V4", stereo44, p("ape.mp3"))
    run("/usr/bin/python3", "-c", "import sys\nfrom mutagen.apev2 import APEv2\nt = APEv2()\n"
        "t['Title'] = 'Ape Title'\nt.save(sys.argv[1])", p("ape.mp3"))
    out.append(Entry(p("ape.mp3"), "mp3", title="Ape Title"))
    for name, src, lame in (("junk.mp3", mono48, ["-V2"]), ("junknoinfo.mp3", stereo44, ["-t", "-b", "96"]),
                            ("junk22.mp3", stereo44, ["--resample", "22.05", "-V3"])):
        run("lame", "--quiet", *lame, src, p("plain.mp3"))
        junk = bytes((i * 37 + 11) % 251 for i in range(1500))  # no 0xFF: no false frame sync
        open(p(name), "wb").write(junk + open(p("plain.mp3"), "rb").read())
        out.append(Entry(p(name), "mp3"))
    run("lame", "--quiet", "-V2", stereo48, p("full.mp3"))
    whole = open(p("full.mp3"), "rb").read()
    open(p("truncated.mp3"), "wb").write(whole[:len(whole) * 3 // 5 + 77])
    out.append(Entry(p("truncated.mp3"), "mp3"))

    # Ogg Vorbis: the theme's own files, oggenc qualities, layouts, big comments, chains.
    for f in sorted(glob.glob(os.path.join(THEME, "*.oga"))):
        shutil.copyfile(f, p(os.path.basename(f)[:-4] + ".ogg"))  # the program knows .ogg
        out.append(Entry(p(os.path.basename(f)[:-4] + ".ogg"), "ogg"))
    for q in (-1, 0, 3, 6, 10):
        run("oggenc", "-Q", "-q", str(q), "-o", p(f"q{q}.ogg"), stereo44)
        out.append(Entry(p(f"q{q}.ogg"), "ogg"))
    run("oggenc", "-Q", "-o", p("mono.ogg"), mono48)
    run("oggenc", "-Q", "-o", p("s48.ogg"), stereo48)
    run("sox", stereo48, p("six.wav"), "remix", "1", "2", "1", "2", "1v0.5", "2v0.5")
    run("oggenc", "-Q", "-o", p("six.ogg"), p("six.wav"))
    out += [Entry(p("mono.ogg"), "ogg"), Entry(p("s48.ogg"), "ogg"), Entry(p("six.ogg"), "ogg")]
    run("oggenc", "-Q", "-o", p("bigcomment.ogg"), stereo44)
    open(p("comments.txt"), "w").write("".join(f"COMMENT{i}={'x' * 200}\n" for i in range(3000)))
    run("vorbiscomment", "-a", "-c", p("comments.txt"), p("bigcomment.ogg"))
    out.append(Entry(p("bigcomment.ogg"), "ogg"))
    run("ffmpeg", "-v", "error", "-y", "-i", stereo44, "-c:a", "libvorbis", p("ff.ogg"))
    out.append(Entry(p("ff.ogg"), "ogg"))
    # Chains: the same format (one reference decode), and links of other rates and channels.
    run("oggenc", "-Q", "-o", p("link1.ogg"), os.path.join(ALSA, "Front_Left.wav"))
    run("oggenc", "-Q", "-o", p("link2.ogg"), os.path.join(ALSA, "Rear_Right.wav"))
    run("sox", stereo44, "-r", "22050", p("s22.wav"))
    run("oggenc", "-Q", "-o", p("link22.ogg"), p("s22.wav"))
    for name, links in (("chain.ogg", ["mono.ogg", "link1.ogg", "link2.ogg"]),
                        ("chainrate.ogg", ["mono.ogg", "link22.ogg"]),
                        ("chainrate2.ogg", ["link22.ogg", "mono.ogg", "link1.ogg"])):
        open(p(name), "wb").write(b"".join(open(p(l), "rb").read() for l in links))
        out.append(Entry(p(name), "ogg", links=[p(l) for l in links]))

    # WMA through ffmpeg: v1 and v2, several bitrates, mono.
    for codec, b, src, ch in (("wmav2", 64, stereo44, 2), ("wmav2", 128, stereo44, 2), ("wmav2", 192, stereo48, 2),
                              ("wmav1", 96, stereo44, 2), ("wmav1", 128, stereo48, 2), ("wmav2", 48, mono48, 1)):
        name = f"{codec}_{b}_{ch}.wma"
        run("ffmpeg", "-v", "error", "-y", "-i", src, "-c:a", codec, "-b:a", f"{b}k", "-ac", str(ch), p(name))
        out.append(Entry(p(name), "wma"))
    # WMA written by tarvelcut itself, several codec blocks to a packet: low, middle and high
    # rates of its formats (24 kbps 16 kHz mono, 48 kbps 44.1 kHz mono, 320 kbps stereo).
    run("sox", *[stereo44] * 8, p("long44.wav"))
    for n in (2, 17, 39):
        run(os.path.join(os.environ["KEZ_BIN_DIR"], "tarvelcut"), "cut", p("long44.wav"), "--out", dir,
            "--format", "wma", "--wma-format", str(n), "--segment", f"0-99:00=own{n}")
        out.append(Entry(p(f"own{n}.wma"), "wma"))

    merges = [[p("junk.mp3"), p("chain.ogg"), mono48],
              [p("v1.mp3"), p("q3.ogg"), p("odd.wav")],
              [p("wmav2_128_2.wma"), p("noinfo.mp3"), p("own39.wma"), p("complete.ogg")]]
    return out, merges
