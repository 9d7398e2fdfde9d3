// The audio array: an automation byte array holding an 18-byte WAVEFORMATEX header, any
// extra format bytes, then the audio data. Helpers to read arrays without trusting their
// contents, and to build result arrays.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>

#include "automation/oleauto.h"

namespace kez::array {

using Bytes = std::span<const std::uint8_t>;

inline constexpr std::size_t kHeaderSize = 18;
inline constexpr WORD kFormatPcm = 1;
inline constexpr WORD kFormatExtensible = 0xFFFE;
inline constexpr WORD kFormatChannel = 0x9999;

struct WaveHeader {
    WORD formatTag = 0;
    WORD channels = 0;
    DWORD samplesPerSec = 0;
    DWORD avgBytesPerSec = 0;
    WORD blockAlign = 0;
    WORD bitsPerSample = 0;
    WORD cbSize = 0;

    // Reads the first 18 bytes; the caller has checked there are that many.
    static WaveHeader Read(Bytes b);
    void Write(std::uint8_t* out) const;
};

inline WORD ReadU16(const std::uint8_t* p) { return WORD(p[0] | (p[1] << 8)); }
inline DWORD ReadU32(const std::uint8_t* p) {
    return DWORD(p[0]) | (DWORD(p[1]) << 8) | (DWORD(p[2]) << 16) | (DWORD(p[3]) << 24);
}

// Read access to the bytes of a caller's array for the life of the object. A null array,
// or one that cannot be accessed, reads as 0 bytes. The length is the element count of the
// whole array times its element size, so nothing beyond its memory is ever read.
class ArrayView {
public:
    explicit ArrayView(SAFEARRAY* array);
    ~ArrayView();
    ArrayView(const ArrayView&) = delete;
    ArrayView& operator=(const ArrayView&) = delete;

    Bytes bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }
    bool TooShort() const { return bytes_.size() < kHeaderSize; }
    WaveHeader Header() const { return WaveHeader::Read(bytes_); }

private:
    SAFEARRAY* array_ = nullptr;
    Bytes bytes_;
};

// Owns an array until released; destroys it otherwise.
class OwnedArray {
public:
    OwnedArray() = default;
    explicit OwnedArray(SAFEARRAY* a) : a_(a) {}
    ~OwnedArray() { reset(); }
    OwnedArray(const OwnedArray&) = delete;
    OwnedArray& operator=(const OwnedArray&) = delete;
    SAFEARRAY* get() const { return a_; }
    SAFEARRAY** out() {
        reset();
        return &a_;
    }
    SAFEARRAY* release() {
        SAFEARRAY* a = a_;
        a_ = nullptr;
        return a;
    }
    void reset(SAFEARRAY* a = nullptr) {
        if (a_) SafeArrayDestroy(a_);
        a_ = a;
    }

private:
    SAFEARRAY* a_ = nullptr;
};

// A new byte array (lower bound 0) of n bytes, or null when it cannot be made.
SAFEARRAY* NewByteArray(std::size_t n);
// A new byte array holding the pieces one after another, or null.
SAFEARRAY* AssembleBytes(std::initializer_list<Bytes> pieces);
SAFEARRAY* AssembleBytes(std::span<const Bytes> pieces);
// A copy by the platform's array copy (same element type, bounds and bytes); a null
// input gives null.
SAFEARRAY* CopyArray(SAFEARRAY* a);
// Data pointer of an array created by this library (never locked by anyone else).
std::uint8_t* MutableData(SAFEARRAY* a);

}  // namespace kez::array
