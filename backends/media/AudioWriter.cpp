#include "AudioWriter.h"

#include "MediaError.h"

namespace kez::media {

AudioWriter::~AudioWriter() {
    try {
        Close();
    } catch (const MediaError&) {
    }
}

void AudioWriter::Create(const std::string& path, const EncoderSettings& settings) {
    Close();
    frames_ = 0;
    path_ = path;
    encoder_ = CreateEncoder(path, settings);
    effective_ = encoder_->Effective();
    format_ = encoder_->InputFormat();
}

void AudioWriter::FlushConverter() {
    if (!converter_) return;
    buf_.clear();
    converter_->Flush(buf_);
    std::int64_t n = static_cast<std::int64_t>(buf_.size()) / format_.BlockAlign();
    if (n > 0) encoder_->Write(buf_.data(), n);
    frames_ += n;
    converter_.reset();
}

void AudioWriter::Write(const std::uint8_t* block, std::size_t size) {
    if (!encoder_) throw MediaError("No output file is open for writing.");
    if (!block || size == 0) return;
    PcmFormat in;
    if (!ParseBlockHeader(block, size, &in)) throw MediaError("The data handed to the writer is not audio.");
    std::int64_t frames = static_cast<std::int64_t>(size - kBlockHeaderSize) / in.BlockAlign();
    if (frames <= 0) return;
    if (!converter_ || !(converter_->In() == in)) {
        FlushConverter();
        converter_ = std::make_unique<Converter>(in, format_);
    }
    const std::uint8_t* data = block + kBlockHeaderSize;
    if (in == format_) {
        encoder_->Write(data, frames);
        frames_ += frames;
        return;
    }
    buf_.clear();
    converter_->Convert(data, frames, buf_);
    std::int64_t n = static_cast<std::int64_t>(buf_.size()) / format_.BlockAlign();
    if (n > 0) encoder_->Write(buf_.data(), n);
    frames_ += n;
}

void AudioWriter::Close() {
    if (!encoder_) return;
    std::unique_ptr<Encoder> enc;
    try {
        FlushConverter();
    } catch (...) {
        converter_.reset();
        enc = std::move(encoder_);
        throw;
    }
    enc = std::move(encoder_);
    enc->Finish();
}

}  // namespace kez::media
