#include "waveTrackBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>

TWaveTrackBar::TWaveTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void TWaveTrackBar::SetScene(const workflow::PeakData* peaks, const workflow::SegmentList* segments) {
    scene_.peaks = peaks;
    scene_.segments = segments;
    update();
}

void TWaveTrackBar::SetCursor(std::int64_t ms) {
    if (scene_.cursorMs == ms) return;
    scene_.cursorMs = ms;
    update();
}

QRect TWaveTrackBar::WaveArea() const {
    // A mark line at position p starts at ((p - min) * (width - 16)) div (max - min) + 4
    // here (the bar sits one pixel left of its group's edge) and is two pixels wide.
    return QRect(4, 2, width() - 16 + 2, height() - 4);
}

double TWaveTrackBar::MsPerPixel() const {
    const int span = maximum() - minimum();
    return span > 0 && width() > 16 ? double(span) / (width() - 16) : 1.0;
}

void TWaveTrackBar::paintEvent(QPaintEvent* event) {
    if (!scene_.peaks || scene_.peaks->sampleRate <= 0 || !isEnabled()) {
        QSlider::paintEvent(event);
        QPainter p(this);
        if (scene_.cursorMs >= 0) PaintWave(p, WaveArea(), minimum(), MsPerPixel(), TWaveScene{nullptr, nullptr, nullptr, scene_.cursorMs});
        return;
    }
    QPainter p(this);
    const QRect area = WaveArea();
    p.fillRect(area.adjusted(-2, 0, 2, 0), wavecolors::kBackground);
    p.setPen(wavecolors::kCentre);
    p.drawRect(area.adjusted(-2, 0, 1, -1));
    TWaveScene under = scene_;
    under.cursorMs = -1;
    PaintWave(p, area, minimum(), MsPerPixel(), under);

    QStyleOptionSlider opt;
    initStyleOption(&opt);
    opt.subControls = QStyle::SC_SliderHandle;
    p.setOpacity(0.85);
    style()->drawComplexControl(QStyle::CC_Slider, &opt, &p, this);
    p.setOpacity(1.0);
    if (scene_.cursorMs >= 0) {
        TWaveScene cursor;
        cursor.cursorMs = scene_.cursorMs;
        PaintWave(p, area, minimum(), MsPerPixel(), cursor);
    }
}

void TWaveTrackBar::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit DoubleClicked();
}
