#include "cutter/components/KezAudioFormatSettings3Lib_TLB.h"

#include <utility>

#include "com/combase.h"
#include "cutter/components/EOleException.h"

TAudioFormatWMA::TAudioFormatWMA(IAudioFormatWMA* existing) : intf_(existing) {
    if (intf_) intf_->AddRef();
}

TAudioFormatWMA::~TAudioFormatWMA() {
    if (intf_) intf_->Release();
}

TAudioFormatWMA::TAudioFormatWMA(TAudioFormatWMA&& other) noexcept : intf_(std::exchange(other.intf_, nullptr)) {}

TAudioFormatWMA& TAudioFormatWMA::operator=(TAudioFormatWMA&& other) noexcept {
    if (this != &other) {
        if (intf_) intf_->Release();
        intf_ = std::exchange(other.intf_, nullptr);
    }
    return *this;
}

void TAudioFormatWMA::Connect() {
    if (intf_) return;
    void* p = nullptr;
    OleCheckCreate(CoCreateInstance(CLASS_AudioFormatWMA, nullptr, CLSCTX_INPROC_SERVER, IID_IAudioFormatWMA, &p),
                   "KezAudioFormatSettings3.AudioFormatWMA", "libKezAudioFormatSettings3.so");
    intf_ = static_cast<IAudioFormatWMA*>(p);
}

IAudioFormatWMA* TAudioFormatWMA::DefaultInterface() {
    Connect();
    return intf_;
}

int TAudioFormatWMA::FormatGroup() {
    LONG v = 0;
    OleCheck(DefaultInterface()->get_FormatGroup(&v));
    return v;
}

void TAudioFormatWMA::SetFormatGroup(int group) { OleCheck(DefaultInterface()->put_FormatGroup(group)); }

int TAudioFormatWMA::FormatCount() {
    LONG v = 0;
    OleCheck(DefaultInterface()->get_FormatCount(&v));
    return v;
}

int TAudioFormatWMA::FormatIndex() {
    LONG v = 0;
    OleCheck(DefaultInterface()->get_FormatIndex(&v));
    return v;
}

void TAudioFormatWMA::SetFormatIndex(int index) { OleCheck(DefaultInterface()->put_FormatIndex(index)); }

std::u16string TAudioFormatWMA::FormatName() {
    BSTR name = nullptr;
    OleCheck(DefaultInterface()->get_FormatName(&name));
    std::u16string text(name ? name : u"", SysStringLen(name));
    SysFreeString(name);
    return text;
}

int TAudioFormatWMA::FormatSampleRate() {
    LONG v = 0;
    OleCheck(DefaultInterface()->get_FormatSampleRate(&v));
    return v;
}

int TAudioFormatWMA::FormatChannels() {
    LONG v = 0;
    OleCheck(DefaultInterface()->get_FormatChannels(&v));
    return v;
}

int TAudioFormatWMA::FormatBitrate() {
    LONG v = 0;
    OleCheck(DefaultInterface()->get_FormatBitrate(&v));
    return v;
}
