#include "cutter/components/KezAudioFile3Lib_TLB.h"

#include <cstring>
#include <utility>

#include "com/combase.h"
#include "cutter/components/EOleException.h"
#include "text/codepage.h"

namespace kezfile {

BSTR NewBstr(const std::u16string& text) { return SysAllocStringLen(text.data(), UINT(text.size())); }
BSTR NewBstr(const std::string& utf8) { return NewBstr(platform::text::Utf8ToUtf16(utf8)); }

std::u16string TakeBstr(BSTR s) {
    std::u16string text(s ? s : u"", SysStringLen(s));
    SysFreeString(s);
    return text;
}

std::string Utf8(const std::u16string& s) { return platform::text::Utf16ToUtf8(s); }

std::int64_t VariantToInt64(const VARIANT& v) {
    VARIANT out;
    VariantInit(&out);
    OleCheck(VariantChangeType(&out, &v, 0, VT_I8));
    return out.llVal;
}

}  // namespace kezfile

using kezfile::NewBstr;
using kezfile::TakeBstr;

namespace {

// A BSTR for the duration of one call.
class Bstr {
public:
    template <class S>
    explicit Bstr(const S& s) : b_(NewBstr(s)) {}
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
                   "libKezAudioFile3.so");
    intf = static_cast<I*>(p);
}

std::int64_t TakeInt64(VARIANT& v) {
    std::int64_t n = kezfile::VariantToInt64(v);
    VariantClear(&v);
    return n;
}

}  // namespace

// --- TAudioBlock -------------------------------------------------------------------------

TAudioBlock& TAudioBlock::operator=(TAudioBlock&& o) noexcept {
    if (this != &o) {
        VariantClear(&v_);
        v_ = o.v_;
        VariantInit(&o.v_);
    }
    return *this;
}

std::vector<std::uint8_t> TAudioBlock::Bytes() const {
    std::vector<std::uint8_t> out;
    if (v_.vt != (VT_ARRAY | VT_UI1) || !v_.parray) return out;
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(v_.parray, 1, &lo);
    SafeArrayGetUBound(v_.parray, 1, &hi);
    void* data = nullptr;
    if (hi < lo || FAILED(SafeArrayAccessData(v_.parray, &data))) return out;
    const auto* p = static_cast<const std::uint8_t*>(data);
    out.assign(p, p + (hi - lo + 1));
    SafeArrayUnaccessData(v_.parray);
    return out;
}

TAudioBlock TAudioBlock::FromBytes(const std::vector<std::uint8_t>& bytes) {
    TAudioBlock b;
    if (bytes.empty()) return b;
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, ULONG(bytes.size()));
    if (!sa) throw EOleException("Not enough memory for an audio block", E_OUTOFMEMORY);
    void* data = nullptr;
    SafeArrayAccessData(sa, &data);
    std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(sa);
    b.v_.vt = VT_ARRAY | VT_UI1;
    b.v_.parray = sa;
    return b;
}

// --- TAudioInfo --------------------------------------------------------------------------

TAudioInfo::~TAudioInfo() {
    if (info_) info_->Release();
}

#define KEZ_INFO_LONG(Name)                   \
    int TAudioInfo::Name() {                  \
        LONG v = 0;                           \
        OleCheck(info_->get_##Name(&v));      \
        return v;                             \
    }
KEZ_INFO_LONG(SampleRate)
KEZ_INFO_LONG(Bitrate)
KEZ_INFO_LONG(Channels)
KEZ_INFO_LONG(SampleSize)
KEZ_INFO_LONG(FormatTag)
#undef KEZ_INFO_LONG

#define KEZ_INFO_VAR(Name)                    \
    std::int64_t TAudioInfo::Name() {         \
        VARIANT v;                            \
        VariantInit(&v);                      \
        OleCheck(info_->get_##Name(&v));      \
        return TakeInt64(v);                  \
    }
KEZ_INFO_VAR(Duration)
KEZ_INFO_VAR(Size)
KEZ_INFO_VAR(Position)
#undef KEZ_INFO_VAR

double TAudioInfo::CompressRate() {
    double v = 1.0;
    OleCheck(info_->get_CompressRate(&v));
    return v;
}

// --- TAudioFile3 -------------------------------------------------------------------------

TAudioFile3::~TAudioFile3() {
    if (intf_) intf_->Release();
}

void TAudioFile3::Connect() { CreateObject(intf_, CLASS_AudioFile3, IID_IAudioFile3, "KezAudioFile3.AudioFile3"); }

IAudioFile3* TAudioFile3::DefaultInterface() {
    Connect();
    return intf_;
}

void TAudioFile3::Open(const std::string& fileName) {
    CheckRegularFile(fileName);
    OleCheck(DefaultInterface()->Open(Bstr(fileName)));
}
void TAudioFile3::Open(const std::u16string& fileName) {
    CheckRegularFile(kezfile::Utf8(fileName));
    OleCheck(DefaultInterface()->Open(Bstr(fileName)));
}

std::int64_t TAudioFile3::SeekTime(std::int64_t ms, int mode) {
    VARIANT t, result;
    VariantInit(&t);
    VariantInit(&result);
    t.vt = VT_I8;
    t.llVal = ms;
    OleCheck(DefaultInterface()->SeekTime(t, mode, &result));
    return result.vt == VT_EMPTY ? 0 : TakeInt64(result);
}

TAudioBlock TAudioFile3::Read(int count) {
    TAudioBlock b;
    OleCheck(DefaultInterface()->Read(count, b.Get()));
    return b;
}

void TAudioFile3::Close() { OleCheck(DefaultInterface()->Close()); }

void TAudioFile3::SetMp3Format(int sampleRate, int bitrate, int channelMode) {
    OleCheck(DefaultInterface()->SetMp3Format(sampleRate, bitrate, channelMode));
}

void TAudioFile3::SetOggFormat(int sampleRate, int channelMode, int bitrate, int a, int b, int c) {
    OleCheck(DefaultInterface()->SetOggFormat(sampleRate, channelMode, bitrate, a, b, c));
}

void TAudioFile3::SetWavFormat(int sampleRate, int channels, int sampleSize, int flags) {
    OleCheck(DefaultInterface()->SetWavFormat(sampleRate, channels, sampleSize, flags));
}

void TAudioFile3::Create(const std::string& fileName, int fileType) {
    OleCheck(DefaultInterface()->Create(Bstr(fileName), fileType));
}
void TAudioFile3::Create(const std::u16string& fileName, int fileType) {
    OleCheck(DefaultInterface()->Create(Bstr(fileName), fileType));
}

void TAudioFile3::Write(const VARIANT& block) { OleCheck(DefaultInterface()->Write(block)); }

TAudioInfo TAudioFile3::AudioInfo() {
    IAudioInfo* info = nullptr;
    OleCheck(DefaultInterface()->get_AudioInfo(&info));
    if (!info) throw EOleException("No audio information", E_POINTER);
    return TAudioInfo(info);
}

// --- TAudioFileInformation3 --------------------------------------------------------------

TAudioFileInformation3::~TAudioFileInformation3() {
    if (intf_) intf_->Release();
}

void TAudioFileInformation3::Connect() {
    CreateObject(intf_, CLASS_AudioFileInformation3, IID_IAudioFileInformation3,
                 "KezAudioFile3.AudioFileInformation3");
}

IAudioFileInformation3* TAudioFileInformation3::DefaultInterface() {
    Connect();
    return intf_;
}

bool TAudioFileInformation3::ReadFromFile(const std::string& fileName) {
    CheckRegularFile(fileName);
    VARIANT_BOOL ok = VARIANT_FALSE;
    OleCheck(DefaultInterface()->ReadFromFile(Bstr(fileName), &ok));
    return ok != VARIANT_FALSE;
}

bool TAudioFileInformation3::WriteToFile(const std::string& fileName) {
    VARIANT_BOOL ok = VARIANT_FALSE;
    OleCheck(DefaultInterface()->WriteToFile(Bstr(fileName), &ok));
    return ok != VARIANT_FALSE;
}

#define KEZ_TEXT(Name)                                                              \
    std::u16string TAudioFileInformation3::Name() {                                 \
        BSTR v = nullptr;                                                           \
        OleCheck(DefaultInterface()->get_##Name(&v));                               \
        return TakeBstr(v);                                                         \
    }                                                                               \
    void TAudioFileInformation3::Set##Name(const std::u16string& v) {               \
        OleCheck(DefaultInterface()->put_##Name(Bstr(v)));                          \
    }
KEZ_TEXT(Title)
KEZ_TEXT(Artist)
KEZ_TEXT(Album)
KEZ_TEXT(Comments)
KEZ_TEXT(Genre)
#undef KEZ_TEXT

#define KEZ_NUMBER(Name, T)                                                         \
    int TAudioFileInformation3::Name() {                                            \
        T v = 0;                                                                    \
        OleCheck(DefaultInterface()->get_##Name(&v));                               \
        return v;                                                                   \
    }                                                                               \
    void TAudioFileInformation3::Set##Name(int v) { OleCheck(DefaultInterface()->put_##Name(T(v))); }
KEZ_NUMBER(Year, LONG)
KEZ_NUMBER(Track, LONG)
KEZ_NUMBER(TagType, SHORT)
KEZ_NUMBER(Mode, LONG)
#undef KEZ_NUMBER

void TAudioFileInformation3::SetPropertyByName(const std::u16string& name, const std::u16string& value) {
    IDispatch* disp = DefaultInterface();
    std::u16string n = name;
    LPOLESTR names[1] = {n.data()};
    DISPID id = DISPID_UNKNOWN;
    OleCheck(disp->GetIDsOfNames(GUID_NULL, names, 1, 0, &id));
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = NewBstr(value);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &put, 1, 1};
    EXCEPINFO excep{};
    HRESULT hr = disp->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, &excep, nullptr);
    VariantClear(&arg);
    std::string text = excep.bstrDescription ? kezfile::Utf8(TakeBstr(excep.bstrDescription)) : "";
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
    if (FAILED(hr) && !text.empty()) throw EOleException(text, excep.scode ? excep.scode : hr);
    OleCheck(hr);
}

TAudioInfo TAudioFileInformation3::AudioInfo() {
    IAudioInfo* info = nullptr;
    OleCheck(DefaultInterface()->get_AudioInfo(&info));
    if (!info) throw EOleException("No audio information", E_POINTER);
    return TAudioInfo(info);
}
