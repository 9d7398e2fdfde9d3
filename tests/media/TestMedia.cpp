#include "TestMedia.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace testmedia {
namespace {

void PutLe(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::string Join(const std::string& dir, const std::string& name) {
    return (std::filesystem::path(dir) / name).string();
}

void Check(int status, const std::string& command) {
    if (status != 0) throw std::runtime_error("command failed (" + std::to_string(status) + "): " + command);
}

std::string MetadataArgs(const Tags* tags, const char* yearKey = "date") {
    if (!tags) return {};
    std::string a;
    auto add = [&](const char* key, const std::string& v) {
        if (!v.empty()) a += std::string(" -metadata ") + key + "=" + Quote(v);
    };
    add("title", tags->title);
    add("artist", tags->artist);
    add("album", tags->album);
    add("genre", tags->genre);
    add("comment", tags->comment);
    if (tags->year) add(yearKey, std::to_string(tags->year));
    if (tags->track) add("track", std::to_string(tags->track));
    return a;
}

std::string Encode(const std::string& dir, const std::string& name, const WavSpec& shape,
                   const std::string& codecArgs, const Tags* tags, const char* yearKey = "date") {
    std::string wav = MakeWav(dir, name + ".src.wav", shape);
    std::string out = Join(dir, name);
    std::string cmd = "ffmpeg -nostdin -v error -y -i " + Quote(wav) + " -map_metadata -1" + codecArgs +
                      MetadataArgs(tags, yearKey) + " " + Quote(out);
    Check(Run(cmd), cmd);
    std::filesystem::remove(wav);
    return out;
}

}  // namespace

std::string MakeTempDir(const std::string& prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
    std::filesystem::create_directories(std::filesystem::path(tmpl).parent_path());
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed for " + tmpl);
    return buf.data();
}

void RemoveTree(const std::string& path) {
    std::error_code ec;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path, ec);
}

std::int64_t FrameCount(const WavSpec& shape) {
    if (shape.frames >= 0) return shape.frames;
    return static_cast<std::int64_t>(std::llround(shape.seconds * shape.sampleRate));
}

std::vector<std::uint8_t> WavSamples(const WavSpec& shape) {
    const std::int64_t frames = FrameCount(shape);
    const int bytes = shape.bits / 8;
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(frames * shape.channels * bytes));
    std::mt19937 rng(shape.seed);
    std::uniform_real_distribution<double> dist(-0.7, 0.7);
    for (std::int64_t f = 0; f < frames; ++f) {
        for (int c = 0; c < shape.channels; ++c) {
            double v = shape.noise ? dist(rng)
                                  : 0.5 * std::sin(2 * M_PI * shape.frequency * (c + 1) * f / shape.sampleRate);
            if (shape.floatSamples) {
                float x = static_cast<float>(v);
                std::uint32_t u;
                std::memcpy(&u, &x, 4);
                PutLe(out, u, 4);
            } else if (shape.bits == 8) {
                out.push_back(static_cast<std::uint8_t>(std::lround(v * 127.0) + 128));
            } else {
                double scale = std::ldexp(1.0, shape.bits - 1) - 1;
                std::int64_t s = std::llround(v * scale);
                PutLe(out, static_cast<std::uint64_t>(s), bytes);
            }
        }
    }
    return out;
}

std::string MakeWav(const std::string& dir, const std::string& name, const WavSpec& shape) {
    std::vector<std::uint8_t> data = WavSamples(shape);
    const int blockAlign = shape.channels * shape.bits / 8;
    std::vector<std::uint8_t> h;
    const int fmtSize = shape.extensible ? 40 : (shape.floatSamples ? 18 : 16);
    std::uint64_t riffSize = 4 + 8 + fmtSize + 8 + data.size() + (data.size() & 1);
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    PutLe(h, riffSize, 4);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(h, fmtSize, 4);
    const int tag = shape.floatSamples ? 3 : 1;
    PutLe(h, shape.extensible ? 0xFFFE : tag, 2);
    PutLe(h, shape.channels, 2);
    PutLe(h, shape.sampleRate, 4);
    PutLe(h, static_cast<std::uint64_t>(shape.sampleRate) * blockAlign, 4);
    PutLe(h, blockAlign, 2);
    PutLe(h, shape.bits, 2);
    if (shape.extensible) {
        PutLe(h, 22, 2);
        PutLe(h, shape.bits, 2);
        PutLe(h, shape.channels == 1 ? 4 : shape.channels == 2 ? 3 : 0, 4);
        // KSDATAFORMAT_SUBTYPE_PCM / _IEEE_FLOAT
        const std::uint8_t guid[16] = {static_cast<std::uint8_t>(tag), 0, 0, 0, 0, 0, 0x10, 0,
                                       0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        h.insert(h.end(), guid, guid + 16);
    } else if (shape.floatSamples) {
        PutLe(h, 0, 2);
    }
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    PutLe(h, data.size(), 4);
    h.insert(h.end(), data.begin(), data.end());
    if (data.size() & 1) h.push_back(0);
    return MakeFile(dir, name, h);
}

std::string MakeMp3(const std::string& dir, const std::string& name, const WavSpec& shape, int bitrateKbps,
                    bool vbr, const Tags* tags) {
    std::string args = " -c:a libmp3lame";
    args += vbr ? " -q:a 2" : " -b:a " + std::to_string(bitrateKbps) + "k";
    args += " -id3v2_version 3 -write_id3v1 1";
    return Encode(dir, name, shape, args, tags);
}

std::string MakeOgg(const std::string& dir, const std::string& name, const WavSpec& shape, int bitrateKbps,
                    const Tags* tags) {
    return Encode(dir, name, shape, " -c:a libvorbis -b:a " + std::to_string(bitrateKbps) + "k", tags);
}

std::string MakeWma(const std::string& dir, const std::string& name, const WavSpec& shape, int bitrateKbps,
                    const Tags* tags) {
    // ASF keeps the year in WM/Year, which ffmpeg takes only by that name.
    return Encode(dir, name, shape, " -c:a wmav2 -b:a " + std::to_string(bitrateKbps) + "k", tags, "WM/Year");
}

std::string MakeFile(const std::string& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::string path = Join(dir, name);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
    return path;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

int Run(const std::string& command, std::string* out) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    char buf[65536];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        if (out) out->append(buf, n);
    int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

std::int64_t FileSize(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return -1;
    return st.st_size;
}

std::int64_t FfmpegDecodedFrames(const std::string& path) {
    ProbeResult p = Ffprobe(path);
    if (p.channels <= 0) throw std::runtime_error("ffprobe found no audio in " + path);
    std::string cmd = "ffmpeg -nostdin -v error -i " + Quote(path) + " -f s16le -acodec pcm_s16le - | wc -c";
    std::string out;
    Check(Run(cmd, &out), cmd);
    return std::stoll(out) / (2 * p.channels);
}

ProbeResult Ffprobe(const std::string& path) {
    std::string cmd = "ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels"
                      " -show_entries format=duration -of default=noprint_wrappers=1 " +
                      Quote(path);
    std::string out;
    Check(Run(cmd, &out), cmd);
    ProbeResult r;
    std::size_t pos = 0;
    while (pos < out.size()) {
        std::size_t end = out.find('\n', pos);
        if (end == std::string::npos) end = out.size();
        std::string line = out.substr(pos, end - pos);
        pos = end + 1;
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string k = line.substr(0, eq), v = line.substr(eq + 1);
        if (k == "codec_name") r.codec = v;
        if (k == "sample_rate") r.sampleRate = std::atoi(v.c_str());
        if (k == "channels") r.channels = std::atoi(v.c_str());
        if (k == "duration") r.duration = std::atof(v.c_str());
    }
    return r;
}

}  // namespace testmedia
