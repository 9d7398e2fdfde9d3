// libKezAudioFileWMA3.so: the WMA reader and writer (AudioFileWMA3) and the WMA attribute
// reader (AudioFileWMAInformation3), with the library's own IAudioInfo.
#include "ComSupport.h"
#include "Decoder.h"
#include "KezAudioFileWMA3/KezAudioFileWMA3Lib.h"
#include "MediaError.h"
#include "Tags.h"

PLATFORM_INTERFACE_ID(IAudioInfoWMA, IID_IAudioInfoWMA);
PLATFORM_INTERFACE_ID(IAudioFormatWMA, IID_IAudioFormatWMA);

namespace kezfilecom {
kezserver::ModuleCounts g_counts;

namespace {

using kez::media::MediaError;

constexpr const char16_t* kFileSource = u"KezAudioFileWMA3.AudioFileWMA3";
constexpr const char16_t* kInfoSource = u"KezAudioFileWMA3.AudioFileWMAInformation3";

const platform::DispInterface& FileTable() {
    using namespace platform;
    using I = IAudioFileWMA3;
    static const DispInterface table{u"IAudioFileWMA3", IID_IAudioFileWMA3, u"WMA file reader and writer", {
        Method<&I::Open>(u"Open", DISPID_AudioFileWMA3_Open, u"Opens a file for reading", {{u"FileName"}}),
        Method<&I::SeekUnits>(u"SeekUnits", DISPID_AudioFileWMA3_SeekUnits, u"Goes to a unit offset",
                              {{u"Units"}, {u"Mode"}, {u"Result", VT_VARIANT, kOut}}),
        Method<&I::SeekTime>(u"SeekTime", DISPID_AudioFileWMA3_SeekTime, u"Goes to a time in ms",
                             {{u"Time"}, {u"Mode"}, {u"Result", VT_VARIANT, kOut}}),
        Method<&I::Read>(u"Read", DISPID_AudioFileWMA3_Read, u"Reads up to Count units",
                         {{u"Count"}, {u"Data", VT_VARIANT, kOut}}),
        Method<&I::Close>(u"Close", DISPID_AudioFileWMA3_Close, u"Closes the file"),
        Method<&I::SetFormat>(u"SetFormat", DISPID_AudioFileWMA3_SetFormat, u"Output format", {{u"Format"}}),
        Method<&I::Create>(u"Create", DISPID_AudioFileWMA3_Create, u"Creates an output file", {{u"FileName"}}),
        Method<&I::Write>(u"Write", DISPID_AudioFileWMA3_Write, u"Appends a block", {{u"Data"}}),
        Get<&I::get_AudioInfo>(u"AudioInfo", DISPID_AudioFileWMA3_AudioInfo, u"Stream information"),
    }};
    return table;
}

const platform::DispInterface& InfoTable() {
    using namespace platform;
    using I = IAudioFileWMAInformation3;
    static const DispInterface table{
        u"IAudioFileWMAInformation3", IID_IAudioFileWMAInformation3, u"WMA file attributes", {
            Method<&I::ReadFromFile>(u"ReadFromFile", DISPID_AudioFileWMAInformation3_ReadFromFile,
                                     u"Reads the attributes of a file", {{u"FileName"}}),
            Get<&I::get_AudioInfo>(u"AudioInfo", DISPID_AudioFileWMAInformation3_AudioInfo, u"Stream information"),
            Get<&I::get_Title>(u"Title", DISPID_AudioFileWMAInformation3_Title, u"Title"),
            Get<&I::get_Artist>(u"Artist", DISPID_AudioFileWMAInformation3_Artist, u"Author"),
            Get<&I::get_Album>(u"Album", DISPID_AudioFileWMAInformation3_Album, u"WM/AlbumTitle"),
            Get<&I::get_Comments>(u"Comments", DISPID_AudioFileWMAInformation3_Comments, u"Description"),
            Get<&I::get_Genre>(u"Genre", DISPID_AudioFileWMAInformation3_Genre, u"WM/Genre"),
            Get<&I::get_Year>(u"Year", DISPID_AudioFileWMAInformation3_Year, u"WM/Year"),
            Get<&I::get_Track>(u"Track", DISPID_AudioFileWMAInformation3_Track, u"WM/TrackNumber"),
        }};
    return table;
}

template <class F>
HRESULT Guard(const char16_t* source, const IID& iid, F&& f) {
    try {
        f();
        return S_OK;
    } catch (const MediaError& e) {
        return Fail(E_FAIL, source, e.what(), iid);
    } catch (const std::bad_alloc&) {
        return Fail(E_OUTOFMEMORY, source, "Not enough memory.", iid);
    } catch (const std::exception& e) {
        return Fail(E_FAIL, source, e.what(), iid);
    }
}

class AudioFileWMA3 final : public ComObject<IAudioFileWMA3>, public InfoSource {
public:
    AudioFileWMA3() : ComObject(FileTable(), IID_IAudioFileWMA3) {
        format_.kind = kez::media::OutputKind::Wma;
        format_.sampleRate = 44100;
        format_.channels = 2;
        format_.bitrateKbps = 128;
    }
    ~AudioFileWMA3() override {
        try {
            session_.Close();
        } catch (...) {
        }
    }
    static HRESULT CanCreate() { return S_OK; }

    STDMETHOD(Open)(BSTR fileName) override {
        return Guard(kFileSource, iid_, [&] { session_.Open(Utf8(fileName)); });
    }
    STDMETHOD(SeekUnits)(VARIANT units, LONG, VARIANT* result) override {
        std::int64_t u = 0;
        if (!GetInt64(units, &u)) return Fail(DISP_E_TYPEMISMATCH, kFileSource, "The offset is not a number.", iid_);
        HRESULT hr = Guard(kFileSource, iid_, [&] { session_.SeekUnits(u); });
        if (SUCCEEDED(hr) && result) PutInt64(result, session_.Values().position);
        return hr;
    }
    STDMETHOD(SeekTime)(VARIANT timeMs, LONG, VARIANT* result) override {
        std::int64_t ms = 0;
        if (!GetInt64(timeMs, &ms)) return Fail(DISP_E_TYPEMISMATCH, kFileSource, "The time is not a number.", iid_);
        HRESULT hr = Guard(kFileSource, iid_, [&] { session_.SeekTime(ms); });
        if (SUCCEEDED(hr) && result) PutInt64(result, session_.Values().position);
        return hr;
    }
    STDMETHOD(Read)(LONG count, VARIANT* data) override {
        if (!data) return E_POINTER;
        VariantInit(data);
        std::vector<std::uint8_t> block;
        HRESULT hr = Guard(kFileSource, iid_, [&] { block = session_.Read(count); });
        return SUCCEEDED(hr) ? PutBlock(data, block) : hr;
    }
    STDMETHOD(Close)() override {
        return Guard(kFileSource, iid_, [&] { session_.Close(); });
    }
    // Takes the chosen entry's values from the format object as they are now.
    STDMETHOD(SetFormat)(IAudioFormatWMA* format) override {
        if (!format) return Fail(E_INVALIDARG, kFileSource, "No WMA format was given.", iid_);
        LONG rate = 0, channels = 0, bitrate = 0;
        HRESULT hr = format->get_FormatSampleRate(&rate);
        if (SUCCEEDED(hr)) hr = format->get_FormatChannels(&channels);
        if (SUCCEEDED(hr)) hr = format->get_FormatBitrate(&bitrate);
        if (FAILED(hr)) return hr;  // the format object's own error information stands
        format_.sampleRate = rate;
        format_.channels = channels;
        format_.bitrateKbps = static_cast<int>((bitrate + 500) / 1000);
        return S_OK;
    }
    STDMETHOD(Create)(BSTR fileName) override {
        return Guard(kFileSource, iid_, [&] { session_.Create(Utf8(fileName), format_); });
    }
    STDMETHOD(Write)(VARIANT data) override {
        const std::uint8_t* p = nullptr;
        std::size_t n = 0;
        SAFEARRAY* locked = nullptr;
        if (!BlockBytes(data, &p, &n, &locked))
            return Fail(DISP_E_TYPEMISMATCH, kFileSource, "The data handed to the writer is not an audio block.",
                        iid_);
        HRESULT hr = Guard(kFileSource, iid_, [&] { session_.Write(p, n); });
        if (locked) SafeArrayUnaccessData(locked);
        return hr;
    }
    STDMETHOD(get_AudioInfo)(IAudioInfoWMA** value) override { return NewAudioInfo(*this, IID_IAudioInfoWMA, value); }

    InfoValues Values() override { return session_.Values(); }
    IUnknown* Owner() override { return static_cast<IAudioFileWMA3*>(this); }

private:
    FileSession session_;
    kez::media::EncoderSettings format_;
};

class AudioFileWMAInformation3 final : public ComObject<IAudioFileWMAInformation3>, public InfoSource {
public:
    AudioFileWMAInformation3() : ComObject(InfoTable(), IID_IAudioFileWMAInformation3) {}
    static HRESULT CanCreate() { return S_OK; }

    STDMETHOD(ReadFromFile)(BSTR fileName) override {
        tags_ = {};
        info_ = {};
        const std::string path = Utf8(fileName);
        return Guard(kInfoSource, iid_, [&] {
            info_ = ProbeValues(kez::media::ProbeFile(path));
            if (!kez::media::ReadTags(path, 1, &tags_)) tags_ = {};
        });
    }
    STDMETHOD(get_AudioInfo)(IAudioInfoWMA** value) override { return NewAudioInfo(*this, IID_IAudioInfoWMA, value); }
    STDMETHOD(get_Title)(BSTR* v) override { return Text(tags_.title, v); }
    STDMETHOD(get_Artist)(BSTR* v) override { return Text(tags_.artist, v); }
    STDMETHOD(get_Album)(BSTR* v) override { return Text(tags_.album, v); }
    STDMETHOD(get_Comments)(BSTR* v) override { return Text(tags_.comment, v); }
    STDMETHOD(get_Genre)(BSTR* v) override { return Text(tags_.genre, v); }
    STDMETHOD(get_Year)(LONG* v) override { return Number(tags_.year, v); }
    STDMETHOD(get_Track)(LONG* v) override { return Number(tags_.track, v); }

    InfoValues Values() override { return info_; }
    IUnknown* Owner() override { return static_cast<IAudioFileWMAInformation3*>(this); }

private:
    static HRESULT Text(const std::string& s, BSTR* v) {
        if (!v) return E_POINTER;
        *v = NewBstr(s);
        return S_OK;
    }
    static HRESULT Number(int n, LONG* v) {
        if (!v) return E_POINTER;
        *v = n;
        return S_OK;
    }
    kez::media::TagSet tags_;
    InfoValues info_;
};

const kezserver::ClassRegistration kClasses[] = {
    {CLASS_AudioFileWMA3, u"KezAudioFileWMA3 AudioFileWMA3", u"KezAudioFileWMA3.AudioFileWMA3.1",
     u"KezAudioFileWMA3.AudioFileWMA3"},
    {CLASS_AudioFileWMAInformation3, u"KezAudioFileWMA3 AudioFileWMAInformation3",
     u"KezAudioFileWMA3.AudioFileWMAInformation3.1", u"KezAudioFileWMA3.AudioFileWMAInformation3"},
};

kezserver::ClassFactory<AudioFileWMA3> g_fileFactory{g_counts};
kezserver::ClassFactory<AudioFileWMAInformation3> g_infoFactory{g_counts};

}  // namespace
}  // namespace kezfilecom

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid == CLASS_AudioFileWMA3) return kezfilecom::g_fileFactory.QueryInterface(riid, ppv);
    if (clsid == CLASS_AudioFileWMAInformation3) return kezfilecom::g_infoFactory.QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return kezfilecom::g_counts.CanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    std::u16string path = kezserver::ModulePath(reinterpret_cast<void*>(&DllRegisterServer));
    for (const auto& c : kezfilecom::kClasses) {
        HRESULT hr = kezserver::RegisterClass(c, path);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

STDAPI DllUnregisterServer() {
    HRESULT result = S_OK;
    for (const auto& c : kezfilecom::kClasses)
        if (FAILED(kezserver::UnregisterClass(c))) result = SELFREG_E_CLASS;
    return result;
}
