#include "Console.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "file/SafeSave.h"

#include "app/ProgramComponents.h"
#include "app/WriterConfig.h"

namespace cli {

void PrintError(const QString& text) {
    std::fprintf(stderr, "tarvelcut: %s\n", text.toLocal8Bit().constData());
}

bool CheckInputFile(const QString& path) {
    const int err = platform::file::RegularFileError(QFile::encodeName(path).toStdString());
    if (err == 0) return true;
    if (err == EISDIR || err == EINVAL)
        PrintError(path + QStringLiteral(": not a regular file"));
    else
        PrintError(path + QStringLiteral(": no such file"));
    return false;
}

namespace {

// Stands in for the WMA format list when the job writes no WMA.
struct TNoList : IWmaFormatList {
    void SetFormatGroup(int) override {}
    int FormatCount() override { return 0; }
    void SetFormatIndex(int) override {}
    QString FormatName() override { return {}; }
};

}  // namespace

std::function<bool(workflow::FormatCode)> WriterConfiguration(TProgramComponents& pc,
                                                              const TOutputParams& params,
                                                              IUserInterface& ui) {
    auto none = std::make_shared<TNoList>();
    auto told = std::make_shared<bool>(false);
    return [&pc, params, &ui, none, told](workflow::FormatCode code) {
        // A bitrate the encoder cannot honour is replaced: say so once per job.
        const int page = code == workflow::fcMp3 ? pfMp3 : code == workflow::fcOggVorbis ? pfOggVorbis : -1;
        const QString note = BitrateNote(page, params);
        if (!note.isEmpty() && !*told) {
            *told = true;
            std::printf("tarvelcut: %s\n", note.toLocal8Bit().constData());
            std::fflush(stdout);
        }
        IWmaFormatList* wma = pc.WmaFormatSettings();
        return ::ConfigureWriter(
            code, params, TWriterTargets{pc.OutputWriter(), pc.WmaOutputWriter(), wma ? *wma : *none}, ui);
    };
}

}  // namespace cli

namespace cli {

namespace {

QString Clock(double seconds) {
    const auto s = static_cast<long long>(seconds + 0.5);
    return s >= 3600 ? QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'))
                     : QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

TProgressLine::TProgressLine(bool enabled, int parts, std::int64_t audioMs)
    : enabled_(enabled), parts_(parts > 0 ? parts : 1), audioMs_(audioMs) {}

void TProgressLine::SetFile(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    file_ = slash < 0 ? path : path.mid(slash + 1);
    index_ = std::min(index_ + 1, parts_ - 1);
    percent_ = 0;
    Draw();
}

void TProgressLine::SetFilePercent(int percent) {
    percent_ = std::clamp(percent, 0, 100);
    Draw();
}

void TProgressLine::Finish() {
    if (enabled_ && index_ >= 0) std::fputs("\n", stderr);
}

void TProgressLine::Draw() {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    // A terminal needs no more than ten updates a second; the last one of a part always shows.
    if (percent_ < 100 && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    const double done = (std::max(index_, 0) + percent_ / 100.0) / parts_;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    QString times = Clock(elapsed) + QStringLiteral(" elapsed");
    if (audioMs_ > 0 && elapsed > 0.05)
        times += QStringLiteral(", %1x").arg(done * audioMs_ / 1000.0 / elapsed, 0, 'f', 1);
    if (done > 0.01) times += QStringLiteral(", %1 left").arg(Clock(elapsed * (1 - done) / done));
    const int filled = percent_ * 30 / 100;
    std::fprintf(stderr, "\r[%-30s] %3d%% %s %s  %s\x1b[K", std::string(filled, '#').c_str(), percent_,
                 total_.toLocal8Bit().constData(), file_.toLocal8Bit().constData(), times.toLocal8Bit().constData());
}

}  // namespace cli
