// The cut page's segment list: one row per output file to cut, with its span of the
// source, output format, output name and tags. A Qt Core table model, so the grid on the
// cut page, the command-line front end and the tests share it.
#pragma once

#include <QAbstractTableModel>
#include <QSet>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "FormatCode.h"

namespace workflow {

inline constexpr const char* kFormatMp3Text = "MP3 (MPEG 1/2 Layer 3)";
const QStringList& OutputFormatTexts();  // the four texts of the Output Format column

// The code of a row's Output Format text, compared without regard to letter case.
FormatCode FormatCodeFromText(const QString& text);

struct SourceTags {
    QString title, artist, album, genre, year;
};

enum SegmentColumn {
    colCheck = 0,
    colStart,
    colEnd,
    colLength,
    colFormat,
    colName,
    colTitle,
    colArtist,
    colAlbum,
    colGenre,
    colYear,
    kSegmentColumns
};

class SegmentList : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Row {
        bool checked = true;
        QString cells[kSegmentColumns];
        bool operator==(const Row& o) const;
    };
    // The rows with the used numbers that default names come from: what undo puts back
    // and what is kept from one run to the next. The marks are not part of it.
    struct State {
        std::vector<Row> rows;
        QStringList used;
        bool operator==(const State& o) const { return rows == o.rows && used == o.used; }
    };

    explicit SegmentList(QObject* parent = nullptr);

    State SaveState() const;
    void RestoreState(const State& state);

    // A new source: empties the rows and the used numbers; marks 0 and the duration.
    void LoadSource(const QString& sourcePath, std::int64_t durationMs, const SourceTags& tags);

    std::int64_t StartMark() const { return startMark_; }
    std::int64_t EndMark() const { return endMark_; }
    void SetStartMark(std::int64_t ms) { startMark_ = ms; }
    void SetEndMark(std::int64_t ms) { endMark_ = ms; }

    // Appends a row from the marks; false (nothing added) unless start < end.
    bool Add();
    // Appends a row for start..end and fills it as a new row; returns its index.
    int AppendRow(std::int64_t start, std::int64_t end);
    void DeleteRow(int row);
    void DeleteAll();  // rows, used numbers and both marks

    // Row contents as the grid shows them.
    QString Text(int row, int column) const;
    void SetText(int row, int column, const QString& text);
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    // Milliseconds of column 1 (Start), 2 (End) or 3 (Length), by the time-text rule.
    std::int64_t ReadTime(int column, int row) const;
    FormatCode ReadFormat(int row) const;

    const QStringList& UsedNumbers() const { return used_; }
    QString BaseName() const { return baseName_; }

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString NextDefaultName();

    std::vector<Row> rows_;
    QStringList used_;
    // The same numbers for lookup; every number below nextFree_ is given out.
    QSet<QString> usedSet_;
    int nextFree_ = 1;
    QString baseName_;
    SourceTags tags_;
    std::int64_t startMark_ = 0;
    std::int64_t endMark_ = 0;
};

// Equal pieces of a span: by count (n pieces of total div n, the last ending at the
// span's end) or by piece length (total div length pieces, one more for a remainder).
// No piece is empty (a span shorter than the count gives 1 ms pieces); a length of 0 gives none.
struct Piece {
    std::int64_t start, end;
};
std::vector<Piece> PiecesByCount(std::int64_t spanStart, std::int64_t spanEnd, int count);
std::vector<Piece> PiecesByLength(std::int64_t spanStart, std::int64_t spanEnd, std::int64_t length);

// A state as JSON text and back; nullopt for text that is not one.
QByteArray StateToJson(const SegmentList::State& state);
std::optional<SegmentList::State> StateFromJson(const QByteArray& json);

}  // namespace workflow
