// SetChunksInformation on a large WAV file, for run.sh to time beside cp.
//   chunks_bench make FILE MB    writes a 16-bit stereo PCM file of about MB megabytes
//   chunks_bench set FILE        reads FILE's chunks and writes FILE.wav with bext, INFO, cues;
//                                prints the seconds SetChunksInformation took
// The audio format component is registered into a registry folder of its own.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "KezAudioChunksEditor3/KezAudioChunksEditor3Lib_TLB.h"
#include "automation/oleauto.h"
#include "com/combase.h"
#include "frame/module.h"
#include "registry/registry.h"
#include "text/codepage.h"

namespace {

void Le32(std::vector<char>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(char(v >> (8 * i)));
}

int Make(const char* path, long mb) {
    const std::uint64_t data = std::uint64_t(mb) * 1000000 / 4 * 4;
    if (data > 0xFFFFFF00ull) return 2;
    std::vector<char> h;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    Le32(h, std::uint32_t(data + 36));
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Le32(h, 16);
    const char fmt[16] = {1, 0, 2, 0, 0x44, char(0xAC), 0, 0, 0x10, char(0xB1), 2, 0, 4, 0, 16, 0};
    h.insert(h.end(), fmt, fmt + 16);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    Le32(h, std::uint32_t(data));
    FILE* f = std::fopen(path, "wb");
    if (!f) return 3;
    std::fwrite(h.data(), 1, h.size(), f);
    std::vector<std::uint32_t> block(1 << 18);
    std::uint32_t x = 2463534242u;
    for (std::uint64_t left = data; left > 0;) {
        for (auto& w : block) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            w = x;
        }
        std::size_t n = std::size_t(std::min<std::uint64_t>(left, block.size() * 4));
        if (std::fwrite(block.data(), 1, n, f) != n) return 4;
        left -= n;
    }
    return std::fclose(f) == 0 ? 0 : 5;
}

std::string ExeDir() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string p(buf, n > 0 ? std::size_t(n) : 0);
    return p.substr(0, p.rfind('/'));
}

int Set(const char* path) {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/chunks-bench-XXXXXX";
    if (!mkdtemp(tmpl.data())) return 2;
    const std::string dir = tmpl;
    PlatformSetRegistryDir(dir.c_str());
    HMODULE m = LoadLibraryA((ExeDir() + "/libAudioFormat.so").c_str());
    auto reg = m ? reinterpret_cast<DllRegisterServerFn>(GetProcAddress(m, "DllRegisterServer")) : nullptr;
    if (!reg || FAILED(reg())) return 2;
    IClassFactory* f = nullptr;
    IWavChunksEditor3* e = nullptr;
    kez::frame::Module::Instance().GetClassObject(CLSID_WavChunksEditor3, IID_IClassFactory,
                                                  reinterpret_cast<void**>(&f));
    if (!f || FAILED(f->CreateInstance(nullptr, IID_IWavChunksEditor3, reinterpret_cast<void**>(&e)))) return 3;
    f->Release();
    BSTR name = platform::text::Utf8ToBstr(path);
    HRESULT hr = e->GetChunksInformation(name);
    BroadcastAudioExtension b{};
    b.Description = platform::text::Utf8ToBstr("benchmark");
    b.CodingHistory = platform::text::Utf8ToBstr("A=PCM,F=44100,W=16,M=stereo\r\n");
    e->put_BroadcastAudioExtension(&b);
    CuePoint c{};
    c.Position = 44100;
    c.Label = platform::text::Utf8ToBstr("one second");
    e->InsertCuePoint(&c);
    e->put_BroadcastAudioExtensionEnabled(1);
    e->put_ExtraInformationEnabled(1);
    e->put_CuePointsEnabled(1);
    // Only the rewrite is timed: registering the component and reading the chunks are
    // not part of what is compared with cp.
    auto start = std::chrono::steady_clock::now();
    if (SUCCEEDED(hr)) hr = e->SetChunksInformation(name);
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", took.count());
    e->Release();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return SUCCEEDED(hr) ? 0 : 4;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "make") == 0) return Make(argv[2], std::atol(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "set") == 0) return Set(argv[2]);
    std::fprintf(stderr, "usage: chunks_bench make FILE MB | set FILE\n");
    return 1;
}
