// tarvelcut: "info FILE..." prints what the program would show of each file; "cut" runs
// the cut job of the cut page on a segment list made from the command line.
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <exception>
#include <unistd.h>

#include "AppPaths.h"
#include "CliOptions.h"
#include "Console.h"
#include "JobAdapters.h"
#include "ProgramComponents.h"
#include "UserInterface.h"
#include "settings.h"
#include "workflow/CutJob.h"
#include "workflow/TimeText.h"

int RunMergeCommand(QStringList args);  // MergeCommand.cpp

namespace {

const char* kUsage =
    "usage: tarvelcut info FILE...\n"
    "       tarvelcut merge OUTPUT INPUT INPUT... [--title T] [--artist A] [--album B] [--genre G]\n"
    "                 [--year Y] [--track N] [--comment C] [--overwrite] (and the quality options of cut)\n"
    "       tarvelcut cut SOURCE --out DIR [--format mp3|ogg|wav|wma]\n"
    "                 (--segment START-END[=NAME]... | --pieces N | --length TIME)\n"
    "                 [--title T] [--artist A] [--album B] [--genre G] [--year Y] [--overwrite]\n"
    "                 [--samplerate HZ] [--channels N] [--bitrate KBPS] [--samplesize BITS] [--wma-format N]\n";

class TConsoleHost : public workflow::JobHost {
public:
    explicit TConsoleHost(bool overwrite) : overwrite_(overwrite), tty_(isatty(2)) {}
    void BeginProgress(const QString&) override {}
    void EndProgress() override {
        if (tty_) std::fputs("\n", stderr);
    }
    void SetFileLabel(const QString& text) override { file_ = QFileInfo(text).fileName(); }
    void SetFileProgress(int percent) override { Draw(percent); }
    void SetTotal(const QString& label, int) override { total_ = label.trimmed(); }
    void ProcessEvents() override {}
    bool Cancelled() const override { return false; }
    bool AskYesNo(const QString&, const QString& text) override {
        if (!overwrite_) {
            cli::PrintError(text + QStringLiteral(" Not replaced (use --overwrite)."));
            failed_ = true;
        }
        return overwrite_;
    }
    void ShowInformation(const QString&, const QString&) override {}
    void ShowMessage(const QString& text) override {
        cli::PrintError(text);
        failed_ = true;
    }
    void ExploreFolder(const QString&) override {}
    bool Failed() const { return failed_; }

private:
    void Draw(int percent) {
        if (!tty_) return;
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r[%-30s] %3d%% %s %s", std::string(filled, '#').c_str(), percent,
                     total_.toLocal8Bit().constData(), file_.toLocal8Bit().constData());
    }
    bool overwrite_, tty_, failed_ = false;
    QString file_, total_;
};

int Info(const QStringList& files) {
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
    if (!o.segments.empty())
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
        if (i < o.segments.size() && !o.segments[i].name.isEmpty())
            rows.SetText(row, workflow::colName, o.segments[i].name);
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
    TConsoleHost host(o.overwrite);
    const workflow::CutJobResult res = workflow::RunCutJob(o.source, rows, o.outDir, options, c, host);
    std::printf("%d of %d segments written to %s\n", res.filesWritten, res.checkedRows,
                o.outDir.toLocal8Bit().constData());
    return host.Failed() || repeated || res.filesWritten < res.checkedRows ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args[0] == u"--help" || args[0] == u"-h") {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
    try {
        if (command == u"info") {
            if (args.isEmpty()) throw cli::UsageError{QStringLiteral("info needs at least one file")};
            return Info(args);
        }
        if (command == u"cut") return Cut(cli::ParseCut(args));
        if (command == u"merge") return RunMergeCommand(args);
        throw cli::UsageError{QStringLiteral("unknown command ") + command};
    } catch (const cli::UsageError& e) {
        cli::PrintError(e.text);
        std::fputs(kUsage, stderr);
        return 2;
    } catch (const std::exception& e) {
        cli::PrintError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
