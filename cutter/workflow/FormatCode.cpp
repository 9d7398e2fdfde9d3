#include "FormatCode.h"

namespace workflow {

FormatCode FormatFromFileName(const QString& path) {
    // Only the file name counts: a dot in a folder name is no extension.
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString name = slash < 0 ? path : path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return fcUnknown;
    const QString ext = name.mid(dot);
    if (ext.compare(u".wma", Qt::CaseInsensitive) == 0)
        return fcWma;
    if (ext.compare(u".mp3", Qt::CaseInsensitive) == 0)
        return fcMp3;
    if (ext.compare(u".ogg", Qt::CaseInsensitive) == 0)
        return fcOggVorbis;
    if (ext.compare(u".wav", Qt::CaseInsensitive) == 0)
        return fcWav;
    return fcUnknown;
}

int FileTypeCode(FormatCode code) {
    switch (code) {
    case fcOggVorbis: return 4;
    case fcMp3: return 2;
    case fcWav: return 20;
    default: return -1;
    }
}

QString FormatExtension(FormatCode code) {
    switch (code) {
    case fcOggVorbis: return QStringLiteral(".ogg");
    case fcMp3: return QStringLiteral(".mp3");
    case fcWma: return QStringLiteral(".wma");
    case fcWav: return QStringLiteral(".wav");
    default: return {};
    }
}

}  // namespace workflow
