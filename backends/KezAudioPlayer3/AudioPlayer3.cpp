// AudioPlayer3: the automation face of the playback engine. Plays the blocks handed over in
// order and reports through the connection point of IAudioPlayer3Events, on the thread that
// created the object (the engine's timer runs on that thread's Qt event loop).
#include <dlfcn.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>

#include "InprocServer.h"
#include "KezAudioPlayer3/KezAudioPlayer3Lib.h"
#include "PlaybackEngine.h"
#include "com/connection.h"
#include "com/dispatch.h"

namespace {

kezserver::ModuleCounts g_counts;
constexpr const char16_t* kSource = u"KezAudioPlayer3.AudioPlayer3";

const kezserver::ClassRegistration kRegistration{CLASS_AudioPlayer3, u"AudioPlayer3 Object",
                                                 u"KezAudioPlayer3.AudioPlayer3.1", u"KezAudioPlayer3.AudioPlayer3"};

const platform::DispInterface& AudioPlayer3Table();

// Qt Multimedia keeps process-wide state once used; a module that brought it in must not be
// unloaded while the process runs.
void PinModule() {
    static std::atomic<bool> pinned{false};
    if (pinned.exchange(true)) return;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&PinModule), &info) != 0 && info.dli_fname)
        dlopen(info.dli_fname, RTLD_NOW | RTLD_NODELETE);
}

class AudioPlayer3 final : public platform::DispatchImpl<IAudioPlayer3>, public ISupportErrorInfo {
public:
    AudioPlayer3()
        : DispatchImpl(AudioPlayer3Table()),
          events_(static_cast<IAudioPlayer3*>(this), {DIID_IAudioPlayer3Events}),
          engine_(std::make_unique<kezplayer::PlaybackEngine>(kezplayer::EngineEvents{
              [this] { Fire(DISPID_AudioPlayer3Events_OnEndArrayPlay); },
              [this](std::int64_t frames) { FireTimer(frames); },
              [this] { Fire(DISPID_AudioPlayer3Events_OnRequestOnLoadArray); },
              [this] { Fire(DISPID_AudioPlayer3Events_OnEndPlay); },
          })) {
        ++g_counts.objects;
        PinModule();
    }

    // The engine's events need the creating thread's Qt event loop.
    static HRESULT CanCreate() {
        if (QCoreApplication::instance() == nullptr)
            return kezserver::Fail(E_UNEXPECTED, kSource, u"The audio player needs a Qt application object",
                                   IID_IAudioPlayer3);
        return S_OK;
    }

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAudioPlayer3)
            *ppv = static_cast<IAudioPlayer3*>(this);
        else if (riid == IID_ISupportErrorInfo)
            *ppv = static_cast<ISupportErrorInfo*>(this);
        else if (riid == IID_IConnectionPointContainer)
            *ppv = events_.Container();
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ULONG(++refs_); }
    STDMETHOD_(ULONG, Release)() override {
        ULONG left = ULONG(--refs_);
        if (left == 0) delete this;
        return left;
    }

    STDMETHOD(InterfaceSupportsErrorInfo)(REFIID riid) override {
        return riid == IID_IAudioPlayer3 ? S_OK : S_FALSE;
    }

    // IAudioPlayer3
    STDMETHOD(get_Mode)(LONG* value) override {
        if (!value) return E_POINTER;
        *value = mode_;
        return S_OK;
    }
    STDMETHOD(put_Mode)(LONG value) override {
        if (value != AudioPlayer3ModeSilent && value != AudioPlayer3ModeDevice)
            return Fail(E_INVALIDARG, u"Player mode must be 0 (silent output) or 1 (audio device)");
        mode_ = value;
        return S_OK;
    }
    STDMETHOD(get_StartMode)(LONG* value) override {
        if (!value) return E_POINTER;
        *value = startMode_;
        return S_OK;
    }
    STDMETHOD(put_StartMode)(LONG value) override {
        startMode_ = value;
        return S_OK;
    }
    STDMETHOD(Start)(LONG sampleRate, LONG channels, LONG bitsPerSample, LONG) override {
        kezplayer::BlockFormat f{kezplayer::SampleKind::Pcm, int(sampleRate), int(channels), int(bitsPerSample)};
        if (!kezplayer::IsPlayableOutput(f))
            return Fail(E_INVALIDARG, u"The player cannot play this format (8000 to 192000 Hz, 1 to 8 channels, "
                                      u"8, 16 or 32 bits)");
        std::string err = engine_->Start(f, mode_ == AudioPlayer3ModeSilent ? kezplayer::OutputChoice::Silent
                                                                            : kezplayer::OutputChoice::DeviceOrSilent);
        if (!err.empty()) return Fail(E_FAIL, kezserver::FromUtf8(err));
        return S_OK;
    }
    STDMETHOD(PlayArray)(VARIANT block) override {
        const VARIANT* v = &block;
        if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal) v = v->pvarVal;
        SAFEARRAY* array = nullptr;
        if (v->vt == (VT_ARRAY | VT_UI1)) array = v->parray;
        else if (v->vt == (VT_ARRAY | VT_UI1 | VT_BYREF) && v->pparray) array = *v->pparray;
        if (array == nullptr || SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 1)
            return Fail(E_INVALIDARG, u"The audio block is not a byte array");
        if (!engine_->Playing()) return Fail(E_UNEXPECTED, u"The player is not started");
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(array, 1, &lower);
        SafeArrayGetUBound(array, 1, &upper);
        std::size_t size = upper >= lower ? std::size_t(std::int64_t(upper) - lower + 1) : 0;
        void* data = nullptr;
        if (FAILED(SafeArrayAccessData(array, &data))) return Fail(E_INVALIDARG, u"The audio block cannot be read");
        std::string err = engine_->Enqueue(static_cast<const std::uint8_t*>(data), size);
        SafeArrayUnaccessData(array);
        if (!err.empty()) return Fail(E_INVALIDARG, kezserver::FromUtf8(err));
        return S_OK;
    }
    STDMETHOD(Stop)() override {
        engine_->Stop();
        return S_OK;
    }
    STDMETHOD(get_Playing)(VARIANT_BOOL* value) override {
        if (!value) return E_POINTER;
        *value = engine_->Playing() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

private:
    ~AudioPlayer3() {
        engine_.reset();  // before the connection points, which the engine's events use
        --g_counts.objects;
    }

    static HRESULT Fail(HRESULT hr, const std::u16string& text) {
        return kezserver::Fail(hr, kSource, text, IID_IAudioPlayer3);
    }

    // A sink may drop the last reference while its handler runs; the object stays until
    // the event has been delivered to every sink.
    void Fire(DISPID id, std::initializer_list<platform::EventArg> args = {}) {
        AddRef();
        events_.Fire(DIID_IAudioPlayer3Events, id, args);
        Release();
    }
    void FireTimer(std::int64_t frames) {
        if (frames <= 0x7FFFFFFF) Fire(DISPID_AudioPlayer3Events_OnTimer, {platform::EventArg(LONG(frames))});
        else Fire(DISPID_AudioPlayer3Events_OnTimer, {platform::EventArg(LONGLONG(frames))});
    }

    std::atomic<long> refs_{1};
    platform::ConnectionPoints events_;
    std::unique_ptr<kezplayer::PlaybackEngine> engine_;
    LONG mode_ = AudioPlayer3ModeDevice;
    LONG startMode_ = 0;
};

const platform::DispInterface& AudioPlayer3Table() {
    using namespace platform;
    static const DispInterface table{
        u"IAudioPlayer3",
        IID_IAudioPlayer3,
        u"Audio block player",
        {
            Get<&IAudioPlayer3::get_Mode>(u"Mode", DISPID_AudioPlayer3_Mode, u"Output: 1 audio device, 0 silent"),
            Put<&IAudioPlayer3::put_Mode>(u"Mode", DISPID_AudioPlayer3_Mode, u"Output: 1 audio device, 0 silent"),
            Get<&IAudioPlayer3::get_StartMode>(u"StartMode", DISPID_AudioPlayer3_StartMode, u"Start mode"),
            Put<&IAudioPlayer3::put_StartMode>(u"StartMode", DISPID_AudioPlayer3_StartMode, u"Start mode"),
            Method<&IAudioPlayer3::Start>(u"Start", DISPID_AudioPlayer3_Start, u"Starts playback in a format",
                                          {{u"SampleRate"}, {u"Channels"}, {u"BitsPerSample"}, {u"Flags"}}),
            Method<&IAudioPlayer3::PlayArray>(u"PlayArray", DISPID_AudioPlayer3_PlayArray,
                                              u"Queues one audio block", {{u"Data"}}),
            Method<&IAudioPlayer3::Stop>(u"Stop", DISPID_AudioPlayer3_Stop, u"Stops and drops the queue"),
            Get<&IAudioPlayer3::get_Playing>(u"Playing", DISPID_AudioPlayer3_Playing, u"Started and not stopped",
                                             VT_BOOL),
        }};
    return table;
}

kezserver::ClassFactory<AudioPlayer3> g_factory{g_counts};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLASS_AudioPlayer3) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() { return g_counts.CanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    return kezserver::RegisterClass(kRegistration, kezserver::ModulePath(reinterpret_cast<void*>(&DllRegisterServer)));
}

STDAPI DllUnregisterServer() { return kezserver::UnregisterClass(kRegistration); }
