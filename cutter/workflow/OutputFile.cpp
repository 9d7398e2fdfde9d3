#include "OutputFile.h"

#include <QFile>
#include <stdexcept>

namespace workflow {

OutputFile::OutputFile(const QString& target)
    : target_(target), save_(QFile::encodeName(target).toStdString()) {
    temp_ = QFile::decodeName(QByteArray::fromStdString(save_.TempPath()));
}

void OutputFile::Commit() {
    if (const int err = save_.Commit())
        throw std::runtime_error(QStringLiteral("Writing the file %1 failed: %2.")
                                     .arg(target_, QString::fromStdString(platform::file::SaveErrorText(err)))
                                     .toStdString());
}

bool SameFileOnDisk(const QString& a, const QString& b) {
    return platform::file::SameFile(QFile::encodeName(a).toStdString(), QFile::encodeName(b).toStdString());
}

QString OutputErrorText(const OutputFile& out, const QString& text) {
    QString t = text;
    t.replace(out.TempPath(), out.Target());
    t.replace(QStringLiteral("No space left on device"), QStringLiteral("disk full"));
    return t;
}

}  // namespace workflow
