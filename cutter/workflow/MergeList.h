// The merge page's list of files to join, without widgets: the rows with their 14 texts,
// the validity test, the totals and the reordering. The page shows it in its grid.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace workflow {

// What the file components report of one file.
struct MediaFacts {
    int formatTag = -1;
    std::int64_t duration = 0;  // ms
    int sampleRate = 0;
    int bitrate = 0;
    int channels = 0;
    std::int64_t size = 0;  // bytes
    QString title, artist, album, genre, comment;
    int track = 0;
    int year = 0;
};

// The readers the list asks: the source reader, the tag editor and the WMA tag reader.
// Each may raise the component's error.
class MediaInspector {
public:
    virtual ~MediaInspector() = default;
    // Open in the source reader, take the format tag, close.
    virtual int SourceFormatTag(const QString& path) = 0;
    virtual void CloseSource() = 0;
    // Opens the file in the source reader and leaves it open (the row fill does so).
    virtual void OpenSource(const QString& path) = 0;
    // The tag editor's read with the given tag type; false when it refused the file.
    virtual bool ReadTags(const QString& path, int tagType, MediaFacts& facts) = 0;
    // Reads with the tag editor keeping its current tag type.
    virtual MediaFacts ReadTagsAgain(const QString& path) = 0;
    virtual MediaFacts ReadWma(const QString& path) = 0;
};

enum MergeColumn {
    mcFileName = 0, mcTime, mcTitle, mcArtist, mcAlbum, mcTrack, mcSampleRate, mcBitRate,
    mcChannel, mcGenre, mcYear, mcComment, mcFileSize, mcFilePath, mcColumnCount
};

// The list's column captions in the running program's language.
QStringList MergeColumnCaptions();

bool IsValidAudioFile(MediaInspector& media, const QString& path);
// "0.00 MB": megabytes of 1024 x 1024 bytes, or of 1000 x 1000 for a WMA row.
QString SizeText(std::int64_t bytes, bool wma);
// The 14 cells of a new row for `path`; an error of a component propagates.
QStringList FillRow(MediaInspector& media, const QString& path);

class MergeList {
public:
    int Count() const { return int(rows_.size()); }
    const QStringList& Row(int r) const { return rows_[size_t(r)]; }
    QString Path(int r) const { return rows_[size_t(r)][mcFilePath]; }
    QStringList Paths() const;

    // -1 for none; the list selects one row at most.
    int Selected() const { return selected_; }
    void Select(int r) { selected_ = (r >= 0 && r < Count()) ? r : -1; }

    // Appends an empty row and answers its index; the caller fills it.
    int AppendEmpty();
    void SetRow(int r, QStringList cells);

    void DeleteSelected();
    void DeleteUnselected();  // with no selection: every row
    void DeleteAll();

    bool CanMoveUp() const { return selected_ > 0; }
    bool CanMoveDown() const { return selected_ >= 0 && selected_ < Count() - 1; }
    // Moves the selected row; while playing, the play index follows to the moved row's place.
    bool MoveUp(bool playing, int& playIndex);
    bool MoveDown(bool playing, int& playIndex);

    // The totals text "time/size MB", or empty for an empty list. Rows whose file is gone
    // are skipped; `keep` is answered when the time sum is 0 (the label keeps its text).
    // Sums in 64 bits.
    QString Totals(MediaInspector& media, const QString& keep) const;

private:
    bool Move(int to, bool playing, int& playIndex);
    std::vector<QStringList> rows_;
    int selected_ = -1;
};

}  // namespace workflow
