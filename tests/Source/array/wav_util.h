// Test WAV files: writing 16-bit PCM, reading any WAV back as an audio array (its fmt
// chunk followed by its data), and running the Debian tools on them.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "array_test_util.h"

namespace arraytest {

inline std::string TempDir() {
    const char* t = std::getenv("TMPDIR");
    return t ? t : "/tmp";
}

inline void WriteWav16(const std::string& path, int rate, int channels, const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> f;
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f.push_back(std::uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](std::uint16_t v) {
        f.push_back(std::uint8_t(v));
        f.push_back(std::uint8_t(v >> 8));
    };
    std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    f.insert(f.end(), {'R', 'I', 'F', 'F'});
    u32(36 + dataBytes);
    f.insert(f.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    u32(16);
    u16(1);
    u16(std::uint16_t(channels));
    u32(std::uint32_t(rate));
    u32(std::uint32_t(rate * channels * 2));
    u16(std::uint16_t(channels * 2));
    u16(16);
    f.insert(f.end(), {'d', 'a', 't', 'a'});
    u32(dataBytes);
    for (std::int16_t s : samples) u16(std::uint16_t(s));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
}

// The fmt chunk (as a WAVEFORMATEX: cbSize 0 added when the chunk has 16 bytes) followed
// by the data chunk's bytes; empty when the file is not a readable WAV.
inline Buf ReadWavAsArray(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Buf f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (f.size() < 12) return {};
    Buf fmt, data;
    for (std::size_t at = 12; at + 8 <= f.size();) {
        std::uint32_t size = kez::array::ReadU32(&f[at + 4]);
        std::size_t body = at + 8, end = std::min(f.size(), body + size);
        if (std::memcmp(&f[at], "fmt ", 4) == 0) fmt.assign(f.begin() + body, f.begin() + end);
        if (std::memcmp(&f[at], "data", 4) == 0) data.assign(f.begin() + body, f.begin() + end);
        at = body + size + (size & 1);
    }
    if (fmt.size() < 16) return {};
    if (fmt.size() < 18) fmt.resize(18, 0);
    return Concat(fmt, data);
}

inline std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

}  // namespace arraytest
