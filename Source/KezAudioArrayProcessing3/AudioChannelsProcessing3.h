// AudioChannelsProcessing3: splits an interleaved audio array into channel arrays and joins
// processed channel arrays into an interleaved PCM array, block by block.
#pragma once

#include <memory>

#include "KezAudioArrayProcessing3/KezAudioArrayProcessing3Lib_TLB.h"
#include "KezAudioArrayProcessing3/channels.h"
#include "KezAudioArrayProcessing3/converter.h"
#include "frame/object.h"

namespace kez::array {

const platform::DispInterface& AudioChannelsProcessing3Table();

class AudioChannelsProcessing3 final : public frame::ComObject<IAudioChannelsProcessing3> {
public:
    using ComObject::ComObject;

    // Creates the converter; without it the object cannot work and the host ends.
    HRESULT Construct() override;

    STDMETHOD(SetInputArray)(SAFEARRAY** Array, LONG* ChannelsCount) override;
    STDMETHOD(GetOutputArray)(SAFEARRAY** Array) override;
    STDMETHOD(GetSingleChannel)(LONG NumChannel, SAFEARRAY** Array) override;
    STDMETHOD(SetSingleChannel)(LONG NumChannel, SAFEARRAY** Array) override;

private:
    HRESULT Finish(HRESULT hr) const;

    Converter converter_;
    std::unique_ptr<ChannelsState> state_;
};

}  // namespace kez::array
