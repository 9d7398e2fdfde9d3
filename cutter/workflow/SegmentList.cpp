#include "SegmentList.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "TimeText.h"

namespace workflow {

const QStringList& OutputFormatTexts() {
    static const QStringList texts{kFormatMp3Text, "Ogg Vorbis", "WAV", "WMA"};
    return texts;
}

FormatCode FormatCodeFromText(const QString& text) {
    if (text.compare(kFormatMp3Text, Qt::CaseInsensitive) == 0) return fcMp3;
    if (text.compare(u"Ogg Vorbis", Qt::CaseInsensitive) == 0) return fcOggVorbis;
    if (text.compare(u"WAV", Qt::CaseInsensitive) == 0) return fcWav;
    if (text.compare(u"WMA", Qt::CaseInsensitive) == 0) return fcWma;
    return fcUnknown;
}

SegmentList::SegmentList(QObject* parent) : QAbstractTableModel(parent) {}

bool SegmentList::Row::operator==(const Row& o) const {
    return checked == o.checked && std::equal(std::begin(cells), std::end(cells), std::begin(o.cells));
}

SegmentList::State SegmentList::SaveState() const { return {rows_, used_}; }

void SegmentList::RestoreState(const State& state) {
    beginResetModel();
    rows_ = state.rows;
    endResetModel();
    used_ = state.used;
    usedSet_ = QSet<QString>(used_.begin(), used_.end());
    // Numbers below the first free one are all given out; the search starts from it.
    nextFree_ = 1;
    while (usedSet_.contains(QString::number(nextFree_))) ++nextFree_;
}

void SegmentList::LoadSource(const QString& sourcePath, std::int64_t durationMs, const SourceTags& tags) {
    beginResetModel();
    rows_.clear();
    endResetModel();
    used_.clear();
    usedSet_.clear();
    nextFree_ = 1;
    tags_ = tags;
    startMark_ = 0;
    endMark_ = durationMs;
    // The first occurrence of the extension text and everything after it are cut off.
    const QFileInfo info(sourcePath);
    QString name = info.fileName();
    const QString suffix = info.suffix();
    if (!suffix.isEmpty()) {
        const qsizetype at = name.indexOf(u'.' + suffix);
        if (at >= 0) name.truncate(at);
    }
    baseName_ = name;
}

QString SegmentList::NextDefaultName() {
    int n = nextFree_;
    while (usedSet_.contains(QString::number(n))) ++n;
    used_.append(QString::number(n));
    usedSet_.insert(QString::number(n));
    nextFree_ = n + 1;
    return baseName_ + u'_' + QString::number(n);
}

bool SegmentList::Add() {
    if (startMark_ >= endMark_) return false;
    AppendRow(startMark_, endMark_);
    return true;
}

int SegmentList::AppendRow(std::int64_t start, std::int64_t end) {
    const int index = static_cast<int>(rows_.size());
    beginInsertRows({}, index, index);
    Row row;
    row.cells[colStart] = TimeText(start);
    row.cells[colEnd] = TimeText(end);
    row.cells[colLength] = TimeText(end - start);
    row.cells[colFormat] = kFormatMp3Text;
    row.cells[colName] = NextDefaultName();
    row.cells[colTitle] = tags_.title;
    row.cells[colArtist] = tags_.artist;
    row.cells[colAlbum] = tags_.album;
    row.cells[colGenre] = tags_.genre;
    row.cells[colYear] = tags_.year;
    rows_.push_back(std::move(row));
    endInsertRows();
    return index;
}

void SegmentList::DeleteRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    // Only names of the form "Undefined_<n>" give their number back.
    const QString& name = rows_[row].cells[colName];
    if (!name.isEmpty() && name.left(9) == u"Undefined") {
        const QString freed = name.mid(10);
        if (used_.removeAll(freed) > 0) {
            usedSet_.remove(freed);
            bool ok = false;
            const int n = freed.toInt(&ok);
            if (ok && n > 0 && n < nextFree_ && freed == QString::number(n)) nextFree_ = n;
        }
    }
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void SegmentList::DeleteAll() {
    beginResetModel();
    rows_.clear();
    endResetModel();
    used_.clear();
    usedSet_.clear();
    nextFree_ = 1;
    startMark_ = 0;
    endMark_ = 0;
}

QString SegmentList::Text(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kSegmentColumns) return {};
    return rows_[row].cells[column];
}

void SegmentList::SetText(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column <= colCheck || column >= kSegmentColumns) return;
    rows_[row].cells[column] = text;
    emit dataChanged(index(row, column), index(row, column));
}

bool SegmentList::Checked(int row) const { return row >= 0 && row < rowCount() && rows_[row].checked; }

void SegmentList::SetChecked(int row, bool checked) {
    if (row < 0 || row >= rowCount()) return;
    rows_[row].checked = checked;
    emit dataChanged(index(row, colCheck), index(row, colCheck));
}

std::int64_t SegmentList::ReadTime(int column, int row) const { return ReadTimeText(Text(row, column)); }

FormatCode SegmentList::ReadFormat(int row) const { return FormatCodeFromText(Text(row, colFormat)); }

int SegmentList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SegmentList::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kSegmentColumns; }

QVariant SegmentList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& row = rows_[index.row()];
    if (index.column() == colCheck) {
        if (role == Qt::CheckStateRole) return row.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) return row.cells[index.column()];
    return {};
}

bool SegmentList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.row() >= rowCount()) return false;
    if (index.column() == colCheck && role == Qt::CheckStateRole) {
        SetChecked(index.row(), value.toInt() == Qt::Checked);
        return true;
    }
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    SetText(index.row(), index.column(), value.toString());
    return true;
}

Qt::ItemFlags SegmentList::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == colCheck) f |= Qt::ItemIsUserCheckable;
    if (index.column() >= colFormat) f |= Qt::ItemIsEditable;
    return f;
}

QVariant SegmentList::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const headers[kSegmentColumns] = {"",
                                                         QT_TR_NOOP("Start"),
                                                         QT_TR_NOOP("End"),
                                                         QT_TR_NOOP("Length"),
                                                         QT_TR_NOOP("Output Format"),
                                                         QT_TR_NOOP("Output Name"),
                                                         QT_TR_NOOP("Title"),
                                                         QT_TR_NOOP("Artist"),
                                                         QT_TR_NOOP("Album"),
                                                         QT_TR_NOOP("Genre"),
                                                         QT_TR_NOOP("Year")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kSegmentColumns)
        return tr(headers[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

std::vector<Piece> PiecesByCount(std::int64_t spanStart, std::int64_t spanEnd, int count) {
    std::vector<Piece> pieces;
    const std::int64_t total = spanEnd - spanStart;
    if (count <= 0 || total <= 0) return pieces;
    // A span shorter than the count in ms would give pieces of no length: one ms each instead.
    if (total < count) count = static_cast<int>(total);
    const std::int64_t length = total / count;
    for (int i = 1; i <= count; ++i)
        pieces.push_back({spanStart + (i - 1) * length, i == count ? spanEnd : spanStart + i * length});
    return pieces;
}

std::vector<Piece> PiecesByLength(std::int64_t spanStart, std::int64_t spanEnd, std::int64_t length) {
    std::vector<Piece> pieces;
    const std::int64_t total = spanEnd - spanStart;
    if (length <= 0 || total <= 0) return pieces;
    const std::int64_t count = total / length + (total % length ? 1 : 0);
    for (std::int64_t i = 1; i <= count; ++i)
        pieces.push_back({spanStart + (i - 1) * length, i == count ? spanEnd : spanStart + i * length});
    return pieces;
}

QByteArray StateToJson(const SegmentList::State& state) {
    QJsonArray rows;
    for (const SegmentList::Row& r : state.rows) {
        QJsonArray row{r.checked};
        for (int c = colStart; c < kSegmentColumns; ++c) row.append(r.cells[c]);
        rows.append(row);
    }
    return QJsonDocument(QJsonObject{{"rows", rows}, {"used", QJsonArray::fromStringList(state.used)}})
        .toJson(QJsonDocument::Compact);
}

std::optional<SegmentList::State> StateFromJson(const QByteArray& json) {
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject() || !doc["rows"].isArray()) return std::nullopt;
    SegmentList::State state;
    for (const QJsonValue& v : doc["rows"].toArray()) {
        const QJsonArray row = v.toArray();
        if (row.size() != kSegmentColumns || !row[0].isBool()) return std::nullopt;
        SegmentList::Row r;
        r.checked = row[0].toBool();
        for (int c = colStart; c < kSegmentColumns; ++c) r.cells[c] = row[c].toString();
        state.rows.push_back(std::move(r));
    }
    for (const QJsonValue& v : doc["used"].toArray()) state.used << v.toString();
    return state;
}

}  // namespace workflow
