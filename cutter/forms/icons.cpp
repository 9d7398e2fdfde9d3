#include "icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

// A waveform strip: vertical rounded bars of varying height around a centre line.
void Waveform(QPainter& p, QRectF r, const QColor& colour) {
    static const double heights[] = {0.35, 0.7, 0.5, 0.95, 0.6, 0.8, 0.4, 0.65, 0.3};
    const int n = int(std::size(heights));
    const double step = r.width() / n;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (int i = 0; i < n; ++i) {
        const double h = r.height() * heights[i];
        p.drawRoundedRect(QRectF(r.left() + i * step + step * 0.18, r.center().y() - h / 2, step * 0.64, h), 2, 2);
    }
}

void Scissors(QPainter& p, const QColor& blade, const QColor& handle) {
    // Each blade runs from the top of one handle through the pivot to a tip on the other
    // side, so the two cross at the pivot.
    p.setPen(QPen(QColor(60, 60, 70), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(blade);
    for (int side : {-1, 1}) {
        const QPointF base(50 - side * 10, 66), tip(50 + side * 30, 4);
        QPainterPath b;
        b.moveTo(base + QPointF(-4, 0));
        b.lineTo(tip);
        b.lineTo(base + QPointF(4, 0));
        b.closeSubpath();
        p.drawPath(b);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(handle, 8.0));
    p.drawEllipse(QPointF(33, 80), 12, 12);
    p.drawEllipse(QPointF(67, 80), 12, 12);
    p.setPen(QPen(handle, 7.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(40, 70), QPointF(42, 64));
    p.drawLine(QPointF(60, 70), QPointF(58, 64));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 70));
    p.drawEllipse(QPointF(50, 46), 3.5, 3.5);
}

void DrawCut(QPainter& p) {
    Waveform(p, QRectF(4, 20, 92, 44), QColor(120, 200, 255, 150));
    Scissors(p, QColor(235, 238, 245), QColor(220, 50, 40));
}

void DrawMerge(QPainter& p) {
    p.setPen(QPen(QColor(40, 40, 60), 2.0));
    p.setBrush(QColor(255, 170, 40));
    p.drawRoundedRect(QRectF(4, 6, 38, 26), 5, 5);
    p.setBrush(QColor(90, 200, 90));
    p.drawRoundedRect(QRectF(58, 6, 38, 26), 5, 5);
    Waveform(p, QRectF(8, 9, 30, 20), QColor(120, 70, 0));
    Waveform(p, QRectF(62, 9, 30, 20), QColor(20, 90, 20));
    // The joined file below.
    QLinearGradient g(6, 0, 94, 0);
    g.setColorAt(0.0, QColor(255, 170, 40));
    g.setColorAt(0.5, QColor(255, 170, 40));
    g.setColorAt(0.5001, QColor(90, 200, 90));
    g.setColorAt(1.0, QColor(90, 200, 90));
    p.setPen(QPen(QColor(40, 40, 60), 2.0));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(6, 66, 88, 28), 5, 5);
    Waveform(p, QRectF(10, 69, 80, 22), QColor(60, 60, 40));
    // Arrows from both parts into the joined file.
    p.setPen(QPen(QColor(30, 70, 160), 6.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(24, 36), QPointF(40, 54));
    p.drawLine(QPointF(76, 36), QPointF(60, 54));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 70, 160));
    p.drawPolygon(QPolygonF({QPointF(36, 60), QPointF(50, 64), QPointF(47, 50)}));
    p.drawPolygon(QPolygonF({QPointF(64, 60), QPointF(50, 64), QPointF(53, 50)}));
}

void DrawSettings(QPainter& p) {
    const QPointF c(50, 50);
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        // Alternating outer and inner radius, each held for part of the turn.
        const double r = (i % 2 == 0) ? 46 : 36;
        const double a0 = (i - 0.5) * M_PI / teeth + (i % 2 == 0 ? 0.12 : -0.12);
        const double a1 = (i + 0.5) * M_PI / teeth + (i % 2 == 0 ? -0.12 : 0.12);
        const QPointF p0(c.x() + r * std::cos(a0), c.y() + r * std::sin(a0));
        const QPointF p1(c.x() + r * std::cos(a1), c.y() + r * std::sin(a1));
        if (i == 0)
            gear.moveTo(p0);
        else
            gear.lineTo(p0);
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    gear.addEllipse(c, 14, 14);
    gear.setFillRule(Qt::OddEvenFill);
    QLinearGradient g(0, 0, 0, 100);
    g.setColorAt(0, QColor(235, 238, 245));
    g.setColorAt(1, QColor(150, 160, 180));
    p.setPen(QPen(QColor(50, 55, 70), 2.5));
    p.setBrush(g);
    p.drawPath(gear);
}

void DrawWebsite(QPainter& p) {
    const QRectF r(6, 6, 88, 88);
    QRadialGradient g(35, 30, 70);
    g.setColorAt(0, QColor(140, 210, 255));
    g.setColorAt(1, QColor(20, 100, 190));
    p.setPen(QPen(QColor(10, 50, 110), 2.5));
    p.setBrush(g);
    p.drawEllipse(r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 210), 2.5));
    p.drawEllipse(QRectF(30, 6, 40, 88));
    p.drawLine(QPointF(50, 6), QPointF(50, 94));
    p.drawLine(QPointF(6, 50), QPointF(94, 50));
    p.drawLine(QPointF(14, 28), QPointF(86, 28));
    p.drawLine(QPointF(14, 72), QPointF(86, 72));
}

void DrawAbout(QPainter& p) {
    QRadialGradient g(38, 32, 70);
    g.setColorAt(0, QColor(120, 190, 255));
    g.setColorAt(1, QColor(20, 80, 170));
    p.setPen(QPen(QColor(10, 40, 100), 2.5));
    p.setBrush(g);
    p.drawEllipse(QRectF(6, 6, 88, 88));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(50, 28), 7, 7);
    p.drawRoundedRect(QRectF(43, 42, 14, 38), 3, 3);
}

void DrawProgram(QPainter& p) {
    QLinearGradient g(0, 0, 0, 100);
    g.setColorAt(0, QColor(70, 130, 210));
    g.setColorAt(1, QColor(20, 50, 110));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2, 2, 96, 96), 16, 16);
    Waveform(p, QRectF(8, 12, 84, 56), QColor(150, 220, 255));
    p.save();
    p.translate(30, 42);
    p.scale(0.6, 0.6);
    Scissors(p, QColor(245, 245, 250), QColor(235, 60, 45));
    p.restore();
}

class TDrawnIconEngine : public QIconEngine {
public:
    explicit TDrawnIconEngine(TIconKind kind) : kind_(kind) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const double side = std::min(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2);
        painter->scale(side / 100.0, side / 100.0);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        switch (kind_) {
        case TIconKind::Cut: DrawCut(*painter); break;
        case TIconKind::Merge: DrawMerge(*painter); break;
        case TIconKind::Settings: DrawSettings(*painter); break;
        case TIconKind::Website: DrawWebsite(*painter); break;
        case TIconKind::About: DrawAbout(*painter); break;
        case TIconKind::Program: DrawProgram(*painter); break;
        }
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    QIconEngine* clone() const override { return new TDrawnIconEngine(kind_); }

private:
    TIconKind kind_;
};

}  // namespace

QIcon DrawnIcon(TIconKind kind) { return QIcon(new TDrawnIconEngine(kind)); }
