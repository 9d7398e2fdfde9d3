#include "waveView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kRulerHeight = 18;
}

TWaveView::TWaveView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 80);
    setMouseTracking(false);
}

void TWaveView::SetDuration(std::int64_t ms) {
    duration_ = std::max<std::int64_t>(0, ms);
    ZoomAll();
}

double TWaveView::FinestMsPerPixel() const {
    const int rate = scene_.peaks && scene_.peaks->sampleRate > 0 ? scene_.peaks->sampleRate : 44100;
    return 1000.0 / rate / 16.0;
}

double TWaveView::WidestMsPerPixel() const {
    return std::max(FinestMsPerPixel(), double(std::max<std::int64_t>(duration_, 1)) / std::max(1, width()));
}

void TWaveView::ZoomAll() {
    msPerPx_ = WidestMsPerPixel();
    from_ = 0;
    emit ViewChanged();
    update();
}

void TWaveView::Zoom(double factor, int x) {
    const double keep = MsAt(x);
    msPerPx_ = std::clamp(msPerPx_ / factor, FinestMsPerPixel(), WidestMsPerPixel());
    ScrollTo(keep - x * msPerPx_);
}

void TWaveView::ScrollTo(double ms) {
    const double last = std::max(0.0, double(duration_) - width() * msPerPx_);
    from_ = std::clamp(ms, 0.0, last);
    emit ViewChanged();
    update();
}

std::int64_t TWaveView::Clamp(double ms) const { return std::clamp<std::int64_t>(std::llround(ms), 0, duration_); }

void TWaveView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), wavecolors::kBackground);
    TWaveScene s = scene_;
    if (Detail && s.peaks && s.peaks->sampleRate > 0 && msPerPx_ * s.peaks->sampleRate / 1000.0 < s.peaks->bucketFrames)
        s.detail = Detail(std::int64_t(std::floor(from_)), std::int64_t(std::ceil(from_ + width() * msPerPx_)) + 1);
    const QRect ruler(0, 0, width(), kRulerHeight);
    PaintWave(p, rect().adjusted(0, kRulerHeight, 0, 0), from_, msPerPx_, s);
    PaintRuler(p, ruler, from_, msPerPx_);
    if (!s.peaks || s.peaks->sampleRate <= 0) {
        p.setPen(wavecolors::kCentre.darker(150));
        p.drawText(rect(), Qt::AlignCenter, tr("Reading the waveform..."));
    }
}

void TWaveView::resizeEvent(QResizeEvent*) {
    msPerPx_ = std::clamp(msPerPx_, FinestMsPerPixel(), WidestMsPerPixel());
    ScrollTo(from_);
}

void TWaveView::wheelEvent(QWheelEvent* e) {
    const double steps = e->angleDelta().y() / 120.0;
    if (steps == 0) {
        ScrollBy(-e->angleDelta().x() / 2.0);
    } else if (e->modifiers() & Qt::ShiftModifier) {
        ScrollBy(-steps * width() / 8.0);
    } else {
        Zoom(std::pow(1.25, steps), int(e->position().x()));
    }
    e->accept();
}

void TWaveView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    pressX_ = int(e->position().x());
    dragging_ = false;
}

void TWaveView::mouseMoveEvent(QMouseEvent* e) {
    if (pressX_ < 0) return;
    const int x = int(e->position().x());
    if (!dragging_ && std::abs(x - pressX_) < 4) return;
    dragging_ = true;
    scene_.selFrom = Clamp(MsAt(std::min(x, pressX_)));
    scene_.selTo = Clamp(MsAt(std::max(x, pressX_)));
    update();
}

void TWaveView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || pressX_ < 0) return;
    const int x = int(e->position().x());
    if (dragging_) {
        scene_.selFrom = Clamp(MsAt(std::min(x, pressX_)));
        scene_.selTo = Clamp(MsAt(std::max(x, pressX_)));
        if (scene_.selTo > scene_.selFrom) emit Selected(scene_.selFrom, scene_.selTo);
    } else {
        scene_.selFrom = scene_.selTo = -1;
        emit PositionClicked(Clamp(MsAt(x)));
    }
    pressX_ = -1;
    dragging_ = false;
    update();
}

void TWaveView::keyPressEvent(QKeyEvent* e) {
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            if (ctrl) return Zoom(2.0, width() / 2);
            break;
        case Qt::Key_Minus:
            if (ctrl) return Zoom(0.5, width() / 2);
            break;
        case Qt::Key_Left: return ScrollBy(-(ctrl ? width() : width() / 10.0));
        case Qt::Key_Right: return ScrollBy(ctrl ? width() : width() / 10.0);
        case Qt::Key_Home: return ScrollTo(0);
        case Qt::Key_End: return ScrollTo(double(duration_));
        case Qt::Key_Up: return Zoom(2.0, width() / 2);
        case Qt::Key_Down: return Zoom(0.5, width() / 2);
        default: break;
    }
    QWidget::keyPressEvent(e);
}
