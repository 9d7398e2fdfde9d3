// WAV span copy: the source's format chunk and the bytes of the span's sample frames.
#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "CopyTarget.h"
#include "riff/riff.h"

namespace workflow {

namespace {

struct WavLayout {
    std::vector<std::uint8_t> format;
    std::int64_t dataOffset = 0, dataSize = 0;
};

bool ReadLayout(const QString& path, WavLayout& out) {
    HMMIO h = mmioOpenUtf8(path.toUtf8().constData(), nullptr, MMIO_READ);
    if (!h) return false;
    MMCKINFO riff{}, fmt{}, data{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    bool ok = mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR &&
              mmioDescend(h, &fmt, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR && fmt.cksize >= 16 &&
              fmt.cksize < 4096;
    if (ok) {
        out.format.resize(fmt.cksize);
        ok = mmioRead(h, reinterpret_cast<HPSTR>(out.format.data()), static_cast<LONG>(fmt.cksize)) ==
                 static_cast<LONG>(fmt.cksize) &&
             mmioAscend(h, &fmt, 0) == MMSYSERR_NOERROR &&
             mmioDescend(h, &data, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR;
    }
    if (ok) {
        out.dataOffset = data.dwDataOffset;
        out.dataSize = data.cksize;
    }
    mmioClose(h, 0);
    return ok;
}

void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}

// The RIFF header, format chunk and data chunk header of a file of `bytes` sample bytes.
std::vector<std::uint8_t> Header(const std::vector<std::uint8_t>& format, std::int64_t bytes) {
    std::vector<std::uint8_t> head;
    const std::size_t fmtPadded = format.size() + (format.size() & 1);
    head.insert(head.end(), {'R', 'I', 'F', 'F'});
    Put32(head, static_cast<std::uint32_t>(4 + 8 + fmtPadded + 8 + bytes + (bytes & 1)));
    head.insert(head.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(head, static_cast<std::uint32_t>(format.size()));
    head.insert(head.end(), format.begin(), format.end());
    if (format.size() & 1) head.push_back(0);
    head.insert(head.end(), {'d', 'a', 't', 'a'});
    Put32(head, static_cast<std::uint32_t>(bytes));
    return head;
}

// Plain samples (integer or float PCM) copy frame by frame; answers the block align.
int PlainAlign(const std::vector<std::uint8_t>& format) {
    const int tag = format[0] | (format[1] << 8);
    const int align = format[12] | (format[13] << 8);
    return (tag == 1 || tag == 3 || tag == 0xFFFE) ? align : 0;
}

}  // namespace

CopyResult JoinWavFiles(const QStringList& inputs, const QString& target, const CopyTick& tick) {
    CopyResult result;
    std::vector<std::unique_ptr<MappedSource>> sources;
    std::vector<WavLayout> layouts;
    std::int64_t bytes = 0;
    for (const QString& input : inputs) {
        sources.push_back(std::make_unique<MappedSource>(input));
        WavLayout w;
        if (!sources.back()->ok() || !ReadLayout(input, w)) {
            result.reason = QCoreApplication::translate("LosslessCopy", "%1 cannot be read").arg(input);
            return result;
        }
        if (PlainAlign(w.format) <= 0) {
            result.reason = QCoreApplication::translate("LosslessCopy", "a file does not hold plain samples");
            return result;
        }
        if (!layouts.empty() && w.format != layouts.front().format) {
            result.reason = QCoreApplication::translate("LosslessCopy", "the files differ in sample format");
            return result;
        }
        const int align = PlainAlign(w.format);
        w.dataSize = std::min(w.dataSize, sources.back()->size() - w.dataOffset) / align * align;
        bytes += w.dataSize;
        layouts.push_back(std::move(w));
    }
    if (layouts.empty() || bytes + 64 + static_cast<std::int64_t>(layouts.front().format.size()) > 0xFFFFFFFFll) {
        result.reason = QCoreApplication::translate("LosslessCopy", "the files are too long for one WAV file");
        return result;
    }
    const std::vector<std::uint8_t> head = Header(layouts.front().format, bytes);
    const std::uint8_t pad = 0;
    CopyTarget out(target, static_cast<std::int64_t>(head.size()) + bytes, tick);
    bool going = out.Write(head.data(), static_cast<std::int64_t>(head.size()));
    for (std::size_t i = 0; going && i < layouts.size(); ++i)
        going = out.Write(sources[i]->data() + layouts[i].dataOffset, layouts[i].dataSize);
    if (!going || ((bytes & 1) && !out.Write(&pad, 1))) {
        result.outcome = CopyResult::Cancelled;
        return result;
    }
    out.Commit();
    result.outcome = CopyResult::Copied;
    result.frames = bytes / PlainAlign(layouts.front().format);
    return result;
}

CopyResult CopyWavSpan(const QString& source, const QString& target, std::int64_t startMs, std::int64_t endMs,
                       const CopyTick& tick) {
    CopyResult result;
    WavLayout w;
    MappedSource src(source);
    if (!src.ok() || !ReadLayout(source, w)) {
        result.reason = QCoreApplication::translate("LosslessCopy", "the WAV file cannot be read");
        return result;
    }
    const int rate = static_cast<int>(w.format[4] | (w.format[5] << 8) | (w.format[6] << 16) |
                                      (std::uint32_t{w.format[7]} << 24));
    // Compressed WAV holds many frames a block; only plain samples copy frame by frame.
    const int align = PlainAlign(w.format);
    if (align <= 0 || rate <= 0) {
        result.reason =
            QCoreApplication::translate("LosslessCopy", "the WAV file does not hold plain samples");
        return result;
    }
    const std::int64_t frames = std::min(w.dataSize, src.size() - w.dataOffset) / align;
    const std::int64_t a = FrameOfTime(startMs, rate);
    const std::int64_t b = std::min(FrameOfTime(endMs, rate), frames);
    if (b <= a) {
        result.reason = QCoreApplication::translate("LosslessCopy", "the span is empty");
        return result;
    }
    const std::int64_t bytes = (b - a) * align;
    if (bytes + 64 + static_cast<std::int64_t>(w.format.size()) > 0xFFFFFFFFll) {
        result.reason = QCoreApplication::translate("LosslessCopy", "the span is too long for one WAV file");
        return result;
    }
    const std::vector<std::uint8_t> head = Header(w.format, bytes);
    const std::uint8_t pad = 0;

    CopyTarget out(target, static_cast<std::int64_t>(head.size()) + bytes, tick);
    if (!out.Write(head.data(), static_cast<std::int64_t>(head.size())) ||
        !out.Write(src.data() + w.dataOffset + a * align, bytes) || ((bytes & 1) && !out.Write(&pad, 1))) {
        result.outcome = CopyResult::Cancelled;
        return result;
    }
    out.Commit();
    result.outcome = CopyResult::Copied;
    result.frames = b - a;
    return result;
}

}  // namespace workflow
