// GetChunksInformation and SetChunksInformation on arbitrary files: the input becomes a
// file, one editor reads it, every property is read, every flag is set and the file is
// rewritten; the output is read again. The editor is kept across inputs, so each read
// must also reset what the one before left.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "KezAudioChunksEditor3/KezAudioChunksEditor3Lib_TLB.h"
#include "automation/oleauto.h"
#include "com/combase.h"
#include "frame/module.h"
#include "registry/registry.h"
#include "text/codepage.h"

namespace {

std::string g_dir;

std::string ExeDir() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string p(buf, std::size_t(n));
    return p.substr(0, p.rfind('/'));
}

IWavChunksEditor3* Editor() {
    static IWavChunksEditor3* editor = [] {
        char tmpl[] = "/tmp/fuzz-chunks-XXXXXX";
        g_dir = mkdtemp(tmpl);
        if (!std::getenv("PLATFORM_REGISTRY_DIR")) PlatformSetRegistryDir((g_dir + "/registry").c_str());
        const char* bin = std::getenv("KEZ_BIN_DIR");
        std::string module = (bin ? std::string(bin) : ExeDir()) + "/libAudioFormat.so";
        HMODULE m = LoadLibraryA(module.c_str());
        auto reg = m ? reinterpret_cast<DllRegisterServerFn>(GetProcAddress(m, "DllRegisterServer")) : nullptr;
        if (!reg || FAILED(reg())) {
            std::fprintf(stderr, "cannot register %s\n", module.c_str());
            std::abort();
        }
        IClassFactory* f = nullptr;
        IWavChunksEditor3* e = nullptr;
        kez::frame::Module::Instance().GetClassObject(CLSID_WavChunksEditor3, IID_IClassFactory,
                                                      reinterpret_cast<void**>(&f));
        if (!f || FAILED(f->CreateInstance(nullptr, IID_IWavChunksEditor3, reinterpret_cast<void**>(&e)))) std::abort();
        f->Release();
        return e;
    }();
    return editor;
}

void ReadEverything(IWavChunksEditor3* e) {
    ExtraInformation x{};
    e->get_ExtraInformation(&x);
    for (BSTR b : {x.Copyright, x.Title, x.Artist, x.Album, x.Comments, x.EncodedBy, x.Genre, x.ArchivalLocation,
                   x.Commissioned, x.Cropped, x.Dimensions, x.DotsPerInch, x.Engineer, x.Keywords, x.Lightness,
                   x.Medium, x.Name, x.PaletteSetting, x.Product, x.Subject, x.Sharpness, x.Source, x.SourceForm,
                   x.Technician})
        SysFreeString(b);
    BroadcastAudioExtension b{};
    e->get_BroadcastAudioExtension(&b);
    for (BSTR s : {b.Description, b.Originator, b.OriginatorReference, b.OriginationDate, b.OriginationTime,
                   b.CodingHistory})
        SysFreeString(s);
    CartAudioExtension c{};
    e->get_CartAudioExtension(&c);
    for (BSTR s : {c.Version, c.Title, c.Artist, c.CutID, c.ClientID, c.Category, c.Classification, c.OutCue,
                   c.StartDate, c.StartTime, c.EndDate, c.EndTime, c.ProducerAppID, c.ProducerAppVersion, c.UserDef,
                   c.URL, c.TagText})
        SysFreeString(s);
    LONG n = 0;
    e->get_CuePointCount(&n);
    for (LONG i = 1; i <= n && i <= 64; ++i) {
        e->put_CuePointNum(i);
        CuePoint p{};
        e->get_CuePointInfo(&p);
        SysFreeString(p.Note);
        SysFreeString(p.Label);
        SysFreeString(p.Text);
    }
    IAudioInfo* a = nullptr;
    e->get_AudioInfo(&a);
    VARIANT v;
    a->get_Duration(&v);
    a->get_Size(&v);
    double rate = 0;
    a->get_CompressRate(&rate);
    a->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IWavChunksEditor3* e = Editor();
    const std::string path = g_dir + "/in.wav";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    BSTR name = platform::text::Utf8ToBstr(path);
    e->GetChunksInformation(name);
    ReadEverything(e);
    e->put_ExtraInformationEnabled(1);
    e->put_BroadcastAudioExtensionEnabled(1);
    e->put_CartAudioExtensionEnabled(1);
    e->put_CuePointsEnabled(1);
    if (SUCCEEDED(e->SetChunksInformation(name))) {
        BSTR out = platform::text::Utf8ToBstr(path + ".wav");
        e->GetChunksInformation(out);
        ReadEverything(e);
        SysFreeString(out);
    }
    SysFreeString(name);
    std::remove((path + ".wav").c_str());
    std::remove(path.c_str());
    return 0;
}
