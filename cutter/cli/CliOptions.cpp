#include "CliOptions.h"

#include <algorithm>

#include <QRegularExpression>
#include <cmath>

#include "workflow/TimeText.h"

namespace cli {

std::optional<std::int64_t> ParseTime(const QString& text) {
    static const QRegularExpression clock(QStringLiteral(R"(^(?:(\d+):)?(\d+):(\d+)(?:\.(\d{1,3}))?$)"));
    static const QRegularExpression seconds(QStringLiteral(R"(^\d+(?:\.\d+)?$)"));
    const QString t = text.trimmed();
    if (const auto m = clock.match(t); m.hasMatch()) {
        const std::int64_t h = m.captured(1).isEmpty() ? 0 : m.captured(1).toLongLong();
        const std::int64_t min = m.captured(2).toLongLong();
        const std::int64_t s = m.captured(3).toLongLong();
        if (s >= 60 || (m.captured(1).size() > 0 && min >= 60)) return std::nullopt;
        // A fraction is a decimal fraction of a second: ".5" is 500 ms.
        QString frac = m.captured(4);
        while (frac.size() < 3) frac += QLatin1Char('0');
        return workflow::ComposeTime(h, min, s, frac.toLongLong());
    }
    if (seconds.match(t).hasMatch()) return static_cast<std::int64_t>(std::llround(t.toDouble() * 1000.0));
    return std::nullopt;
}

namespace {

workflow::FormatCode FormatArg(const QString& v) {
    const QString f = v.toLower();
    if (f == u"mp3") return workflow::fcMp3;
    if (f == u"ogg") return workflow::fcOggVorbis;
    if (f == u"wav") return workflow::fcWav;
    if (f == u"wma") return workflow::fcWma;
    throw UsageError{QStringLiteral("unknown format \"%1\" (mp3, ogg, wav or wma)").arg(v)};
}

std::int64_t TimeArg(const QString& option, const QString& v) {
    const auto ms = ParseTime(v);
    if (!ms) throw UsageError{QStringLiteral("%1: \"%2\" is not a time").arg(option, v)};
    return *ms;
}

int IntArg(const QString& option, const QString& v) {
    bool ok = false;
    const int n = v.toInt(&ok);
    if (!ok || n < 0) throw UsageError{QStringLiteral("%1: \"%2\" is not a number").arg(option, v)};
    return n;
}

}  // namespace

CutOptions ParseCut(const QStringList& args) {
    CutOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&]() -> QString {
            if (i + 1 >= args.size()) throw UsageError{a + QStringLiteral(" needs a value")};
            return args[++i];
        };
        if (a == u"--out") o.outDir = value();
        else if (a == u"--format") o.format = FormatArg(value());
        else if (a == u"--segment") {
            const QString v = value();
            const qsizetype eq = v.indexOf(QLatin1Char('='));
            const QString span = eq < 0 ? v : v.left(eq);
            SegmentArg s;
            if (eq >= 0) s.name = v.mid(eq + 1);
            const qsizetype dash = span.indexOf(QLatin1Char('-'));
            if (dash < 0) throw UsageError{QStringLiteral("--segment: \"%1\" is not START-END").arg(v)};
            s.start = TimeArg(a, span.left(dash));
            s.end = TimeArg(a, span.mid(dash + 1));
            if (s.end <= s.start)
                throw UsageError{QStringLiteral("--segment: \"%1\" ends before it starts").arg(v)};
            o.segments.push_back(s);
        } else if (a == u"--pieces") {
            o.pieces = IntArg(a, value());
            if (o.pieces < 1) throw UsageError{QStringLiteral("--pieces needs at least 1")};
        } else if (a == u"--length") {
            o.pieceLength = TimeArg(a, value());
            if (o.pieceLength <= 0) throw UsageError{QStringLiteral("--length needs a length above 0")};
        } else if (a == u"--silence") {
            o.silence = workflow::SilenceOptions{};
            // The value is optional: it is taken when it reads as THRESHOLD_DB[,MIN_LENGTH].
            static const QRegularExpression level(QStringLiteral(R"(^-?\d+(?:\.\d+)?(?:,.+)?$)"));
            if (i + 1 < args.size() && level.match(args[i + 1]).hasMatch()) {
                const QStringList parts = args[++i].split(u',');
                o.silence->thresholdDb = parts[0].toDouble();
                if (o.silence->thresholdDb > 0) o.silence->thresholdDb = -o.silence->thresholdDb;
                if (parts.size() > 1) o.silence->minLengthMs = TimeArg(a, parts[1]);
                if (o.silence->minLengthMs <= 0) throw UsageError{QStringLiteral("--silence needs a minimum length above 0")};
            }
        } else if (a == u"--silence-cuts") o.silenceMiddles = true;
        else if (a == u"--cue") o.cueSheet = value();
        else if (a == u"--labels") o.labelFile = value();
        else if (a == u"--title") o.title = value();
        else if (a == u"--artist") o.artist = value();
        else if (a == u"--album") o.album = value();
        else if (a == u"--genre") o.genre = value();
        else if (a == u"--year") o.year = value();
        else if (a == u"--overwrite") o.overwrite = true;
        else if (a == u"--copy") o.copy = true;
        else if (a == u"--samplerate") o.samplerate = IntArg(a, value());
        else if (a == u"--channels") o.channels = IntArg(a, value());
        else if (a == u"--bitrate") o.bitrate = IntArg(a, value());
        else if (a == u"--samplesize") o.samplesize = IntArg(a, value());
        else if (a == u"--wma-format") o.wmaFormat = IntArg(a, value());
        else if (a == u"--jobs") {
            o.jobs = IntArg(a, value());
            if (o.jobs < 1) throw UsageError{QStringLiteral("--jobs needs at least 1")};
        }
        else if (a.startsWith(u"--")) throw UsageError{QStringLiteral("unknown option ") + a};
        else if (o.source.isEmpty()) o.source = a;
        else throw UsageError{QStringLiteral("more than one source: ") + a};
    }
    if (o.source.isEmpty()) throw UsageError{QStringLiteral("no source file")};
    if (o.outDir.isEmpty()) throw UsageError{QStringLiteral("--out DIR is required")};
    const int ways = (o.segments.empty() ? 0 : 1) + (o.pieces ? 1 : 0) + (o.pieceLength ? 1 : 0) +
                     (o.silence ? 1 : 0) + (o.cueSheet.isEmpty() ? 0 : 1) + (o.labelFile.isEmpty() ? 0 : 1);
    if (ways != 1)
        throw UsageError{QStringLiteral("give either --segment, --pieces, --length, --silence, --cue or --labels")};
    if (o.silenceMiddles && !o.silence) throw UsageError{QStringLiteral("--silence-cuts goes with --silence")};
    return o;
}

namespace {

// A value outside the settings page's choices is refused, never clamped or replaced.
void CheckChoice(const char* option, const std::optional<int>& value, const std::vector<int>& choices) {
    if (!value || choices.empty() || std::find(choices.begin(), choices.end(), *value) != choices.end()) return;
    QStringList texts;
    for (int c : choices) texts << QString::number(c);
    throw UsageError{QStringLiteral("%1: %2 is not one of %3").arg(QLatin1String(option)).arg(*value).arg(texts.join(u", "))};
}

void CheckChoices(int pageFormat, const CutOptions& o) {
    // A WAV writer takes any rate a real file has; the encoders only those they offer.
    if (pageFormat == pfWav) {
        if (o.samplerate && (*o.samplerate < 8000 || *o.samplerate > 192000))
            throw UsageError{QStringLiteral("--samplerate: %1 is outside 8000 to 192000").arg(*o.samplerate)};
    } else {
        CheckChoice("--samplerate", o.samplerate, SampleRateList(pageFormat));
    }
    const int modes = int(ChannelNames(pageFormat).size());
    if (o.channels && modes && (*o.channels < 1 || *o.channels > modes)) {
        QStringList texts;
        for (int i = 0; i < modes; ++i) texts << QStringLiteral("%1 %2").arg(i + 1).arg(ChannelNames(pageFormat)[i]);
        throw UsageError{QStringLiteral("--channels: %1 is not one of %2").arg(*o.channels).arg(texts.join(u", "))};
    }
    CheckChoice(pageFormat == pfWav ? "--samplesize" : "--bitrate", pageFormat == pfWav ? o.samplesize : o.bitrate,
                ThirdList(pageFormat));
}

}  // namespace

TOutputParams ApplyOverrides(TOutputParams p, workflow::FormatCode format, const CutOptions& o) {
    switch (format) {
        case workflow::fcMp3: CheckChoices(pfMp3, o); break;
        case workflow::fcOggVorbis: CheckChoices(pfOggVorbis, o); break;
        case workflow::fcWav: CheckChoices(pfWav, o); break;
        default: break;
    }
    switch (format) {
        case workflow::fcMp3:
            if (o.samplerate) p.mp3Samplerate = *o.samplerate;
            if (o.channels) p.mp3Channel = *o.channels;
            if (o.bitrate) p.mp3Bitrate = *o.bitrate;
            break;
        case workflow::fcOggVorbis:
            if (o.samplerate) p.oggSamplerate = *o.samplerate;
            if (o.channels) p.oggChannel = *o.channels;
            if (o.bitrate) p.oggBitrate = *o.bitrate;
            break;
        case workflow::fcWav:
            if (o.samplerate) p.pcmSamplerate = *o.samplerate;
            if (o.channels) p.pcmChannel = *o.channels;
            if (o.samplesize) p.pcmSamplesize = *o.samplesize;
            break;
        case workflow::fcWma:
            if (o.wmaFormat) p.wmaFormat = *o.wmaFormat;
            break;
        default:
            break;
    }
    return p;
}

}  // namespace cli
