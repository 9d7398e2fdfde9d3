// The editing operations on a 100 MB PCM array, and the channel split and join of ten
// minutes of stereo audio, each beside a plain copy of the same bytes (run.sh prints the
// ratios).
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "KezAudioArrayProcessing3/KezAudioArrayProcessing3Lib_TLB.h"
#include "KezAudioArrayProcessing3/audio_array.h"
#include "KezAudioArrayProcessing3/converter.h"
#include "com/combase.h"
#include "frame/module.h"

namespace {

constexpr std::size_t kArrayBytes = 100u << 20;
constexpr std::size_t kTenMinutes = 44100u * 600 * 4;  // stereo, 16-bit

SAFEARRAY* MakePcm(std::size_t dataBytes) {
    kez::array::WaveHeader h;
    h.formatTag = 1;
    h.channels = 2;
    h.samplesPerSec = 44100;
    h.blockAlign = 4;
    h.avgBytesPerSec = 176400;
    h.bitsPerSample = 16;
    SAFEARRAY* a = kez::array::NewByteArray(18 + dataBytes);
    std::uint8_t* d = kez::array::MutableData(a);
    h.Write(d);
    for (std::size_t i = 18; i < 18 + dataBytes; ++i) d[i] = std::uint8_t(i * 31);
    return a;
}

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
    SAFEARRAY* tenMinutes = MakePcm(kTenMinutes);
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
void MemcpyTenMinutes(benchmark::State& state) { Copy(state, kTenMinutes); }

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
    for (auto _ : state) {
        F().channels->SetInputArray(&F().tenMinutes, &count);
        F().channels->GetSingleChannel(1, &l);
        F().channels->GetSingleChannel(2, &r);
        SafeArrayDestroy(l);
        SafeArrayDestroy(r);
    }
}

void ChannelJoin(benchmark::State& state) {
    LONG count = 0;
    SAFEARRAY *l = nullptr, *r = nullptr, *out = nullptr;
    F().channels->SetInputArray(&F().tenMinutes, &count);
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
BENCHMARK(MemcpyTenMinutes)->Unit(benchmark::kMillisecond);
BENCHMARK(ChannelSplit)->Unit(benchmark::kMillisecond);
BENCHMARK(ChannelJoin)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
