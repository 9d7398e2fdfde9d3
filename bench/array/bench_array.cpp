// The editing operations on a 100 MB PCM array, and the channel split and join of ten
// minutes of stereo audio in each sample size, each beside a plain copy of the same bytes
// (run.sh prints the ratios).
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "KezAudioArrayProcessing3/KezAudioArrayProcessing3Lib_TLB.h"
#include "KezAudioArrayProcessing3/audio_array.h"
#include "KezAudioArrayProcessing3/converter.h"
#include "com/combase.h"
#include "frame/module.h"

namespace {

constexpr std::size_t kArrayBytes = 100u << 20;
constexpr std::size_t kTenMinutesFrames = 44100u * 600;  // stereo

// Stereo PCM (format tag 1) or float (3) audio of dataBytes bytes.
SAFEARRAY* MakePcm(std::size_t dataBytes, WORD tag = 1, WORD bits = 16) {
    kez::array::WaveHeader h;
    h.formatTag = tag;
    h.channels = 2;
    h.samplesPerSec = 44100;
    h.blockAlign = WORD(2 * bits / 8);
    h.avgBytesPerSec = 44100 * h.blockAlign;
    h.bitsPerSample = bits;
    SAFEARRAY* a = kez::array::NewByteArray(18 + dataBytes);
    std::uint8_t* d = kez::array::MutableData(a);
    h.Write(d);
    if (tag == 3) {
        for (std::size_t i = 0; i + 4 <= dataBytes; i += 4) {
            float v = float(int(i % 20001) - 10000) / 10000.f;
            std::memcpy(d + 18 + i, &v, 4);
        }
    } else {
        for (std::size_t i = 18; i < 18 + dataBytes; ++i) d[i] = std::uint8_t(i * 31);
    }
    return a;
}

std::size_t TenMinutesBytes(int bits) { return kTenMinutesFrames * 2 * std::size_t(bits / 8); }

HRESULT LoadConverter(IAudioCompress3** out) {
    static DllGetClassObjectFn get = [] {
        HMODULE m = LoadLibraryA("KezAudioCompress3.DLL");
        return m ? reinterpret_cast<DllGetClassObjectFn>(GetProcAddress(m, "DllGetClassObject")) : nullptr;
    }();
    if (!get) return REGDB_E_CLASSNOTREG;
    IClassFactory* f = nullptr;
    HRESULT hr = get(CLSID_AudioCompress3, IID_IClassFactory, reinterpret_cast<void**>(&f));
    if (FAILED(hr)) return hr;
    hr = f->CreateInstance(nullptr, IID_IAudioCompress3, reinterpret_cast<void**>(out));
    f->Release();
    return hr;
}

template <class I>
I* New(REFCLSID clsid, REFIID iid) {
    kez::array::SetConverterFactory(&LoadConverter);
    IClassFactory* f = nullptr;
    kez::frame::Module::Instance().GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&f));
    I* obj = nullptr;
    if (f) {
        f->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&obj));
        f->Release();
    }
    return obj;
}

struct Fixture {
    SAFEARRAY* big = MakePcm(kArrayBytes);
    SAFEARRAY* half = MakePcm(kArrayBytes / 2);
    SAFEARRAY* small = MakePcm(4096);
    // Ten minutes of stereo by sample size; float is 33.
    SAFEARRAY* tenMinutes(int size) {
        SAFEARRAY*& a = bySize[size];
        if (!a) a = size == 33 ? MakePcm(TenMinutesBytes(32), 3, 32) : MakePcm(TenMinutesBytes(size), 1, WORD(size));
        return a;
    }
    std::map<int, SAFEARRAY*> bySize;
    IAudioArrayProcessing3* proc = New<IAudioArrayProcessing3>(CLSID_AudioArrayProcessing3, IID_IAudioArrayProcessing3);
    IAudioChannelsProcessing3* channels =
        New<IAudioChannelsProcessing3>(CLSID_AudioChannelsProcessing3, IID_IAudioChannelsProcessing3);
};

Fixture& F() {
    static Fixture f;
    return f;
}

void Copy(benchmark::State& state, std::size_t bytes) {
    std::vector<std::uint8_t> src(bytes, 7);
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> dst(new std::uint8_t[bytes]);
        std::memcpy(dst.get(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes));
}

void Memcpy100MB(benchmark::State& state) { Copy(state, kArrayBytes); }
// The argument of the ten-minute benchmarks is the sample size, 33 for 32-bit float.
void MemcpyTenMinutes(benchmark::State& state) { Copy(state, TenMinutesBytes(std::min(int(state.range(0)), 32))); }

// The bytes a split of ten minutes of stereo writes, whatever the sample size: two
// channels of 64-bit values.
void MemcpyChannelArrays(benchmark::State& state) { Copy(state, kTenMinutesFrames * 2 * 8); }

void ArrayCrop(benchmark::State& state) {
    SAFEARRAY* out = nullptr;
    LONG frames = LONG(kArrayBytes / 4);
    for (auto _ : state) {
        F().proc->ArrayCrop(&F().big, 0, frames, &out);
        SafeArrayDestroy(out);
    }
}

void ArraySplit(benchmark::State& state) {
    SAFEARRAY *a = nullptr, *b = nullptr;
    LONG middle = LONG(kArrayBytes / 8);
    for (auto _ : state) {
        F().proc->ArraySplit(&F().big, middle, &a, &b);
        SafeArrayDestroy(a);
        SafeArrayDestroy(b);
    }
}

void ArrayMerge(benchmark::State& state) {
    SAFEARRAY* out = nullptr;
    for (auto _ : state) {
        F().proc->ArrayMerge(&F().half, &F().half, &out);
        SafeArrayDestroy(out);
    }
}

void ArrayInsert(benchmark::State& state) {
    SAFEARRAY* out = nullptr;
    LONG middle = LONG(kArrayBytes / 8);
    for (auto _ : state) {
        F().proc->ArrayInsert(&F().big, &F().small, middle, &out);
        SafeArrayDestroy(out);
    }
}

void ChannelSplit(benchmark::State& state) {
    LONG count = 0;
    SAFEARRAY *l = nullptr, *r = nullptr;
    SAFEARRAY* in = F().tenMinutes(int(state.range(0)));
    for (auto _ : state) {
        F().channels->SetInputArray(&in, &count);
        F().channels->GetSingleChannel(1, &l);
        F().channels->GetSingleChannel(2, &r);
        SafeArrayDestroy(l);
        SafeArrayDestroy(r);
    }
}

void ChannelJoin(benchmark::State& state) {
    LONG count = 0;
    SAFEARRAY *l = nullptr, *r = nullptr, *out = nullptr;
    SAFEARRAY* in = F().tenMinutes(int(state.range(0)));
    F().channels->SetInputArray(&in, &count);
    F().channels->GetSingleChannel(1, &l);
    F().channels->GetSingleChannel(2, &r);
    for (auto _ : state) {
        F().channels->SetSingleChannel(1, &l);
        F().channels->SetSingleChannel(2, &r);
        F().channels->GetOutputArray(&out);
        SafeArrayDestroy(out);
    }
    SafeArrayDestroy(l);
    SafeArrayDestroy(r);
}

}  // namespace

BENCHMARK(Memcpy100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(ArrayCrop)->Unit(benchmark::kMillisecond);
BENCHMARK(ArraySplit)->Unit(benchmark::kMillisecond);
BENCHMARK(ArrayMerge)->Unit(benchmark::kMillisecond);
BENCHMARK(ArrayInsert)->Unit(benchmark::kMillisecond);
BENCHMARK(MemcpyTenMinutes)->Unit(benchmark::kMillisecond)->Arg(8)->Arg(16)->Arg(24)->Arg(32);
BENCHMARK(MemcpyChannelArrays)->Unit(benchmark::kMillisecond);
BENCHMARK(ChannelSplit)->Unit(benchmark::kMillisecond)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Arg(33);
BENCHMARK(ChannelJoin)->Unit(benchmark::kMillisecond)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Arg(33);
BENCHMARK_MAIN();
