// The cut page's track bar with the source's waveform in its groove: peaks under the
// handle and the mark lines, the rows' spans as bands, and a play cursor that moves while
// the source plays (the handle stays where the user put it).
#pragma once

#include <QSlider>
#include <cstdint>

#include "waveDraw.h"

class TWaveTrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TWaveTrackBar(QWidget* parent);

    // What is drawn; the pointers stay the caller's and may change under it (repaint with
    // update()).
    void SetScene(const workflow::PeakData* peaks, const workflow::SegmentList* segments);
    void SetCursor(std::int64_t ms);  // -1 hides it
    std::int64_t Cursor() const { return scene_.cursorMs; }

    // The drawing's column mapping: the marker lines' formula, so both agree.
    QRect WaveArea() const;
    double MsPerPixel() const;

signals:
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TWaveScene scene_;
};
