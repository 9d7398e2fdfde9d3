#include "KezAudioArrayProcessing3/channels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace kez::array {

namespace {

std::int32_t TruncateToInt32(double v) {
    if (v > -2147483649.0 && v < 2147483648.0) return std::int32_t(v);
    if (std::isnan(v)) return 0;
    return v > 0 ? 2147483647 : -2147483647 - 1;
}

// Frame by frame, so each output cache line is written once. Channels shorter than the
// frames are padded with zeros; a 16-bit container keeps the low 16 bits, so out-of-range
// values wrap.
template <class T>
void Interleave(const std::vector<std::vector<std::int32_t>>& queues, std::size_t frames, std::uint8_t* out) {
    std::size_t m = queues.size();
    std::size_t common = frames;
    for (const auto& q : queues) common = std::min(common, q.size());
    auto put = [&](std::size_t at, std::int32_t v) {
        T t = T(std::uint32_t(v));
        std::memcpy(out + at * sizeof(T), &t, sizeof(T));
    };
    if (m == 2) {
        const std::int32_t* a = queues[0].data();
        const std::int32_t* b = queues[1].data();
        for (std::size_t i = 0; i < common; ++i) {
            put(2 * i, a[i]);
            put(2 * i + 1, b[i]);
        }
    } else {
        for (std::size_t i = 0; i < common; ++i)
            for (std::size_t c = 0; c < m; ++c) put(i * m + c, queues[c][i]);
    }
    for (std::size_t i = common; i < frames; ++i)
        for (std::size_t c = 0; c < m; ++c) put(i * m + c, i < queues[c].size() ? queues[c][i] : 0);
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
    inputChannels_ = 0;
    perChannel_ = 0;
    samples_ = nullptr;
    decoded_.UseInput(nullptr);
    output_.clear();
    output_.shrink_to_fit();
    decodedHeader_.fill(0);
    containerSize_ = 0;

    ArrayView in(array);
    if (in.size() <= kHeaderSize) {
        ReleaseCopy();
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
        converterMask_ = std::uint32_t(mask);
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

    std::size_t total = 0;  // samples of all channels together
    std::optional<SampleCoding> direct = DirectCoding(in.bytes(), converterMask_);
    Bytes data = DataOf(in.bytes());
    if (direct && DirectlyReadable(*direct, data)) {
        // What the converter would give: whole frames, widened to the container.
        WaveHeader dh;
        dh.formatTag = kFormatPcm;
        dh.channels = h.channels;
        dh.samplesPerSec = h.samplesPerSec;
        dh.blockAlign = WORD(h.channels * containerSize_ / 8);
        dh.avgBytesPerSec = h.samplesPerSec * dh.blockAlign;
        dh.bitsPerSample = WORD(containerSize_);
        dh.Write(decodedHeader_.data());
        const std::size_t frames = data.size() / h.blockAlign;
        const std::size_t bytes = frames * h.blockAlign;
        // The copy's buffer serves the next split of a stream of blocks; one far too big goes.
        if (bytes > copyCapacity_ || copyCapacity_ / 2 > bytes) {
            ReleaseCopy();
            copy_.reset(new (std::nothrow) std::uint8_t[std::max<std::size_t>(bytes, 1)]);
            if (!copy_) return kNoMemory;
            copyCapacity_ = bytes;
        }
        if (bytes) std::memcpy(copy_.get(), data.data(), bytes);
        samples_ = copy_.get();
        coding_ = *direct;
        total = frames * h.channels;
    } else {
        ReleaseCopy();
        SAFEARRAY* converted = nullptr;
        HRESULT hr = converter_->ConvertArray(&array, &converted);
        decoded_.UseConverted(converted);
        if (FAILED(hr)) return hr;
        if (decoded_.TooShort()) return S_OK;
        Bytes dv = decoded_.bytes();
        std::copy_n(dv.begin(), kHeaderSize, decodedHeader_.begin());
        std::size_t start = kHeaderSize + decoded_.Header().cbSize;
        std::size_t sampleBytes = std::size_t(containerSize_ / 8);
        if (dv.size() > start) {
            total = (dv.size() - start) / sampleBytes;
            samples_ = dv.data() + start;
        }
        coding_ = containerSize_ == 32 ? SampleCoding::S32 : SampleCoding::S16;
    }
    if (count <= 0) return S_OK;
    inputChannels_ = std::size_t(count);
    perChannel_ = total / inputChannels_;
    return S_OK;
}

HRESULT ChannelsState::GetSingleChannel(LONG numChannel, SAFEARRAY** out) {
    if (!out) return E_POINTER;
    if (inputChannels_ == 0 || ULONG(numChannel) > inputChannels_) {
        *out = NewByteArray(0);
        return S_OK;
    }
    if (numChannel == 0) numChannel = 1;
    SAFEARRAY* a = NewByteArray(kHeaderSize + 8 * perChannel_);
    if (!a) {
        *out = NewByteArray(0);
        return kNoMemory;
    }
    std::uint8_t* d = MutableData(a);
    std::copy(channelHeader_.begin(), channelHeader_.end(), d);
    if (perChannel_)
        ReadChannel(coding_, samples_, inputChannels_, std::size_t(numChannel - 1), perChannel_, d + kHeaderSize);
    *out = a;
    return S_OK;
}

HRESULT ChannelsState::SetSingleChannel(LONG numChannel, SAFEARRAY* array) {
    ArrayView in(array);
    if (inputChannels_ == 0 && numChannel > 0 && !in.TooShort()) {
        std::copy_n(in.bytes().begin(), kHeaderSize, channelHeader_.begin());
        containerSize_ = in.Header().bitsPerSample;
    }
    if (in.size() < kHeaderSize + 1) return S_OK;
    if (numChannel < 1) return S_OK;  // names no channel: nothing to append to
    if (numChannel > kMaxChannelNumber) return kNoMemory;
    std::size_t n = (in.size() - kHeaderSize) / 8;
    try {
        if (output_.size() < std::size_t(numChannel)) output_.resize(std::size_t(numChannel));
        std::vector<std::int32_t>& q = output_[std::size_t(numChannel - 1)];
        std::size_t old = q.size();
        q.resize(old + n);
        const std::uint8_t* src = in.bytes().data() + kHeaderSize;
        std::int32_t* dst = q.data() + old;
        for (std::size_t i = 0; i < n; ++i) {
            double v;
            std::memcpy(&v, src + 8 * i, 8);
            dst[i] = TruncateToInt32(v);
        }
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
    if (containerSize_ == 16) {
        Interleave<std::uint16_t>(output_, frames, data);
    } else if (containerSize_ == 32) {
        Interleave<std::uint32_t>(output_, frames, data);
    } else if (sampleBytes) {
        std::memset(data, 0, std::size_t(size - kHeaderSize));
    }
    for (auto& q : output_) {
        if (q.size() <= frames) {
            q.clear();  // the buffer stays for the next block
        } else {
            q.erase(q.begin(), q.begin() + std::ptrdiff_t(frames));
        }
    }
    *out = a;
    return S_OK;
}

}  // namespace kez::array
