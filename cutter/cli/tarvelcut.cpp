// tarvelcut: "info FILE..." prints what the program would show of each file; "cut" runs
// the cut job of the cut page on a segment list made from the command line.
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <exception>
#include <unistd.h>

#include "CliOptions.h"
#include "Console.h"
#include "ParallelCut.h"
#include "app/JobAdapters.h"
#include "app/ProgramComponents.h"
#include "app/UserInterface.h"
#include "settings/AppPaths.h"
#include "settings/settings.h"
#include "workflow/CueSheet.h"
#include "workflow/CutJob.h"
#include "workflow/LabelFile.h"
#include "workflow/SilenceDetector.h"
#include "workflow/TimeText.h"

int RunMergeCommand(const QStringList& args);  // MergeCommand.cpp

namespace {

const char* kUsage =
    "usage: tarvelcut info FILE...\n"
    "       tarvelcut silence FILE [THRESHOLD_DB[,MIN_LENGTH]]\n"
    "       tarvelcut merge OUTPUT INPUT INPUT... [--title T] [--artist A] [--album B] [--genre G]\n"
    "                 [--year Y] [--track N] [--comment C] [--overwrite] [--copy] (and the quality options of cut)\n"
    "       tarvelcut cut SOURCE --out DIR [--format mp3|ogg|wav|wma]\n"
    "                 (--segment START-END[=NAME]... | --pieces N | --length TIME |\n"
    "                  --silence [THRESHOLD_DB[,MIN_LENGTH]] [--silence-cuts] | --cue SHEET | --labels FILE)\n"
    "                 [--title T] [--artist A] [--album B] [--genre G] [--year Y] [--overwrite] [--copy]\n"
    "                 [--samplerate HZ] [--channels N] [--bitrate KBPS] [--samplesize BITS] [--wma-format N]\n"
    "                 [--jobs N]\n"
    "       tarvelcut silence FILE [THRESHOLD_DB[,MIN_LENGTH]]\n"
    "       tarvelcut --version\n"
    "Values may follow an option or an equals sign (--format=ogg); -o is --out; -q hides the progress.\n";

class TConsoleHost : public workflow::JobHost {
public:
    TConsoleHost(bool overwrite, bool quiet, int parts, std::int64_t audioMs)
        : overwrite_(overwrite), progress_(isatty(2) && !quiet, parts, audioMs) {}
    void BeginProgress(const QString&) override {}
    void EndProgress() override { progress_.Finish(); }
    void SetFileLabel(const QString& text) override { progress_.SetFile(text); }
    void SetFileProgress(int percent) override { progress_.SetFilePercent(percent); }
    void SetTotal(const QString& label, int) override { progress_.SetTotal(label); }
    void ProcessEvents() override {}
    bool Cancelled() const override { return false; }
    bool AskYesNo(const QString&, const QString& text) override {
        if (!overwrite_) {
            cli::PrintError(text + QStringLiteral(" Not replaced (use --overwrite)."));
            failed_ = true;
        }
        return overwrite_;
    }
    // Notices (an encoded copy) go to standard error; "Success" is the summary line's.
    void ShowInformation(const QString& caption, const QString& text) override {
        if (caption != u"Success") cli::PrintError(text);
    }
    void ShowMessage(const QString& text) override {
        cli::PrintError(text);
        failed_ = true;
    }
    void ExploreFolder(const QString&) override {}
    bool Failed() const { return failed_; }

private:
    bool overwrite_, failed_ = false;
    cli::TProgressLine progress_;
};

int Info(const QStringList& args) {
    QCommandLineParser parser;
    cli::ParseArguments(parser, args);
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) throw cli::UsageError{QStringLiteral("info needs at least one file")};
    TProgramComponents pc;
    pc.ConstructFileComponents();
    TJobAdapters adapters(pc.Wrappers);
    int status = 0;
    for (const QString& f : files) {
        if (!cli::CheckInputFile(f)) {
            status = 1;
            continue;
        }
        try {
            const workflow::FormatCode in = workflow::FormatFromFileName(f);
            if (in == workflow::fcUnknown) throw std::runtime_error("not an MP3, Ogg Vorbis, WAV or WMA file");
            workflow::AudioReader& r = adapters.ReaderFor(in);
            r.Open(f);
            const workflow::StreamInfo s = r.Info();
            const int bitrate = in == workflow::fcWma ? pc.Wrappers.WmaSourceReader.AudioInfo().Bitrate()
                                                      : pc.Wrappers.SourceReader.AudioInfo().Bitrate();
            r.Close();
            const workflow::SourceTags t = ReadSourceTags(pc.Wrappers.TagEditor, pc.Wrappers.WmaTagReader, f, in);
            static const char* names[] = {"Ogg Vorbis", "MP3"};
            const char* format = in == workflow::fcWma ? "WMA" : in == workflow::fcWav ? "WAV" : names[in];
            std::printf("%s\n  format: %s\n  duration: %s\n  samplerate: %d Hz\n  channels: %d\n  bitrate: %d kbps\n"
                        "  size: %lld bytes\n  title: %s\n  artist: %s\n  album: %s\n  genre: %s\n  year: %s\n",
                        f.toLocal8Bit().constData(), format, workflow::TimeText(s.duration).toLatin1().constData(),
                        s.sampleRate, s.channels, bitrate, static_cast<long long>(QFileInfo(f).size()),
                        t.title.toLocal8Bit().constData(), t.artist.toLocal8Bit().constData(),
                        t.album.toLocal8Bit().constData(), t.genre.toLocal8Bit().constData(),
                        t.year.toLocal8Bit().constData());
        } catch (const std::exception& e) {
            cli::PrintError(f + QStringLiteral(": ") + QString::fromLocal8Bit(e.what()));
            status = 1;
        }
    }
    return status;
}

workflow::FormatCode FromPageFormat(int page) {
    switch (page) {
        case pfOggVorbis: return workflow::fcOggVorbis;
        case pfWav: return workflow::fcWav;
        case pfWma: return workflow::fcWma;
        default: return workflow::fcMp3;
    }
}

// The parts of the source between silences (or pieces cut in their middles), found by
// reading the whole source once.
std::vector<workflow::Piece> SilenceSpans(workflow::AudioReader& r, const cli::CutOptions& o, std::int64_t duration) {
    workflow::SilenceScan scan(r, o.source, 0, duration, *o.silence);
    const bool tty = isatty(2);
    while (scan.Step(60000))
        if (tty) std::fprintf(stderr, "\rlooking for silence %3d%%", scan.Percent());
    if (tty) std::fputs("\n", stderr);
    const std::vector<workflow::TimeSpan> silences = scan.Finish();
    const auto parts = o.silenceMiddles ? workflow::PiecesAtSilenceMiddles(silences, 0, duration)
                                        : workflow::SoundParts(silences, 0, duration);
    std::fprintf(stderr, "%zu silences below %.1f dB of at least %lld ms: %zu segments\n", silences.size(),
                 o.silence->thresholdDb, static_cast<long long>(o.silence->minLengthMs), parts.size());
    std::vector<workflow::Piece> spans;
    for (const auto& p : parts) spans.push_back({p.start, p.end});
    return spans;
}

// Rows from a cue sheet or a label file, read whole before any row is made.
std::vector<workflow::SegmentEntry> FileEntries(const cli::CutOptions& o, std::int64_t duration) {
    const QString file = o.cueSheet.isEmpty() ? o.labelFile : o.cueSheet;
    try {
        const QByteArray bytes = workflow::ReadWholeFile(file);
        if (o.cueSheet.isEmpty()) return workflow::ParseLabelFile(bytes, duration);
        const workflow::CueSheet sheet = workflow::ParseCueSheet(bytes);
        const int index = workflow::CueFileFor(sheet, o.source);
        if (index < 0) throw std::runtime_error("the sheet names no FILE like the source");
        return workflow::CueEntries(sheet, index, duration);
    } catch (const std::exception& e) {
        throw std::runtime_error((file + QStringLiteral(": ") + QString::fromUtf8(e.what())).toStdString());
    }
}

// Lists the silences of a file, one "start - end" a line.
int Silence(const QStringList& args) {
    if (args.isEmpty()) throw cli::UsageError{QStringLiteral("silence needs a file")};
    QStringList cut = {args[0], QStringLiteral("--out"), QStringLiteral("."), QStringLiteral("--silence")};
    cut += args.mid(1);
    const cli::CutOptions o = cli::ParseCut(cut);
    const workflow::FormatCode in = workflow::FormatFromFileName(o.source);
    if (in == workflow::fcUnknown || !QFileInfo(o.source).isFile())
        throw std::runtime_error((o.source + QStringLiteral(": not an MP3, Ogg Vorbis, WAV or WMA file")).toStdString());
    TProgramComponents pc;
    pc.ConstructFileComponents();
    TJobAdapters adapters(pc.Wrappers);
    workflow::AudioReader& r = adapters.ReaderFor(in);
    r.Open(o.source);
    const std::int64_t duration = r.Info().duration;
    r.Close();
    workflow::SilenceScan scan(r, o.source, 0, duration, *o.silence);
    while (scan.Step(60000)) {
    }
    for (const workflow::TimeSpan& s : scan.Finish())
        std::printf("%s - %s\n", workflow::TimeText(s.start).toLatin1().constData(),
                    workflow::TimeText(s.end).toLatin1().constData());
    return 0;
}

int Cut(const cli::CutOptions& o) {
    TSettingsValues stored;
    TSettingsStore(DefaultAppPaths()).Load(stored);
    const workflow::FormatCode out = o.format ? *o.format : FromPageFormat(stored.params.outFormat);
    const TOutputParams params = cli::ApplyOverrides(stored.params, out, o);

    const workflow::FormatCode in = workflow::FormatFromFileName(o.source);
    if (in == workflow::fcUnknown) {
        cli::PrintError(QStringLiteral("%1 is not an MP3, Ogg Vorbis, WAV or WMA file and cannot be cut.").arg(o.source));
        return 1;
    }
    if (!cli::CheckInputFile(o.source)) return 1;
    TProgramComponents pc;
    if (out == workflow::fcWma) pc.CreateWmaFormatSettings();
    pc.ConstructFileComponents();
    TJobAdapters adapters(pc.Wrappers);

    workflow::AudioReader& r = adapters.ReaderFor(in);
    r.Open(o.source);
    const std::int64_t duration = r.Info().duration;
    r.Close();
    if (duration <= 0) {
        cli::PrintError(QStringLiteral("%1: the file holds no audio that can be read").arg(o.source));
        return 1;
    }

    workflow::SegmentList rows;
    rows.LoadSource(o.source, duration, ReadSourceTags(pc.Wrappers.TagEditor, pc.Wrappers.WmaTagReader, o.source, in));
    std::vector<workflow::Piece> spans;
    std::vector<workflow::SegmentEntry> entries;
    if (!o.cueSheet.isEmpty() || !o.labelFile.isEmpty()) {
        entries = FileEntries(o, duration);
        for (const auto& e : entries) spans.push_back({e.start, e.end});
    } else if (o.silence)
        spans = SilenceSpans(r, o, duration);
    else if (!o.segments.empty())
        for (const auto& s : o.segments) spans.push_back({s.start, s.end});
    else if (o.pieces)
        spans = workflow::PiecesByCount(0, duration, o.pieces);
    else
        spans = workflow::PiecesByLength(0, duration, o.pieceLength);
    QString formatText;
    for (const QString& t : workflow::OutputFormatTexts())
        if (workflow::FormatCodeFromText(t) == out) formatText = t;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (spans[i].start >= duration) {
            cli::PrintError(QStringLiteral("a segment starts at %1, past the end of the source (%2)")
                    .arg(workflow::TimeText(spans[i].start), workflow::TimeText(duration)));
            return 1;
        }
        const int row = rows.AppendRow(spans[i].start, std::min(spans[i].end, duration));
        rows.SetText(row, workflow::colFormat, formatText);
        if (i < o.segments.size() && !o.segments[i].name.isEmpty()) {
            rows.SetText(row, workflow::colName, o.segments[i].name);
        } else if (spans.size() > 9) {
            // "song_01" ... "song_12": a shell's sorted globbing keeps the pieces in order.
            const QString name = rows.Text(row, workflow::colName);
            const qsizetype us = name.lastIndexOf(QLatin1Char('_'));
            const int width = int(QString::number(spans.size()).size());
            if (us >= 0) rows.SetText(row, workflow::colName, name.left(us + 1) + name.mid(us + 1).rightJustified(width, u'0'));
        }
        if (i < entries.size()) {
            const workflow::SegmentEntry& e = entries[i];
            const std::pair<int, const QString*> cells[] = {{workflow::colName, &e.name},   {workflow::colTitle, &e.title},
                                                            {workflow::colArtist, &e.artist}, {workflow::colAlbum, &e.album},
                                                            {workflow::colGenre, &e.genre}, {workflow::colYear, &e.year}};
            for (const auto& [column, text] : cells)
                if (!text->isEmpty()) rows.SetText(row, column, *text);
        }
        if (o.title) rows.SetText(row, workflow::colTitle, *o.title);
        if (o.artist) rows.SetText(row, workflow::colArtist, *o.artist);
        if (o.album) rows.SetText(row, workflow::colAlbum, *o.album);
        if (o.genre) rows.SetText(row, workflow::colGenre, *o.genre);
        if (o.year) rows.SetText(row, workflow::colYear, *o.year);
    }

    // A repeated name would make a later segment replace an earlier one.
    bool repeated = false;
    QStringList paths;
    for (int row = 0; row < rows.rowCount(); ++row) {
        const QString path = workflow::OutputPath(o.outDir, rows.Text(row, workflow::colName), out);
        if (paths.contains(path)) {
            cli::PrintError(QStringLiteral("%1: the name repeats; segment %2 replaces segment %3")
                                .arg(path).arg(row + 1).arg(paths.indexOf(path) + 1));
            repeated = true;
        }
        paths << path;
    }

    cli::TConsoleUi ui;
    workflow::JobComponents c = adapters.Components();
    c.configureWriter = cli::WriterConfiguration(pc, params, ui);
    workflow::JobOptions options;
    options.promptOverwrite = true;
    options.showSuccess = false;
    options.copyAudio = o.copy;
    options.wavOutput = {params.pcmSamplerate, params.pcmChannel, params.pcmSamplesize};
    std::int64_t audioMs = 0;
    for (const auto& span : spans) audioMs += std::min(span.end, duration) - span.start;
    TConsoleHost host(o.overwrite, o.quiet, int(spans.size()), audioMs);
    const int jobs = o.jobs > 0 ? o.jobs : cli::DefaultJobs();
    const workflow::CutJobResult res = cli::RunParallelCut(o.source, rows, o.outDir, options, c, host, jobs);
    std::printf("%d of %d segments written to %s\n", res.filesWritten, res.checkedRows,
                o.outDir.toLocal8Bit().constData());
    return host.Failed() || repeated || res.filesWritten < res.checkedRows ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The options before the command; the command's own options are read by its parser.
    QCommandLineParser top;
    top.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    top.addOption(QCommandLineOption(QStringLiteral("version")));
    try {
        cli::ParseArguments(top, app.arguments().mid(1));
        if (top.isSet(QStringLiteral("version"))) {
            std::fputs("tarvelcut " KEZ_VERSION "\n", stdout);
            return 0;
        }
        QStringList args = top.positionalArguments();
        if (args.isEmpty()) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        const QString command = args.takeFirst();
        if (top.isSet(QStringLiteral("quiet"))) args.prepend(QStringLiteral("--quiet"));
        if (command == u"info") return Info(args);
        if (command == u"cut") return Cut(cli::ParseCut(args));
        if (command == u"merge") return RunMergeCommand(args);
        if (command == u"silence") return Silence(args);
        throw cli::UsageError{QStringLiteral("unknown command ") + command};
    } catch (const cli::HelpRequest&) {
        std::fputs(kUsage, stdout);
        return 0;
    } catch (const cli::UsageError& e) {
        cli::PrintError(e.text);
        std::fputs(kUsage, stderr);
        return 2;
    } catch (const std::exception& e) {
        cli::PrintError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
