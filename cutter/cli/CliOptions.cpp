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

QCommandLineOption Valued(const QStringList& names, const QString& valueName) {
    return QCommandLineOption(names, QString(), valueName);
}
QCommandLineOption Valued(const char* name) { return Valued({QLatin1String(name)}, QStringLiteral("value")); }
QCommandLineOption Flag(const char* name) { return QCommandLineOption(QLatin1String(name)); }

}  // namespace

int ReadNumber(const QString& option, const QString& text, bool negative) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || (n < 0 && !negative)) throw UsageError{QStringLiteral("%1: \"%2\" is not a number").arg(option, text)};
    return n;
}

void ParseArguments(QCommandLineParser& parser, const QStringList& args) {
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("q"), QStringLiteral("quiet")}));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    const bool parsed = parser.parse(QStringList{QStringLiteral("tarvelcut")} + args);
    if (parser.isSet(QStringLiteral("help"))) throw HelpRequest{};
    if (parsed) return;
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().constFirst();
        throw UsageError{QStringLiteral("unknown option ") + QLatin1String(name.size() == 1 ? "-" : "--") + name};
    }
    // The parser takes whatever follows a valued option as its value, so only the last
    // argument can lack one.
    const QString last = args.isEmpty() ? QString() : args.constLast();
    QString name = last;
    while (name.startsWith(u'-')) name.remove(0, 1);
    if (last.startsWith(u'-') && !last.contains(u'=') && parser.optionNames().contains(name))
        throw UsageError{last + QStringLiteral(" needs a value")};
    throw UsageError{parser.errorText()};
}

void AddSharedOptions(QCommandLineParser& parser) {
    for (const char* name : {"title", "artist", "album", "genre", "year", "samplerate", "channels", "bitrate",
                             "samplesize", "wma-format"})
        parser.addOption(Valued(name));
    parser.addOptions({Flag("overwrite"), Flag("copy")});
}

void ReadShared(const QCommandLineParser& parser, CutOptions& o, bool negativeNumbers) {
    for (auto [name, to] : {std::pair{"title", &o.title}, {"artist", &o.artist}, {"album", &o.album},
                            {"genre", &o.genre}, {"year", &o.year}})
        if (parser.isSet(QLatin1String(name))) *to = parser.value(QLatin1String(name));
    for (auto [name, to] : {std::pair{"samplerate", &o.samplerate}, {"channels", &o.channels},
                            {"bitrate", &o.bitrate}, {"samplesize", &o.samplesize}, {"wma-format", &o.wmaFormat}})
        if (parser.isSet(QLatin1String(name)))
            *to = ReadNumber(QStringLiteral("--") + QLatin1String(name), parser.value(QLatin1String(name)), negativeNumbers);
    o.overwrite = parser.isSet(QStringLiteral("overwrite"));
    o.copy = parser.isSet(QStringLiteral("copy"));
    o.quiet = parser.isSet(QStringLiteral("quiet"));
}

CutOptions ParseCut(const QStringList& args) {
    // --silence takes a value only when the next argument reads as THRESHOLD_DB[,MIN_LENGTH]
    // (which may be negative): the parser has no optional values, so it is taken out here.
    static const QRegularExpression level(QStringLiteral(R"(^-?\d+(?:\.\d+)?(?:,.+)?$)"));
    QStringList rest;
    bool silence = false;
    std::optional<QString> silenceLevel;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] != u"--silence" && !args[i].startsWith(u"--silence=")) {
            rest << args[i];
            continue;
        }
        silence = true;
        silenceLevel.reset();
        const bool inline_ = args[i].startsWith(u"--silence=");
        if (inline_ && !level.match(args[i].mid(10)).hasMatch()) rest << args[i].mid(10);
        else if (inline_) silenceLevel = args[i].mid(10);
        else if (i + 1 < args.size() && level.match(args[i + 1]).hasMatch()) silenceLevel = args[++i];
    }

    QCommandLineParser parser;
    AddSharedOptions(parser);
    parser.addOption(Valued({QStringLiteral("o"), QStringLiteral("out")}, QStringLiteral("dir")));
    for (const char* name : {"format", "segment", "pieces", "length", "cue", "labels", "jobs"})
        parser.addOption(Valued(name));
    parser.addOption(Flag("silence-cuts"));
    ParseArguments(parser, rest);

    CutOptions o;
    ReadShared(parser, o, false);
    const QStringList sources = parser.positionalArguments();
    if (sources.size() > 1) throw UsageError{QStringLiteral("more than one source: ") + sources[1]};
    o.source = sources.value(0);
    o.outDir = parser.value(QStringLiteral("out"));
    if (parser.isSet(QStringLiteral("format"))) o.format = FormatArg(parser.value(QStringLiteral("format")));
    const QString segment = QStringLiteral("--segment");
    for (const QString& v : parser.values(QStringLiteral("segment"))) {
        const qsizetype eq = v.indexOf(QLatin1Char('='));
        const QString span = eq < 0 ? v : v.left(eq);
        SegmentArg s;
        if (eq >= 0) s.name = v.mid(eq + 1);
        const qsizetype dash = span.indexOf(QLatin1Char('-'));
        if (dash < 0) throw UsageError{QStringLiteral("--segment: \"%1\" is not START-END").arg(v)};
        s.start = TimeArg(segment, span.left(dash));
        s.end = TimeArg(segment, span.mid(dash + 1));
        if (s.end <= s.start) throw UsageError{QStringLiteral("--segment: \"%1\" ends before it starts").arg(v)};
        o.segments.push_back(s);
    }
    if (parser.isSet(QStringLiteral("pieces"))) {
        o.pieces = ReadNumber(QStringLiteral("--pieces"), parser.value(QStringLiteral("pieces")), false);
        if (o.pieces < 1) throw UsageError{QStringLiteral("--pieces needs at least 1")};
    }
    if (parser.isSet(QStringLiteral("length"))) {
        o.pieceLength = TimeArg(QStringLiteral("--length"), parser.value(QStringLiteral("length")));
        if (o.pieceLength <= 0) throw UsageError{QStringLiteral("--length needs a length above 0")};
    }
    if (silence) {
        o.silence = workflow::SilenceOptions{};
        if (silenceLevel) {
            const QStringList parts = silenceLevel->split(u',');
            o.silence->thresholdDb = parts[0].toDouble();
            if (o.silence->thresholdDb > 0) o.silence->thresholdDb = -o.silence->thresholdDb;
            if (parts.size() > 1) o.silence->minLengthMs = TimeArg(QStringLiteral("--silence"), parts[1]);
            if (o.silence->minLengthMs <= 0) throw UsageError{QStringLiteral("--silence needs a minimum length above 0")};
        }
    }
    o.silenceMiddles = parser.isSet(QStringLiteral("silence-cuts"));
    o.cueSheet = parser.value(QStringLiteral("cue"));
    o.labelFile = parser.value(QStringLiteral("labels"));
    if (parser.isSet(QStringLiteral("jobs"))) {
        o.jobs = ReadNumber(QStringLiteral("--jobs"), parser.value(QStringLiteral("jobs")), false);
        if (o.jobs < 1) throw UsageError{QStringLiteral("--jobs needs at least 1")};
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
