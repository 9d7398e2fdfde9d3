#include "Console.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "file/SafeSave.h"

#include "ProgramComponents.h"
#include "WriterConfig.h"

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
    return [&pc, params, &ui, none](workflow::FormatCode code) {
        IWmaFormatList* wma = pc.WmaFormatSettings();
        return ::ConfigureWriter(
            code, params, TWriterTargets{pc.OutputWriter(), pc.WmaOutputWriter(), wma ? *wma : *none}, ui);
    };
}

}  // namespace cli
