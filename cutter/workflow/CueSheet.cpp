#include "CueSheet.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace workflow {

namespace {

// Our REM lines: the exact span of a track and an output name that is not its title.
const QString kSpanRem = QStringLiteral("SPAN_MS");
const QString kNameRem = QStringLiteral("NAME");

// Commands that carry nothing a row needs.
const QStringList kIgnored = {"CATALOG", "CDTEXTFILE", "SONGWRITER", "ISRC",      "FLAGS",     "PREGAP",
                              "POSTGAP", "ARRANGER",   "COMPOSER",   "MESSAGE",   "UPC_EAN",   "DISC_ID",
                              "TOC_INFO1", "TOC_INFO2", "SIZE_INFO", "GENRE"};

// A line's words; a quoted word keeps its blanks. False for an unterminated quote.
bool SplitWords(const QString& line, QStringList& words) {
    words.clear();
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && line[i].isSpace()) ++i;
        if (i >= n) break;
        if (line[i] == u'"') {
            const qsizetype close = line.indexOf(u'"', i + 1);
            if (close < 0) return false;
            words << line.mid(i + 1, close - i - 1);
            i = close + 1;
        } else {
            qsizetype j = i;
            while (j < n && !line[j].isSpace()) ++j;
            words << line.mid(i, j - i);
            i = j;
        }
    }
    return true;
}

std::int64_t ParseCueTime(const QString& text) {
    static const QRegularExpression re(QStringLiteral(R"(^(\d{1,4}):(\d{1,2}):(\d{1,2})$)"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return -1;
    const std::int64_t min = m.captured(1).toLongLong(), sec = m.captured(2).toLongLong(),
                       frame = m.captured(3).toLongLong();
    if (sec >= 60 || frame >= 75) return -1;
    return (min * 60 + sec) * 75 + frame;
}

QString Quoted(QString text) {
    // A cue sheet has no escape for the quote itself.
    text.replace(u'"', u'\'');
    return u'"' + text + u'"';
}

// The one value all entries share in a field, or a null string when they differ.
QString Common(const std::vector<SegmentEntry>& entries, QString SegmentEntry::*field) {
    if (entries.empty()) return {};
    const QString& first = entries.front().*field;
    for (const SegmentEntry& e : entries)
        if (e.*field != first) return {};
    return first.isEmpty() ? QString() : first;
}

}  // namespace

std::int64_t CueFramesToMs(std::int64_t frames) { return (frames * 40 + 1) / 3; }  // 13.33 ms a frame, rounded
std::int64_t MsToCueFrames(std::int64_t ms) { return (ms * 3 + 20) / 40; }

QString CueTimeText(std::int64_t frames) {
    return QStringLiteral("%1:%2:%3")
        .arg(frames / 75 / 60, 2, 10, QLatin1Char('0'))
        .arg(frames / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % 75, 2, 10, QLatin1Char('0'));
}

CueSheet ParseCueSheet(const QByteArray& bytes) {
    CueSheet sheet;
    const QStringList lines = DecodeSheetText(bytes).split(u'\n');
    CueTrack* track = nullptr;
    const auto finishTrack = [&] {
        if (track && track->index1 < 0) throw SegmentFileError(track->line, QStringLiteral("TRACK %1 has no INDEX 01.").arg(track->number, 2, 10, QLatin1Char('0')));
    };
    QStringList w;
    int lastLine = 1;
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        QString line = lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.trimmed().isEmpty()) continue;
        lastLine = lineNo;
        if (!SplitWords(line, w)) throw SegmentFileError(lineNo, QStringLiteral("a quoted text is not closed."));
        const QString cmd = w[0].toUpper();
        const auto need = [&](int count) {
            if (w.size() < count + 1)
                throw SegmentFileError(lineNo, QStringLiteral("%1 needs %2 value(s).").arg(cmd).arg(count));
        };
        if (cmd == u"FILE") {
            need(1);
            sheet.files << w[1];
        } else if (cmd == u"TRACK") {
            need(2);
            finishTrack();
            if (sheet.files.isEmpty()) throw SegmentFileError(lineNo, QStringLiteral("TRACK before any FILE."));
            bool ok = false;
            const int number = w[1].toInt(&ok);
            if (!ok || number < 1 || number > 99)
                throw SegmentFileError(lineNo, QStringLiteral("\"%1\" is not a track number from 1 to 99.").arg(w[1]));
            if (!sheet.tracks.empty() && number <= sheet.tracks.back().number)
                throw SegmentFileError(lineNo, QStringLiteral("track %1 does not follow track %2.").arg(number).arg(sheet.tracks.back().number));
            sheet.tracks.push_back({});
            track = &sheet.tracks.back();
            track->number = number;
            track->file = static_cast<int>(sheet.files.size()) - 1;
            track->line = lineNo;
        } else if (cmd == u"INDEX") {
            need(2);
            if (!track) throw SegmentFileError(lineNo, QStringLiteral("INDEX before any TRACK."));
            bool ok = false;
            const int index = w[1].toInt(&ok);
            const std::int64_t frames = ParseCueTime(w[2]);
            if (!ok || index < 0 || index > 99) throw SegmentFileError(lineNo, QStringLiteral("\"%1\" is not an index number.").arg(w[1]));
            if (frames < 0) throw SegmentFileError(lineNo, QStringLiteral("\"%1\" is not a time mm:ss:ff.").arg(w[2]));
            if (index == 0) track->pregap = frames;
            if (index == 1) {
                if (track->pregap > frames) throw SegmentFileError(lineNo, QStringLiteral("INDEX 01 lies before INDEX 00."));
                for (auto t = sheet.tracks.rbegin() + 1; t != sheet.tracks.rend(); ++t)
                    if (t->file == track->file) {
                        if (t->index1 >= frames || (track->pregap >= 0 && track->pregap <= t->index1))
                            throw SegmentFileError(lineNo, QStringLiteral("the time goes back before track %1.").arg(t->number));
                        break;
                    }
                track->index1 = frames;
            }
        } else if (cmd == u"TITLE" || cmd == u"PERFORMER") {
            need(1);
            QString& target = cmd == u"TITLE" ? (track ? track->title : sheet.title) : (track ? track->performer : sheet.performer);
            target = w.mid(1).join(u' ');
        } else if (cmd == u"REM") {
            if (w.size() < 2) continue;
            const QString key = w[1].toUpper();
            const QString value = w.mid(2).join(u' ');
            if (key == u"DATE") (track ? track->date : sheet.date) = value;
            else if (key == u"GENRE") (track ? track->genre : sheet.genre) = value;
            else if (key == kNameRem && track) track->name = value;
            else if (key == kSpanRem && track && w.size() >= 4) {
                bool a = false, b = false;
                const qlonglong s = w[2].toLongLong(&a), e = w[3].toLongLong(&b);
                if (!a || !b || s < 0 || e <= s) throw SegmentFileError(lineNo, QStringLiteral("REM %1 needs a start and a later end in ms.").arg(kSpanRem));
                track->exactStart = s;
                track->exactEnd = e;
            }
        } else if (!kIgnored.contains(cmd)) {
            throw SegmentFileError(lineNo, QStringLiteral("\"%1\" is not a cue sheet command.").arg(w[0]));
        }
    }
    finishTrack();
    if (sheet.tracks.empty()) throw SegmentFileError(lastLine, QStringLiteral("the sheet has no TRACK."));
    return sheet;
}

int CueFileFor(const CueSheet& sheet, const QString& sourcePath) {
    if (sheet.files.size() == 1) return 0;
    const QFileInfo source(sourcePath);
    // The sheet may have been written on another system: its separators are either kind.
    const auto nameOf = [](QString f) { return f.replace(u'\\', u'/').section(u'/', -1); };
    for (int i = 0; i < sheet.files.size(); ++i)
        if (nameOf(sheet.files[i]).compare(source.fileName(), Qt::CaseInsensitive) == 0) return i;
    for (int i = 0; i < sheet.files.size(); ++i)
        if (QFileInfo(nameOf(sheet.files[i])).completeBaseName().compare(source.completeBaseName(), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

std::vector<SegmentEntry> CueEntries(const CueSheet& sheet, int file, std::int64_t durationMs) {
    std::vector<const CueTrack*> tracks;
    for (const CueTrack& t : sheet.tracks)
        if (t.file == file) tracks.push_back(&t);
    std::vector<SegmentEntry> out;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const CueTrack& t = *tracks[i];
        SegmentEntry e;
        e.start = CueFramesToMs(t.index1);
        if (i + 1 < tracks.size()) {
            const CueTrack& next = *tracks[i + 1];
            e.end = CueFramesToMs(next.pregap >= 0 ? next.pregap : next.index1);
        } else {
            e.end = durationMs;
        }
        // Our own span is taken only while it still agrees with the INDEX line.
        if (t.exactStart >= 0 && std::abs(MsToCueFrames(t.exactStart) - t.index1) <= 1) {
            e.start = t.exactStart;
            e.end = std::min(t.exactEnd, durationMs);
        }
        if (e.start >= durationMs)
            throw SegmentFileError(t.line, QStringLiteral("TRACK %1 starts at %2, past the end of the source.")
                                               .arg(t.number, 2, 10, QLatin1Char('0'))
                                               .arg(CueTimeText(t.index1)));
        e.end = std::min(e.end, durationMs);
        if (e.end <= e.start)
            throw SegmentFileError(t.line, QStringLiteral("TRACK %1 has no length.").arg(t.number, 2, 10, QLatin1Char('0')));
        e.title = t.title;
        e.name = !t.name.isEmpty() ? t.name : t.title;
        e.artist = t.performer.isEmpty() ? sheet.performer : t.performer;
        e.album = sheet.title;
        e.genre = t.genre.isEmpty() ? sheet.genre : t.genre;
        e.year = t.date.isEmpty() ? sheet.date : t.date;
        out.push_back(std::move(e));
    }
    return out;
}

QByteArray WriteCueSheet(std::vector<SegmentEntry> entries, const QString& audioFileName) {
    if (entries.size() > 99) throw SegmentFileError(0, QStringLiteral("a cue sheet holds at most 99 tracks."));
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
    QString s;
    const auto line = [&s](const QString& text) { s += text + QStringLiteral("\r\n"); };
    const QString genre = Common(entries, &SegmentEntry::genre), date = Common(entries, &SegmentEntry::year),
                  performer = Common(entries, &SegmentEntry::artist), album = Common(entries, &SegmentEntry::album);
    if (!genre.isNull()) line(QStringLiteral("REM GENRE ") + Quoted(genre));
    if (!date.isNull()) line(QStringLiteral("REM DATE ") + Quoted(date));
    if (!performer.isNull()) line(QStringLiteral("PERFORMER ") + Quoted(performer));
    if (!album.isNull()) line(QStringLiteral("TITLE ") + Quoted(album));
    const QString type = FormatFromFileName(audioFileName) == fcMp3 ? QStringLiteral("MP3") : QStringLiteral("WAVE");
    line(QStringLiteral("FILE ") + Quoted(audioFileName) + u' ' + type);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const SegmentEntry& e = entries[i];
        line(QStringLiteral("  TRACK %1 AUDIO").arg(i + 1, 2, 10, QLatin1Char('0')));
        if (!e.title.isEmpty()) line(QStringLiteral("    TITLE ") + Quoted(e.title));
        if (performer.isNull() && !e.artist.isEmpty()) line(QStringLiteral("    PERFORMER ") + Quoted(e.artist));
        if (genre.isNull() && !e.genre.isEmpty()) line(QStringLiteral("    REM GENRE ") + Quoted(e.genre));
        if (date.isNull() && !e.year.isEmpty()) line(QStringLiteral("    REM DATE ") + Quoted(e.year));
        if (!e.name.isEmpty() && e.name != e.title) line(QStringLiteral("    REM %1 ").arg(kNameRem) + Quoted(e.name));
        const std::int64_t startFrames = MsToCueFrames(e.start);
        const bool nextFollows = i + 1 < entries.size() && entries[i + 1].start == e.end;
        if (CueFramesToMs(startFrames) != e.start || !nextFollows)
            line(QStringLiteral("    REM %1 %2 %3").arg(kSpanRem).arg(e.start).arg(e.end));
        // A gap after the previous row is that track's pregap.
        if (i > 0 && entries[i - 1].end < e.start && MsToCueFrames(entries[i - 1].end) < startFrames)
            line(QStringLiteral("    INDEX 00 ") +
                 CueTimeText(std::min(startFrames, std::max(MsToCueFrames(entries[i - 1].end), MsToCueFrames(entries[i - 1].start) + 1))));
        line(QStringLiteral("    INDEX 01 ") + CueTimeText(startFrames));
    }
    QByteArray out = s.toUtf8();
    const bool ascii = std::all_of(out.begin(), out.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) out.prepend("\xEF\xBB\xBF");
    return out;
}

}  // namespace workflow
