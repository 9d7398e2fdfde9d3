// "tarvelcut merge OUTPUT INPUT INPUT...": the merge page's job on the command line. The
// output format comes from OUTPUT's extension; the quality options are those of "cut".
#include <QFileInfo>
#include <cstdio>
#include <unistd.h>

#include "CliOptions.h"
#include "Console.h"
#include "app/JobAdapters.h"
#include "app/ProgramComponents.h"
#include "app/UserInterface.h"
#include "settings/AppPaths.h"
#include "settings/settings.h"
#include "workflow/MergeJob.h"

namespace {

int IndexOfFormat(workflow::FormatCode code) {
    switch (code) {
        case workflow::fcMp3: return 0;
        case workflow::fcOggVorbis: return 1;
        case workflow::fcWav: return 2;
        case workflow::fcWma: return 3;
        default: return -1;
    }
}

class TMergeConsole : public workflow::JobHost {
public:
    TMergeConsole(bool overwrite, int inputs, bool quiet)
        : overwrite_(overwrite), progress_(isatty(2) && !quiet, inputs, 0) {}
    void BeginProgress(const QString&) override {}
    void EndProgress() override { progress_.Finish(); }
    void SetFileLabel(const QString& text) override {
        files << text;
        progress_.SetFile(text);
    }
    void SetFileProgress(int percent) override { progress_.SetFilePercent(percent); }
    void SetTotal(const QString& label, int) override { progress_.SetTotal(label); }
    void ProcessEvents() override {}
    bool Cancelled() const override { return false; }
    bool AskYesNo(const QString&, const QString& text) override {
        if (!overwrite_) cli::PrintError(text + QStringLiteral(" Not replaced (use --overwrite)."));
        return overwrite_;
    }
    void ShowInformation(const QString&, const QString& text) override { cli::PrintError(text); }
    void ShowMessage(const QString& text) override {
        cli::PrintError(text);
        failed = true;
    }
    void ExploreFolder(const QString&) override {}
    bool failed = false;
    QStringList files;

private:
    bool overwrite_;
    cli::TProgressLine progress_;
};

}  // namespace

int RunMergeCommand(const QStringList& args) {
    QCommandLineParser parser;
    cli::AddSharedOptions(parser);
    parser.addOption(QCommandLineOption(QStringLiteral("comment"), QString(), QStringLiteral("text")));
    parser.addOption(QCommandLineOption(QStringLiteral("track"), QString(), QStringLiteral("n")));
    cli::ParseArguments(parser, args);
    cli::CutOptions quality;  // only the quality options and the tags are used
    cli::ReadShared(parser, quality, true);
    const QString comment = parser.value(QStringLiteral("comment"));
    QString track;
    if (parser.isSet(QStringLiteral("track")))
        track = QString::number(cli::ReadNumber(QStringLiteral("--track"), parser.value(QStringLiteral("track")), true));
    QStringList inputs = parser.positionalArguments();
    const QString output = inputs.isEmpty() ? QString() : inputs.takeFirst();
    if (output.isEmpty() || inputs.size() < 2) throw cli::UsageError{QStringLiteral("merge needs OUTPUT and two or more INPUTs")};
    const workflow::FormatCode out = workflow::FormatFromFileName(output);
    if (out == workflow::fcUnknown)
        throw cli::UsageError{output + QStringLiteral(": the output must end in .mp3, .ogg, .wav or .wma")};
    for (const QString& in : inputs) {
        if (!cli::CheckInputFile(in)) return 1;
        if (workflow::FormatFromFileName(in) == workflow::fcUnknown) {
            cli::PrintError(in + QStringLiteral(" is not a valid audio file."));
            return 1;
        }
    }

    TSettingsValues stored;
    TSettingsStore(DefaultAppPaths()).Load(stored);
    const TOutputParams params = cli::ApplyOverrides(stored.params, out, quality);
    TProgramComponents pc;
    if (out == workflow::fcWma) pc.CreateWmaFormatSettings();
    pc.ConstructFileComponents();
    TJobAdapters adapters(pc.Wrappers);
    cli::TConsoleUi ui;
    workflow::JobComponents c = adapters.Components();
    bool configured = true;
    c.configureWriter = [&configured, configure = cli::WriterConfiguration(pc, params, ui)](
                            workflow::FormatCode code) {
        configured = configure(code);
        return configured;
    };

    const QFileInfo target(output);
    workflow::MergeRequest request;
    request.inputs = inputs;
    request.folder = target.absolutePath();
    request.fileName = target.completeBaseName();
    request.formatIndex = IndexOfFormat(out);
    request.tags.title = quality.title.value_or(QString());
    request.tags.artist = quality.artist.value_or(QString());
    request.tags.album = quality.album.value_or(QString());
    request.tags.genre = quality.genre.value_or(QString());
    request.tags.year = quality.year.value_or(QString());
    request.tags.comment = comment;
    request.tags.track = track.isEmpty() ? QStringLiteral("0") : track;
    workflow::JobOptions options;
    options.promptOverwrite = true;
    options.showSuccess = false;
    options.copyAudio = quality.copy;
    TMergeConsole host(quality.overwrite, int(inputs.size()), quality.quiet);
    const workflow::MergeJobResult res = workflow::RunMergeJob(request, options, c, host);
    switch (res.outcome) {
        case workflow::MergeOutcome::Finished:
            if (host.failed || !configured) return 1;
            std::printf("%d files joined into %s\n", res.filesCopied, res.outputPath.toLocal8Bit().constData());
            return 0;
        case workflow::MergeOutcome::Stopped:
            // A failure the job explained has been printed; a vanished input it does not explain.
            if (!host.failed)
                cli::PrintError(QStringLiteral("stopped at %1: no such file").arg(inputs.value(res.filesCopied)));
            cli::PrintError(QStringLiteral("%1 was not written").arg(res.outputPath));
            return 1;
        case workflow::MergeOutcome::OverwriteDeclined:
            cli::PrintError(QStringLiteral("%1 was not written").arg(res.outputPath));
            return 1;
        case workflow::MergeOutcome::OutputIsInput:
        case workflow::MergeOutcome::FolderRefused:
            return 1;
    }
    return 1;
}
