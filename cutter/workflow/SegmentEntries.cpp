#include "SegmentEntries.h"

#include <QFile>
#include <QStringDecoder>

#include "OutputFile.h"
#include "text/codepage.h"

namespace workflow {

std::vector<SegmentEntry> EntriesOf(const SegmentList& list) {
    std::vector<SegmentEntry> out;
    out.reserve(static_cast<std::size_t>(list.rowCount()));
    for (int r = 0; r < list.rowCount(); ++r) {
        SegmentEntry e;
        e.start = list.ReadTime(colStart, r);
        e.end = list.ReadTime(colEnd, r);
        e.name = list.Text(r, colName);
        e.title = list.Text(r, colTitle);
        e.artist = list.Text(r, colArtist);
        e.album = list.Text(r, colAlbum);
        e.genre = list.Text(r, colGenre);
        e.year = list.Text(r, colYear);
        out.push_back(std::move(e));
    }
    return out;
}

int AppendEntries(SegmentList& list, const std::vector<SegmentEntry>& entries) {
    const int first = list.rowCount();
    for (const SegmentEntry& e : entries) {
        const int row = list.AppendRow(e.start, e.end);
        if (!e.name.isEmpty()) list.SetText(row, colName, e.name);
        const std::pair<int, const QString*> tags[] = {
            {colTitle, &e.title}, {colArtist, &e.artist}, {colAlbum, &e.album}, {colGenre, &e.genre}, {colYear, &e.year}};
        for (const auto& [column, text] : tags)
            if (!text->isEmpty()) list.SetText(row, column, *text);
    }
    return first;
}

QString DecodeSheetText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decode(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return decode(bytes.mid(2));
    }
    const std::u16string text = platform::text::FromAnsi(std::string_view(bytes.constData(), bytes.size()));
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QByteArray ReadWholeFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Cannot read %1: %2").arg(path, f.errorString()).toStdString());
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw std::runtime_error(QStringLiteral("Cannot read %1: %2").arg(path, f.errorString()).toStdString());
    return bytes;
}

void SaveFileAtomically(const QString& path, const QByteArray& bytes) {
    // Through the jobs' OutputFile: its temporary name is one the next save recognises and
    // clears when a killed run left it.
    OutputFile out(path);
    QFile f(out.TempPath());
    const bool written = f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
    f.close();
    if (!written || f.error() != QFileDevice::NoError) {
        out.Discard();
        throw std::runtime_error(
            QStringLiteral("Cannot write %1: %2").arg(path, OutputErrorText(out, f.errorString())).toStdString());
    }
    out.Commit();
}

}  // namespace workflow
