#include "KezAudioArrayProcessing3/channels.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace kez::array {

namespace {

std::int32_t TruncateToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return std::int32_t(v);
}

}  // namespace

LONG ChannelsState::ChannelsFor(WORD formatTag, WORD n) {
    if (formatTag == kFormatExtensible) return n;
    if (n <= 2) return n;
    if (n <= 4) return 3;
    if (n <= 6) return 4;
    if (n <= 8) return 5;
    if (n <= 12) return 6;
    return n;
}

HRESULT ChannelsState::SetInputArray(SAFEARRAY* array, LONG* channelsCount) {
    LONG dummy = 0;
    if (!channelsCount) channelsCount = &dummy;
    *channelsCount = 0;
    input_.clear();
    input_.shrink_to_fit();
    output_.clear();
    output_.shrink_to_fit();
    decodedHeader_.fill(0);
    containerSize_ = 0;

    ArrayView in(array);
    if (in.size() <= kHeaderSize) {
        modeSet_ = false;
        return S_OK;
    }
    WaveHeader h = in.Header();
    containerSize_ = h.bitsPerSample > 16 ? 32 : 16;
    LONG count = ChannelsFor(h.formatTag, h.channels);
    *channelsCount = count;

    WaveHeader known = WaveHeader::Read(inputFormat_);
    if (h.formatTag != known.formatTag || h.samplesPerSec != known.samplesPerSec || h.channels != known.channels ||
        h.bitsPerSample != known.bitsPerSample) {
        LONG mask = 0;
        if (h.formatTag == kFormatExtensible && h.cbSize >= 6 && in.size() >= 24)
            mask = LONG(ReadU32(in.bytes().data() + 20));
        HRESULT hr = converter_->SetConversionFormat(LONG(h.samplesPerSec), h.channels, containerSize_, mask);
        if (FAILED(hr)) return hr;
        std::copy_n(in.bytes().begin(), kHeaderSize, inputFormat_.begin());
        WaveHeader ch;
        ch.formatTag = kFormatChannel;
        ch.channels = 1;
        ch.samplesPerSec = h.samplesPerSec;
        ch.blockAlign = WORD(containerSize_ / 8);
        ch.bitsPerSample = WORD(containerSize_);
        ch.avgBytesPerSec = h.samplesPerSec * ch.blockAlign;
        ch.cbSize = 0;
        ch.Write(channelHeader_.data());
        modeSet_ = false;
    }
    if (!modeSet_) {
        HRESULT hr = converter_->SetConversionMode(20);
        if (FAILED(hr)) return hr;
        modeSet_ = true;
    }

    OwnedArray decoded;
    HRESULT hr = converter_->ConvertArray(&array, decoded.out());
    if (FAILED(hr)) return hr;
    ArrayView dv(decoded.get());
    if (dv.TooShort()) return S_OK;
    std::copy_n(dv.bytes().begin(), kHeaderSize, decodedHeader_.begin());
    WaveHeader dh = dv.Header();
    std::size_t start = kHeaderSize + dh.cbSize;
    std::size_t sampleBytes = std::size_t(containerSize_ / 8);
    std::size_t total = dv.size() > start ? (dv.size() - start) / sampleBytes : 0;
    if (count <= 0) return S_OK;
    std::size_t channels = std::size_t(count);
    std::size_t perChannel = total / channels;
    try {
        input_.assign(channels, {});
        for (auto& c : input_) c.resize(perChannel);
    } catch (const std::bad_alloc&) {
        input_.clear();
        return kNoMemory;
    }
    const std::uint8_t* data = dv.bytes().data() + start;
    for (std::size_t j = 0; j < perChannel; ++j) {
        for (std::size_t c = 0; c < channels; ++c) {
            const std::uint8_t* p = data + (j * channels + c) * sampleBytes;
            input_[c][j] = containerSize_ == 32 ? double(std::int32_t(ReadU32(p))) : double(std::int16_t(ReadU16(p)));
        }
    }
    return S_OK;
}

HRESULT ChannelsState::GetSingleChannel(LONG numChannel, SAFEARRAY** out) {
    if (!out) return E_POINTER;
    if (input_.empty() || ULONG(numChannel) > input_.size()) {
        *out = NewByteArray(0);
        return S_OK;
    }
    if (numChannel == 0) numChannel = 1;
    const std::vector<double>& values = input_[std::size_t(numChannel - 1)];
    SAFEARRAY* a = NewByteArray(kHeaderSize + 8 * values.size());
    if (!a) {
        *out = NewByteArray(0);
        return kNoMemory;
    }
    std::uint8_t* d = MutableData(a);
    std::copy(channelHeader_.begin(), channelHeader_.end(), d);
    if (!values.empty()) std::memcpy(d + kHeaderSize, values.data(), 8 * values.size());
    *out = a;
    return S_OK;
}

HRESULT ChannelsState::SetSingleChannel(LONG numChannel, SAFEARRAY* array) {
    ArrayView in(array);
    if (input_.empty() && numChannel > 0 && !in.TooShort()) {
        std::copy_n(in.bytes().begin(), kHeaderSize, channelHeader_.begin());
        containerSize_ = in.Header().bitsPerSample;
    }
    if (in.size() < kHeaderSize + 1) return S_OK;
    if (numChannel < 1) return S_OK;  // names no channel: nothing to append to
    if (numChannel > kMaxChannelNumber) return kNoMemory;
    std::size_t n = (in.size() - kHeaderSize) / 8;
    try {
        if (output_.size() < std::size_t(numChannel)) output_.resize(std::size_t(numChannel));
        std::vector<double>& q = output_[std::size_t(numChannel - 1)];
        std::size_t old = q.size();
        q.resize(old + n);
        if (n) std::memcpy(q.data() + old, in.bytes().data() + kHeaderSize, n * 8);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return S_OK;
}

HRESULT ChannelsState::GetOutputArray(SAFEARRAY** out) {
    if (!out) return E_POINTER;
    if (output_.empty()) {
        *out = AssembleBytes({Bytes(decodedHeader_)});
        return *out ? S_OK : kNoMemory;
    }
    std::size_t m = output_.size();
    std::size_t frames = output_[0].size();
    std::uint64_t sampleBytes = containerSize_ > 0 ? std::uint64_t(containerSize_) / 8 : 0;
    std::uint64_t size = kHeaderSize + sampleBytes * m * frames;
    SAFEARRAY* a = size <= 0xFFFFFFFFull ? NewByteArray(std::size_t(size)) : nullptr;
    if (!a) {
        *out = NewByteArray(0);
        return kNoMemory;
    }
    if (WaveHeader::Read(decodedHeader_).formatTag == 0) {
        WaveHeader h = WaveHeader::Read(channelHeader_);
        h.channels = WORD(m);
        h.blockAlign = WORD(std::uint32_t(h.bitsPerSample) * m / 8);
        h.avgBytesPerSec = h.samplesPerSec * h.blockAlign;
        h.formatTag = kFormatPcm;
        h.Write(decodedHeader_.data());
    }
    std::uint8_t* d = MutableData(a);
    std::copy(decodedHeader_.begin(), decodedHeader_.end(), d);
    std::uint8_t* data = d + kHeaderSize;
    if (containerSize_ == 16 || containerSize_ == 32) {
        for (std::size_t c = 0; c < m; ++c) {
            const std::vector<double>& q = output_[c];
            for (std::size_t i = 0; i < frames; ++i) {
                std::int32_t v = i < q.size() ? TruncateToInt32(q[i]) : 0;
                std::uint8_t* p = data + (i * m + c) * sampleBytes;
                // A 16-bit container keeps the low 16 bits: out-of-range values wrap.
                for (std::uint64_t b = 0; b < sampleBytes; ++b) p[b] = std::uint8_t(std::uint32_t(v) >> (8 * b));
            }
        }
    } else if (sampleBytes) {
        std::memset(data, 0, std::size_t(size - kHeaderSize));
    }
    for (auto& q : output_) {
        if (q.size() <= frames) {
            std::vector<double>().swap(q);
        } else {
            q.erase(q.begin(), q.begin() + std::ptrdiff_t(frames));
        }
    }
    *out = a;
    return S_OK;
}

}  // namespace kez::array
