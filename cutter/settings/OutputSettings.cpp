#include "OutputSettings.h"

#include <QCoreApplication>

#include "BitrateRules.h"
#include "app/ComponentInterfaces.h"

namespace {

const std::vector<int> kMp3Rates{8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
const std::vector<int> kOggRates{8000, 11025, 16000, 22050, 24000, 32000, 44100, 48000};
const std::vector<int> kWavRates{8000, 11025, 22050, 44100};
const std::vector<int> kBitrates{8, 16, 24, 32, 48, 56, 64, 96, 112, 128, 160, 192, 224, 256, 320};
const std::vector<int> kSampleSizes{8, 16, 24, 32};
const std::vector<int> kNone;

constexpr int kRateFallback = 44100;
constexpr int kBitrateFallback = 128;
constexpr int kSampleSizeFallback = 16;

// The item equal to the stored value, or else the fallback item.
TPanelBox FillBox(const std::vector<int>& values, int stored, int fallback, const QString& suffix) {
    TPanelBox box;
    int fallbackIndex = -1;
    for (size_t i = 0; i < values.size(); ++i) {
        box.items << QString::number(values[i]) + suffix;
        if (values[i] == stored)
            box.selected = int(i);
        if (values[i] == fallback)
            fallbackIndex = int(i);
    }
    if (box.selected < 0)
        box.selected = fallbackIndex;
    return box;
}

// Stored parameters of one of the three first formats.
struct TParamRefs {
    int* rate;
    int* channel;
    int* third;
};

TParamRefs Refs(TOutputParams& p, int format) {
    switch (format) {
    case pfMp3: return {&p.mp3Samplerate, &p.mp3Channel, &p.mp3Bitrate};
    case pfOggVorbis: return {&p.oggSamplerate, &p.oggChannel, &p.oggBitrate};
    case pfWav: return {&p.pcmSamplerate, &p.pcmChannel, &p.pcmSamplesize};
    default: return {nullptr, nullptr, nullptr};
    }
}

}  // namespace

const QStringList& PageFormatNames() {
    static const QStringList names{QStringLiteral("MP3 (MPEG 1/2 Layer 3)"), QStringLiteral("Ogg Vorbis"),
                                   QStringLiteral("WAV"), QStringLiteral("WMA(Windows Media Audio)")};
    return names;
}

const std::vector<int>& SampleRateList(int format) {
    switch (format) {
    case pfMp3: return kMp3Rates;
    case pfOggVorbis: return kOggRates;
    case pfWav: return kWavRates;
    default: return kNone;
    }
}

const std::vector<int>& ThirdList(int format) {
    switch (format) {
    case pfMp3:
    case pfOggVorbis: return kBitrates;
    case pfWav: return kSampleSizes;
    default: return kNone;
    }
}

const QStringList& ChannelNames(int format) {
    // Source texts; the settings page shows them translated.
    static const QStringList modes{QStringLiteral(QT_TRANSLATE_NOOP("OutputSettings", "Mono")),
                                   QStringLiteral(QT_TRANSLATE_NOOP("OutputSettings", "Stereo")),
                                   QStringLiteral(QT_TRANSLATE_NOOP("OutputSettings", "Joint Stereo")),
                                   QStringLiteral(QT_TRANSLATE_NOOP("OutputSettings", "Forced Joint Stereo")),
                                   QStringLiteral(QT_TRANSLATE_NOOP("OutputSettings", "Dual Channels"))};
    static const QStringList wav{QStringLiteral("Mono"), QStringLiteral("Stereo")};
    static const QStringList none;
    switch (format) {
    case pfMp3:
    case pfOggVorbis: return modes;
    case pfWav: return wav;
    default: return none;
    }
}

TPanelView BuildPanel(int format, const TOutputParams& params, IWmaFormatList* wma) {
    TPanelView view;
    if (format == pfWma) {
        view.page = 1;
        if (wma) {
            wma->SetFormatGroup(0);
            const int count = wma->FormatCount();
            for (int i = 0; i < count; ++i) {
                wma->SetFormatIndex(i);
                view.wmaQuality.items << wma->FormatName();
            }
        }
        const int n = int(view.wmaQuality.items.size());
        view.wmaQuality.selected = (params.wmaFormat >= n || params.wmaFormat < 0) ? n - 1 : params.wmaFormat;
        return view;
    }
    if (format < pfMp3 || format > pfWav)
        return view;
    TOutputParams copy = params;  // read only; Refs wants a mutable view
    const TParamRefs refs = Refs(copy, format);
    view.frequency = FillBox(SampleRateList(format), *refs.rate, kRateFallback, QStringLiteral(" Hz"));
    for (const QString& mode : ChannelNames(format))
        view.channel.items << QCoreApplication::translate("OutputSettings", mode.toUtf8().constData());
    const int ch = *refs.channel - 1;
    view.channel.selected = (ch >= 0 && ch < int(view.channel.items.size())) ? ch : -1;
    if (format == pfWav) {
        view.third = FillBox(kSampleSizes, *refs.third, kSampleSizeFallback, QString());
        view.thirdLabel = QCoreApplication::translate("OutputSettings", "Samplesize:");
        view.thirdLabelLeft = 206;
    } else {
        view.third = FillBox(kBitrates, *refs.third, kBitrateFallback, QString());
        view.thirdLabel = QCoreApplication::translate("OutputSettings", "Bitrate:");
        view.thirdLabelLeft = 226;
    }
    return view;
}

void FrequencyChosen(TOutputParams& params, int format, int index) {
    const auto& list = SampleRateList(format);
    if (index >= 0 && index < int(list.size()))
        *Refs(params, format).rate = list[size_t(index)];
}

void ChannelChosen(TOutputParams& params, int format, int index) {
    if (index >= 0 && index < int(ChannelNames(format).size()))
        *Refs(params, format).channel = index + 1;
}

void ThirdChosen(TOutputParams& params, int format, int index) {
    const auto& list = ThirdList(format);
    if (index >= 0 && index < int(list.size()))
        *Refs(params, format).third = list[size_t(index)];
}

void WmaQualityChosen(TOutputParams& params, int index) {
    if (index >= 0)
        params.wmaFormat = index;
}

QString BitrateNote(int format, const TOutputParams& params) {
    int used = 0, asked = 0, rate = 0;
    QString what;
    if (format == pfMp3) {
        rate = kez::media::NearestMp3SampleRate(params.mp3Samplerate);
        asked = params.mp3Bitrate;
        used = kez::media::NearestMp3Bitrate(rate, asked);
        what = QStringLiteral("MP3");
    } else if (format == pfOggVorbis) {
        rate = params.oggSamplerate;
        asked = params.oggBitrate;
        const int channels = params.oggChannel == 1 ? 1 : 2;
        used = kez::media::NearestVorbisBitrate(rate, channels, asked);
        what = channels == 1 ? QStringLiteral("Ogg Vorbis mono") : QStringLiteral("Ogg Vorbis stereo");
    }
    if (used == asked)
        return {};
    return QCoreApplication::translate("OutputSettings", "%1 at %2 Hz cannot be written at %3 kbps: %4 kbps is used.")
        .arg(what)
        .arg(rate)
        .arg(asked)
        .arg(used);
}
