#include "MergeList.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <utility>

#include "AudioIo.h"
#include "TimeText.h"

namespace workflow {

QStringList MergeColumnCaptions() {
    static const char* const captions[] = {
        QT_TRANSLATE_NOOP("MergeList", "File Name"),   QT_TRANSLATE_NOOP("MergeList", "Time"),
        QT_TRANSLATE_NOOP("MergeList", "Title"),       QT_TRANSLATE_NOOP("MergeList", "Artist"),
        QT_TRANSLATE_NOOP("MergeList", "Album"),       QT_TRANSLATE_NOOP("MergeList", "Track#"),
        QT_TRANSLATE_NOOP("MergeList", "Sample Rate"), QT_TRANSLATE_NOOP("MergeList", "Bit Rate"),
        QT_TRANSLATE_NOOP("MergeList", "Channel"),     QT_TRANSLATE_NOOP("MergeList", "Genre"),
        QT_TRANSLATE_NOOP("MergeList", "Year"),        QT_TRANSLATE_NOOP("MergeList", "Comment"),
        QT_TRANSLATE_NOOP("MergeList", "File Size"),   QT_TRANSLATE_NOOP("MergeList", "File Path")};
    QStringList texts;
    for (const char* c : captions) texts << QCoreApplication::translate("MergeList", c);
    return texts;
}

namespace {

int ExpectedTag(FormatCode code) {
    switch (code) {
        case fcOggVorbis:
            return 26447;
        case fcMp3:
            return 85;
        case fcWma:
            return 111;
        default:
            return 1;
    }
}

bool IsWmaPath(const QString& path) { return path.endsWith(QStringLiteral(".wma"), Qt::CaseInsensitive); }

}  // namespace

bool IsValidAudioFile(MediaInspector& media, const QString& path) {
    const FormatCode code = FormatFromFileName(path);
    int tag = -1;
    try {
        if (code == fcOggVorbis || code == fcMp3 || code == fcWav)
            tag = media.SourceFormatTag(path);
        else if (code == fcWma)
            tag = media.ReadWma(path).formatTag;
    } catch (...) {
        try {
            media.CloseSource();
        } catch (...) {
        }
        return false;
    }
    // An unknown extension never passes, whatever tag it reports.
    return code != fcUnknown && tag == ExpectedTag(code);
}

QString SizeText(std::int64_t bytes, bool wma) {
    const double unit = wma ? 1000.0 * 1000.0 : 1024.0 * 1024.0;
    return QString::number(double(bytes) / unit, 'f', 2) + QStringLiteral(" MB");
}

QStringList FillRow(MediaInspector& media, const QString& path) {
    QStringList cells;
    for (int c = 0; c < mcColumnCount; ++c)
        cells << QString();
    cells[mcFileName] = QFileInfo(path).fileName();
    cells[mcFilePath] = path;
    media.OpenSource(path);
    MediaFacts f;
    const bool wma = IsWmaPath(path);
    if (!wma) {
        if (!media.ReadTags(path, 1, f))
            return cells;
        if (path.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive) && f.artist.isEmpty() && f.title.isEmpty() &&
            f.album.isEmpty() && f.track == 0 && f.year == 0) {
            MediaFacts second;
            media.ReadTags(path, 2, second);
            f = second;
        }
    } else {
        f = media.ReadWma(path);
    }
    cells[mcTime] = TimeText(f.duration);
    cells[mcTitle] = f.title;
    cells[mcArtist] = f.artist;
    cells[mcAlbum] = f.album;
    cells[mcTrack] = QString::number(f.track);
    cells[mcSampleRate] = QString::number(f.sampleRate);
    cells[mcBitRate] = QString::number(f.bitrate);
    cells[mcChannel] = f.channels == 1 ? QStringLiteral("Mono") : f.channels == 2 ? QStringLiteral("Stereo") : QString();
    cells[mcGenre] = f.genre;
    cells[mcYear] = QString::number(f.year);
    cells[mcComment] = f.comment;
    cells[mcFileSize] = SizeText(f.size, wma);
    return cells;
}

QStringList MergeList::Paths() const {
    QStringList paths;
    for (const QStringList& row : rows_)
        paths << row[mcFilePath];
    return paths;
}

int MergeList::AppendEmpty() {
    QStringList cells;
    for (int c = 0; c < mcColumnCount; ++c)
        cells << QString();
    rows_.push_back(cells);
    return Count() - 1;
}

void MergeList::SetRow(int r, QStringList cells) {
    while (cells.size() < mcColumnCount)
        cells << QString();
    rows_[size_t(r)] = std::move(cells);
}

void MergeList::DeleteSelected() {
    if (selected_ < 0)
        return;
    rows_.erase(rows_.begin() + selected_);
    selected_ = -1;
}

void MergeList::DeleteUnselected() {
    if (selected_ < 0) {
        rows_.clear();
        return;
    }
    QStringList keep = rows_[size_t(selected_)];
    rows_.assign(1, keep);
    selected_ = 0;
}

void MergeList::DeleteAll() {
    rows_.clear();
    selected_ = -1;
}

bool MergeList::Move(int to, bool playing, int& playIndex) {
    std::swap(rows_[size_t(selected_)], rows_[size_t(to)]);
    if (playing)
        playIndex = to;
    selected_ = to;
    return true;
}

bool MergeList::MoveUp(bool playing, int& playIndex) {
    return CanMoveUp() && Move(selected_ - 1, playing, playIndex);
}

bool MergeList::MoveDown(bool playing, int& playIndex) {
    return CanMoveDown() && Move(selected_ + 1, playing, playIndex);
}

QString MergeList::Totals(MediaInspector& media, const QString& keep) const {
    if (rows_.empty())
        return QString();
    std::int64_t ms = 0;
    std::int64_t bytes = 0;
    for (const QStringList& row : rows_) {
        const QString& path = row[mcFilePath];
        if (!QFileInfo::exists(path))
            continue;
        const MediaFacts f = IsWmaPath(path) ? media.ReadWma(path) : media.ReadTagsAgain(path);
        ms += f.duration;
        bytes += f.size;
    }
    if (ms == 0)
        return keep;
    return TimeText(ms) + QStringLiteral("/") + QString::number(double(bytes) / 1024.0 / 1024.0, 'f', 2) +
           QStringLiteral(" MB");
}

}  // namespace workflow
