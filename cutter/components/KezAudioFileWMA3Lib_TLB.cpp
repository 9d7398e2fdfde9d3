#include "cutter/components/KezAudioFileWMA3Lib_TLB.h"

#include "com/combase.h"
#include "cutter/components/EOleException.h"

namespace {

class Bstr {
public:
    explicit Bstr(const std::string& s) : b_(kezfile::NewBstr(s)) {}
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return b_; }

private:
    BSTR b_;
};

template <class I>
void CreateObject(I*& intf, const CLSID& clsid, const IID& iid, const char* component) {
    if (intf) return;
    void* p = nullptr;
    OleCheckCreate(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, &p), component,
                   "libKezAudioFileWMA3.so");
    intf = static_cast<I*>(p);
}

std::int64_t TakeInt64(VARIANT& v) {
    std::int64_t n = v.vt == VT_EMPTY ? 0 : kezfile::VariantToInt64(v);
    VariantClear(&v);
    return n;
}

VARIANT Int64Variant(std::int64_t n) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I8;
    v.llVal = n;
    return v;
}

}  // namespace

TAudioInfoWMA::~TAudioInfoWMA() {
    if (info_) info_->Release();
}

#define KEZ_INFO_LONG(Name)              \
    int TAudioInfoWMA::Name() {          \
        LONG v = 0;                      \
        OleCheck(info_->get_##Name(&v)); \
        return v;                        \
    }
KEZ_INFO_LONG(SampleRate)
KEZ_INFO_LONG(Bitrate)
KEZ_INFO_LONG(Channels)
KEZ_INFO_LONG(SampleSize)
KEZ_INFO_LONG(FormatTag)
#undef KEZ_INFO_LONG

#define KEZ_INFO_VAR(Name)               \
    std::int64_t TAudioInfoWMA::Name() { \
        VARIANT v;                       \
        VariantInit(&v);                 \
        OleCheck(info_->get_##Name(&v)); \
        return TakeInt64(v);             \
    }
KEZ_INFO_VAR(Duration)
KEZ_INFO_VAR(Size)
KEZ_INFO_VAR(Position)
#undef KEZ_INFO_VAR

double TAudioInfoWMA::CompressRate() {
    double v = 1.0;
    OleCheck(info_->get_CompressRate(&v));
    return v;
}

TAudioFileWMA3::~TAudioFileWMA3() {
    if (intf_) intf_->Release();
}

void TAudioFileWMA3::Connect() { CreateObject(intf_, CLASS_AudioFileWMA3, IID_IAudioFileWMA3, "KezAudioFileWMA3.AudioFileWMA3"); }

IAudioFileWMA3* TAudioFileWMA3::DefaultInterface() {
    Connect();
    return intf_;
}

void TAudioFileWMA3::Open(const std::string& fileName) {
    CheckRegularFile(fileName);
    OleCheck(DefaultInterface()->Open(Bstr(fileName)));
}

std::int64_t TAudioFileWMA3::SeekUnits(std::int64_t units, int mode) {
    VARIANT result;
    VariantInit(&result);
    OleCheck(DefaultInterface()->SeekUnits(Int64Variant(units), mode, &result));
    return TakeInt64(result);
}

std::int64_t TAudioFileWMA3::SeekTime(std::int64_t ms, int mode) {
    VARIANT result;
    VariantInit(&result);
    OleCheck(DefaultInterface()->SeekTime(Int64Variant(ms), mode, &result));
    return TakeInt64(result);
}

TAudioBlock TAudioFileWMA3::Read(int count) {
    TAudioBlock b;
    OleCheck(DefaultInterface()->Read(count, b.Get()));
    return b;
}

void TAudioFileWMA3::Close() { OleCheck(DefaultInterface()->Close()); }
void TAudioFileWMA3::SetFormat(IAudioFormatWMA* format) { OleCheck(DefaultInterface()->SetFormat(format)); }
void TAudioFileWMA3::Create(const std::string& fileName) { OleCheck(DefaultInterface()->Create(Bstr(fileName))); }
void TAudioFileWMA3::Write(const VARIANT& block) { OleCheck(DefaultInterface()->Write(block)); }

TAudioInfoWMA TAudioFileWMA3::AudioInfo() {
    IAudioInfoWMA* info = nullptr;
    OleCheck(DefaultInterface()->get_AudioInfo(&info));
    if (!info) throw EOleException("No audio information", E_POINTER);
    return TAudioInfoWMA(info);
}

TAudioFileWMAInformation3::~TAudioFileWMAInformation3() {
    if (intf_) intf_->Release();
}

void TAudioFileWMAInformation3::Connect() {
    CreateObject(intf_, CLASS_AudioFileWMAInformation3, IID_IAudioFileWMAInformation3,
                 "KezAudioFileWMA3.AudioFileWMAInformation3");
}

IAudioFileWMAInformation3* TAudioFileWMAInformation3::DefaultInterface() {
    Connect();
    return intf_;
}

void TAudioFileWMAInformation3::ReadFromFile(const std::string& fileName) {
    CheckRegularFile(fileName);
    OleCheck(DefaultInterface()->ReadFromFile(Bstr(fileName)));
}

TAudioInfoWMA TAudioFileWMAInformation3::AudioInfo() {
    IAudioInfoWMA* info = nullptr;
    OleCheck(DefaultInterface()->get_AudioInfo(&info));
    if (!info) throw EOleException("No audio information", E_POINTER);
    return TAudioInfoWMA(info);
}

#define KEZ_TEXT(Name)                                    \
    std::u16string TAudioFileWMAInformation3::Name() {    \
        BSTR v = nullptr;                                 \
        OleCheck(DefaultInterface()->get_##Name(&v));     \
        return kezfile::TakeBstr(v);                      \
    }
KEZ_TEXT(Title)
KEZ_TEXT(Artist)
KEZ_TEXT(Album)
KEZ_TEXT(Comments)
KEZ_TEXT(Genre)
#undef KEZ_TEXT

int TAudioFileWMAInformation3::Year() {
    LONG v = 0;
    OleCheck(DefaultInterface()->get_Year(&v));
    return v;
}

int TAudioFileWMAInformation3::Track() {
    LONG v = 0;
    OleCheck(DefaultInterface()->get_Track(&v));
    return v;
}
