#include "GridLayout.h"

#include <QFile>
#include <QHash>
#include <QTextStream>

#include "file/SafeSave.h"

// Read and written here rather than through QSettings: QSettings writes the space of a
// section name as "%20" ("[Columns%20Sizes]"), which readers of the file's own form do not
// find, and keeps a read file by its size and time, so a rewrite within the same
// millisecond to the same size is not seen.
namespace {

const QString kSizes = QStringLiteral("Columns Sizes");
const QString kPositions = QStringLiteral("Positions");
const QString kSorted = QStringLiteral("Sorted");
const QString kVisible = QStringLiteral("Visible Columns");
const QString kSortKind = QStringLiteral("Columns Sort Kind");
const QString kCommon = QStringLiteral("Common");

using TIni = QHash<QString, QHash<QString, QString>>;  // section -> key -> value (lower-case names)

TIni ParseIni(const QString& text) {
    TIni ini;
    QString section;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        ini[section][line.left(eq).trimmed().toLower()] = line.mid(eq + 1).trimmed();
    }
    return ini;
}

std::optional<int> IntEntry(const TIni& ini, const QString& section, const QString& key) {
    const auto s = ini.find(section.toLower());
    if (s == ini.end())
        return std::nullopt;
    const auto v = s->find(key.toLower());
    if (v == s->end())
        return std::nullopt;
    bool ok = false;
    const int n = v->toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

QString Key(int column) { return QStringLiteral("Column%1").arg(column); }

}  // namespace

std::optional<TGridLayout> ReadGridLayout(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const TIni ini = ParseIni(QString::fromUtf8(f.read(1 << 20)));

    int count = IntEntry(ini, kCommon, QStringLiteral("ColumnsCount")).value_or(-1);
    if (count < 0) {
        // No count: take as many columns as the widths name.
        count = 0;
        while (count < kMaxGridColumns && IntEntry(ini, kSizes, Key(count)))
            ++count;
    }
    if (count <= 0)
        return std::nullopt;
    count = std::min(count, kMaxGridColumns);

    TGridLayout layout;
    layout.columns.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        TGridColumn& c = layout.columns[size_t(i)];
        c.position = i;
        if (auto w = IntEntry(ini, kSizes, Key(i)); w && *w >= 0)
            c.width = *w;
        if (auto p = IntEntry(ini, kPositions, Key(i)); p && *p >= 0 && *p < count)
            c.position = *p;
        if (auto s = IntEntry(ini, kSorted, Key(i)))
            c.sorted = *s != 0;
        if (auto v = IntEntry(ini, kVisible, Key(i)))
            c.visible = *v != 0;
        const auto kind = ini.value(kSortKind.toLower()).value(Key(i).toLower());
        c.descending = kind.compare(u"Descending", Qt::CaseInsensitive) == 0;
    }
    return layout;
}

bool WriteGridLayout(const QString& file, const TGridLayout& layout) {
    QString text;
    QTextStream out(&text);
    const auto section = [&](const QString& name, auto value) {
        out << '[' << name << "]\n";
        for (size_t i = 0; i < layout.columns.size(); ++i)
            out << Key(int(i)) << '=' << value(layout.columns[i]) << '\n';
        out << '\n';
    };
    section(kSizes, [](const TGridColumn& c) { return QString::number(c.width); });
    section(kPositions, [](const TGridColumn& c) { return QString::number(c.position); });
    section(kSorted, [](const TGridColumn& c) { return QString::number(c.sorted ? 1 : 0); });
    section(kVisible, [](const TGridColumn& c) { return QString::number(c.visible ? 1 : 0); });
    section(kSortKind, [](const TGridColumn& c) {
        return c.descending ? QStringLiteral("Descending") : QStringLiteral("Ascending");
    });
    out << '[' << kCommon << "]\nColumnsCount=" << layout.columns.size() << '\n';
    out.flush();
    const QByteArray bytes = text.toUtf8();
    platform::file::SafeSave save(QFile::encodeName(file).toStdString());
    QFile f(QFile::decodeName(QByteArray::fromStdString(save.TempPath())));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = f.write(bytes) == bytes.size() && f.flush();
    f.close();
    return written && f.error() == QFileDevice::NoError && save.Commit() == 0;
}
