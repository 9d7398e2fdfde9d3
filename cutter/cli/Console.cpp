#include "Console.h"

#include <cstdio>
#include <memory>

#include "ProgramComponents.h"
#include "WriterConfig.h"

namespace cli {

void PrintError(const QString& text) {
    std::fprintf(stderr, "tarvelcut: %s\n", text.toLocal8Bit().constData());
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
