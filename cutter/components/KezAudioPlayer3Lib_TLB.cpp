#include "cutter/components/KezAudioPlayer3Lib_TLB.h"

#include "com/combase.h"
#include "com/connection.h"
#include "cutter/components/EOleException.h"

struct TAudioPlayer3::Events {
    platform::EventConnection connection;
};

TAudioPlayer3::TAudioPlayer3() : events_(std::make_unique<Events>()) {}

TAudioPlayer3::~TAudioPlayer3() {
    events_->connection.Disconnect();
    if (intf_) intf_->Release();
}

void TAudioPlayer3::Connect() {
    if (intf_) return;
    void* p = nullptr;
    OleCheckCreate(CoCreateInstance(CLASS_AudioPlayer3, nullptr, CLSCTX_INPROC_SERVER, IID_IAudioPlayer3, &p),
                   "KezAudioPlayer3.AudioPlayer3", "libKezAudioPlayer3.so");
    auto* player = static_cast<IAudioPlayer3*>(p);
    // The handlers are looked up at each event, so they may be set after connecting.
    HRESULT hr = events_->connection.Connect(
        player, DIID_IAudioPlayer3Events,
        {
            {DISPID_AudioPlayer3Events_OnEndArrayPlay,
             [this](const platform::EventArgs&) {
                 if (OnEndArrayPlay) OnEndArrayPlay();
             }},
            {DISPID_AudioPlayer3Events_OnTimer,
             [this](const platform::EventArgs& args) {
                 if (OnTimer) OnTimer(args.LongLong(0));
             }},
            {DISPID_AudioPlayer3Events_OnEndPlay,
             [this](const platform::EventArgs&) {
                 if (OnEndPlay) OnEndPlay();
             }},
        });
    if (FAILED(hr)) {
        player->Release();
        OleCheck(hr);
    }
    intf_ = player;
}

IAudioPlayer3* TAudioPlayer3::DefaultInterface() {
    Connect();
    return intf_;
}

int TAudioPlayer3::Mode() {
    LONG v = 0;
    OleCheck(DefaultInterface()->get_Mode(&v));
    return v;
}

void TAudioPlayer3::SetMode(int mode) { OleCheck(DefaultInterface()->put_Mode(mode)); }

int TAudioPlayer3::StartMode() {
    LONG v = 0;
    OleCheck(DefaultInterface()->get_StartMode(&v));
    return v;
}

void TAudioPlayer3::SetStartMode(int mode) { OleCheck(DefaultInterface()->put_StartMode(mode)); }

void TAudioPlayer3::Start(int sampleRate, int channels, int bitsPerSample, int flags) {
    OleCheck(DefaultInterface()->Start(sampleRate, channels, bitsPerSample, flags));
}

void TAudioPlayer3::PlayArray(const VARIANT& block) {
    // An [in] VARIANT is passed by value and stays the caller's; the player does not free it.
    OleCheck(DefaultInterface()->PlayArray(block));
}

void TAudioPlayer3::Stop() { OleCheck(DefaultInterface()->Stop()); }

bool TAudioPlayer3::Playing() {
    VARIANT_BOOL v = VARIANT_FALSE;
    OleCheck(DefaultInterface()->get_Playing(&v));
    return v != VARIANT_FALSE;
}
