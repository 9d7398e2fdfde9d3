// The waveform window's canvas: a zoomable, scrollable view of the source from the whole
// file down to single samples. A click sets the position; a drag selects a span.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "waveDraw.h"

class TWaveView : public QWidget {
    Q_OBJECT
public:
    explicit TWaveView(QWidget* parent = nullptr);

    // The drawn facts; pointers stay the caller's.
    void SetDuration(std::int64_t ms);
    TWaveScene& Scene() { return scene_; }
    // Single frames of [fromMs, toMs) for fine zoom levels; null when there are none.
    std::function<const workflow::PeakData*(std::int64_t fromMs, std::int64_t toMs)> Detail;

    std::int64_t Duration() const { return duration_; }
    double FromMs() const { return from_; }
    double MsPerPixel() const { return msPerPx_; }
    // The finest zoom: a frame every 16 pixels (44.1 kHz unless the peaks say otherwise).
    double FinestMsPerPixel() const;
    double WidestMsPerPixel() const;

    // Zoom by `factor` (above 1 zooms in) keeping the time at column x in place.
    void Zoom(double factor, int x);
    void ZoomAll();
    // Shows from `ms` on, kept within the source.
    void ScrollTo(double ms);
    void ScrollBy(double pixels) { ScrollTo(from_ + pixels * msPerPx_); }
    double MsAt(int x) const { return from_ + x * msPerPx_; }

signals:
    void ViewChanged();                      // zoom or scroll
    void PositionClicked(qint64 ms);         // a click (no drag)
    void Selected(qint64 from, qint64 to);   // a drag; from < to

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::int64_t Clamp(double ms) const;

    TWaveScene scene_;
    std::int64_t duration_ = 0;
    double from_ = 0;
    double msPerPx_ = 1;
    int pressX_ = -1;
    bool dragging_ = false;
};
