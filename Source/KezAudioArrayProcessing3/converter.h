// The outside conversion component as the library's objects use it: created on first
// need and kept until the object is released, and the shared step that decodes an audio
// array to 16-bit PCM.
#pragma once

#include <memory>

#include "KezAudioArrayProcessing3/audio_array.h"
#include "KezAudioCompress3/KezAudioCompress3Lib.h"

namespace kez::array {

// Creates a conversion component instance; the default asks the platform for the class
// CLSID_AudioCompress3 (every context allowed). Tests may put their own in place.
using ConverterFactory = HRESULT (*)(IAudioCompress3** out);
void SetConverterFactory(ConverterFactory factory);  // null: the default
HRESULT CreateConverter(IAudioCompress3** out);

class Converter {
public:
    Converter() = default;
    ~Converter() { reset(); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Creates the instance when it does not exist yet; false while it stays absent.
    bool Obtain();
    IAudioCompress3* operator->() const { return p_; }
    IAudioCompress3* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    IAudioCompress3* p_ = nullptr;
};

// The array an operation works on: the caller's input, or the array the converter made of
// it (destroyed with this object).
class WorkArray {
public:
    SAFEARRAY* array() const { return array_; }
    Bytes bytes() const { return view_ ? view_->bytes() : Bytes{}; }
    bool TooShort() const { return bytes().size() < kHeaderSize; }
    WaveHeader Header() const { return WaveHeader::Read(bytes()); }

    void UseInput(SAFEARRAY* input);
    // Takes over a converted array.
    void UseConverted(SAFEARRAY* converted);

private:
    OwnedArray converted_;
    std::unique_ptr<ArrayView> view_;
    SAFEARRAY* array_ = nullptr;
};

// Decodes an audio array of at least 18 bytes to 16-bit PCM at its own rate and channel
// count; a PCM input (format tag 1) is used unchanged whatever its bits per sample. A
// failing converter call ends the step with its status.
HRESULT DecodeToPcm16(IAudioCompress3* converter, SAFEARRAY* input, WorkArray& work);

}  // namespace kez::array
