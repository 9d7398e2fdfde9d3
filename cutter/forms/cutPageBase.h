// What the cut page's parts (playback, waveform, segment tools, bindings) see of the page:
// its source box, track bar and marker lines, the grid, the rows, the playback, the readers
// and the steps they call. The page implements it; the parts include this header, never the
// page's own, so includes point one way.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "workflow/AudioIo.h"
#include "workflow/SegmentList.h"

class QFrame;
class QLineEdit;
class QSlider;
class QTableView;
class TCutBindings;
class TCutPlayback;
struct TCutBindingsDeleter {
    void operator()(TCutBindings* b) const;
};

// The stream facts of a source as its reader's AudioInfo gives them.
struct TSourceInfo {
    std::int64_t duration = 0;  // ms
    int bitrate = 0;
    int channels = 0;
    int sampleRate = 0;
    std::int64_t size = 0;  // bytes
};

// What the page reads sources and cuts with. readInfo opens the source in the reader of
// its format, takes the facts and closes it; readTags reads the row defaults. Errors are
// raised with the component's text. Missing functions or components: nothing is read.
struct TCutServices {
    std::function<TSourceInfo(const QString& path, workflow::FormatCode code)> readInfo;
    std::function<workflow::SourceTags(const QString& path, workflow::FormatCode code)> readTags;
    workflow::JobComponents job;
};

class TCutPageBase : public QWidget {
    Q_OBJECT
public:
    explicit TCutPageBase(QWidget* parent = nullptr);
    ~TCutPageBase() override;

    const TCutServices& Services() const { return services_; }
    // Asked before a chosen source replaces the current one; false keeps the page as it is.
    std::function<bool()> ConfirmNewSource;

    // Chooses a source: resets the page, reads the file's information, duration and tags,
    // stops a playing source and sets the position limits. False when it was not loaded.
    virtual bool LoadSource(const QString& path) = 0;
    virtual void DeleteAll() = 0;
    virtual int SelectedRow() const = 0;

    QLineEdit* edtSourceFile = nullptr;
    QSlider* TrackBar = nullptr;
    QFrame* LineStart = nullptr;
    QFrame* LineEnd = nullptr;
    QTableView* gridSplit = nullptr;
    TCutPlayback* Playback = nullptr;
    workflow::SegmentList Segments;
    QString DurationText;  // empty while no source is loaded

signals:
    // A source was chosen (loaded or not): the page has been reset for it.
    void SourceChanged();
    // A source was read and its list starts empty.
    void SourceLoaded();

protected:
    TCutServices services_;
};
