#include "LabelFile.h"

#include <QLocale>
#include <QStringList>
#include <cmath>

namespace workflow {

namespace {

bool Seconds(const QString& text, std::int64_t& ms) {
    bool ok = false;
    // Some locales write a decimal comma; the file's own numbers never group digits.
    QString t = text.trimmed();
    t.replace(u',', u'.');
    const double s = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(s) || s < 0 || s > 1e9) return false;
    ms = std::llround(s * 1000.0);
    return true;
}

}  // namespace

std::vector<SegmentEntry> ParseLabelFile(const QByteArray& bytes, std::int64_t durationMs) {
    std::vector<SegmentEntry> out;
    std::vector<bool> point;
    std::vector<int> lineOf;
    const QStringList lines = DecodeSheetText(bytes).split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'\\')) continue;
        const QStringList f = line.split(u'\t');
        SegmentEntry e;
        if (f.size() < 2 || !Seconds(f[0], e.start) || !Seconds(f[1], e.end))
            throw SegmentFileError(i + 1, QStringLiteral("not \"start<TAB>end<TAB>label\" in seconds."));
        if (e.end < e.start) throw SegmentFileError(i + 1, QStringLiteral("the label ends before it starts."));
        if (e.start >= durationMs) throw SegmentFileError(i + 1, QStringLiteral("the label starts past the end of the source."));
        e.name = f.mid(2).join(u'\t');
        point.push_back(e.end == e.start);
        lineOf.push_back(i + 1);
        out.push_back(std::move(e));
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (point[i]) out[i].end = i + 1 < out.size() ? out[i + 1].start : durationMs;
        out[i].end = std::min(out[i].end, durationMs);
        if (out[i].end <= out[i].start) throw SegmentFileError(lineOf[i], QStringLiteral("the label has no length."));
    }
    return out;
}

QByteArray WriteLabelFile(const std::vector<SegmentEntry>& entries) {
    QByteArray out;
    const auto seconds = [](std::int64_t ms) { return QByteArray::number(static_cast<double>(ms) / 1000.0, 'f', 6); };
    for (const SegmentEntry& e : entries) {
        QString name = e.name;
        name.replace(u'\n', u' ').replace(u'\r', u' ');
        out += seconds(e.start) + '\t' + seconds(e.end) + '\t' + name.toUtf8() + '\n';
    }
    return out;
}

}  // namespace workflow
