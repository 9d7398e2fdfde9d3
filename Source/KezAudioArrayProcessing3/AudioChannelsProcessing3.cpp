#include "KezAudioArrayProcessing3/AudioChannelsProcessing3.h"

#include <cstdio>
#include <cstdlib>

namespace kez::array {

HRESULT AudioChannelsProcessing3::Construct() {
    if (!converter_.Obtain()) {
        // The stop box of the desktop: the host cannot go on without its converter.
        std::fprintf(stderr, "KezAudioChannelsProcessing3: KezAudioCompress3 not registred\n");
        std::fflush(stderr);
        std::exit(1);
    }
    state_ = std::make_unique<ChannelsState>(converter_.get());
    return S_OK;
}

HRESULT AudioChannelsProcessing3::Finish(HRESULT hr) const { return hr == kNoMemory ? Report(-11) : hr; }

HRESULT AudioChannelsProcessing3::SetInputArray(SAFEARRAY** Array, LONG* ChannelsCount) {
    return Finish(state_->SetInputArray(Array ? *Array : nullptr, ChannelsCount));
}

HRESULT AudioChannelsProcessing3::GetOutputArray(SAFEARRAY** Array) {
    if (!Array) return E_POINTER;
    return Finish(state_->GetOutputArray(Array));
}

HRESULT AudioChannelsProcessing3::GetSingleChannel(LONG NumChannel, SAFEARRAY** Array) {
    if (!Array) return E_POINTER;
    return Finish(state_->GetSingleChannel(NumChannel, Array));
}

HRESULT AudioChannelsProcessing3::SetSingleChannel(LONG NumChannel, SAFEARRAY** Array) {
    return Finish(state_->SetSingleChannel(NumChannel, Array ? *Array : nullptr));
}

}  // namespace kez::array
