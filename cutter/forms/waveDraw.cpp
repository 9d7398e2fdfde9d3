#include "waveDraw.h"

#include <QPainter>
#include <QString>
#include <iterator>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "workflow/SegmentList.h"

int WaveX(const QRect& area, double fromMs, double msPerPx, double ms) {
    return area.left() + int(std::floor((ms - fromMs) / msPerPx));
}

namespace {

void Bands(QPainter& p, const QRect& area, double fromMs, double msPerPx, const workflow::SegmentList& rows) {
    for (int r = 0; r < rows.rowCount(); ++r) {
        const int x0 = std::max(area.left(), WaveX(area, fromMs, msPerPx, double(rows.ReadTime(workflow::colStart, r))));
        const int x1 = std::min(area.right() + 1, WaveX(area, fromMs, msPerPx, double(rows.ReadTime(workflow::colEnd, r))));
        if (x1 <= x0) continue;
        p.fillRect(QRect(x0, area.top(), x1 - x0, area.height()),
                   rows.Checked(r) ? wavecolors::kBandChecked : wavecolors::kBand);
    }
}

void Line(QPainter& p, const QRect& area, double fromMs, double msPerPx, std::int64_t ms, const QColor& c, int width) {
    if (ms < 0) return;
    const int x = WaveX(area, fromMs, msPerPx, double(ms));
    if (x < area.left() - width || x > area.right() + width) return;
    p.fillRect(QRect(x - width / 2, area.top(), width, area.height()), c);
}

// Single samples, when a column holds less than one frame: a line through them.
void Samples(QPainter& p, const QRect& area, double fromMs, double msPerPx, const workflow::PeakData& d, double mid,
             double half) {
    const std::int64_t f0 = std::max(d.firstFrame, d.FrameOfMs(fromMs) - 1);
    const std::int64_t f1 = std::min(d.firstFrame + d.Buckets(), d.FrameOfMs(fromMs + msPerPx * area.width()) + 2);
    QPolygonF line;
    for (std::int64_t f = f0; f < f1; ++f) {
        const double x = area.left() + (d.MsOfFrame(f) - fromMs) / msPerPx;
        const std::size_t i = std::size_t(f - d.firstFrame);
        // Folded channels: the sample furthest from zero stands for the frame.
        const int v = std::abs(d.hi[i]) >= std::abs(d.lo[i]) ? d.hi[i] : d.lo[i];
        line << QPointF(x, mid - half * v / 32767.0);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(wavecolors::kWave, 1.5));
    p.drawPolyline(line);
    const double spacing = d.sampleRate > 0 ? 1000.0 / d.sampleRate / msPerPx : 0;
    p.setPen(QPen(wavecolors::kWave, 1.0));
    if (spacing >= 6) {
        p.setBrush(wavecolors::kWave);
        for (const QPointF& pt : line) p.drawEllipse(pt, 2.0, 2.0);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

}  // namespace

void PaintWave(QPainter& p, const QRect& area, double fromMs, double msPerPx, const TWaveScene& s) {
    if (area.width() <= 0 || area.height() <= 0 || !(msPerPx > 0)) return;
    p.save();
    p.setClipRect(area);
    if (s.segments) Bands(p, area, fromMs, msPerPx, *s.segments);
    if (s.selFrom >= 0 && s.selTo > s.selFrom) {
        const int x0 = WaveX(area, fromMs, msPerPx, double(s.selFrom));
        const int x1 = WaveX(area, fromMs, msPerPx, double(s.selTo));
        p.fillRect(QRect(x0, area.top(), std::max(1, x1 - x0), area.height()), wavecolors::kSelection);
    }
    const double mid = area.top() + area.height() / 2.0;
    const double half = std::max(1.0, area.height() / 2.0 - 1);
    p.fillRect(QRectF(area.left(), std::floor(mid), area.width(), 1), wavecolors::kCentre);

    const workflow::PeakData* d = s.peaks;
    const bool fine = s.detail && s.detail->sampleRate > 0 &&
                      msPerPx * s.detail->sampleRate / 1000.0 < double(s.peaks ? s.peaks->bucketFrames : 256);
    if (fine) d = s.detail;
    if (d && d->sampleRate > 0) {
        // Below a few frames a column, a line through the samples reads better than bars.
        if (fine && msPerPx * d->sampleRate / 1000.0 < 4.0) {
            Samples(p, area, fromMs, msPerPx, *d, mid, half);
        } else {
            for (int x = area.left(); x <= area.right(); ++x) {
                const double ms = fromMs + (x - area.left()) * msPerPx;
                float lo = 0, hi = 0;
                // Each column reaches one frame (or bucket) into its neighbour on the left,
                // so neighbouring columns join into one outline.
                const std::int64_t f0 = d->FrameOfMs(ms) - (x > area.left() ? d->bucketFrames : 0);
                const std::int64_t f1 = std::max(f0 + 1, d->FrameOfMs(ms + msPerPx));
                if (!d->Range(f0, f1, lo, hi)) continue;
                const int y0 = int(std::floor(mid - hi * half));
                const int y1 = int(std::ceil(mid - lo * half));
                p.fillRect(QRect(x, y0, 1, std::max(1, y1 - y0 + 1)), wavecolors::kWave);
            }
        }
    }
    Line(p, area, fromMs, msPerPx, s.startMark, wavecolors::kStart, 2);
    Line(p, area, fromMs, msPerPx, s.endMark, wavecolors::kEnd, 2);
    Line(p, area, fromMs, msPerPx, s.positionMs, wavecolors::kPosition, 1);
    Line(p, area, fromMs, msPerPx, s.cursorMs, wavecolors::kCursor, 2);
    p.restore();
}

void PaintRuler(QPainter& p, const QRect& area, double fromMs, double msPerPx) {
    if (!(msPerPx > 0) || area.width() <= 0) return;
    // The smallest round step that leaves room for a label (about 90 pixels).
    static const double steps[] = {0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000,
                                   10000, 15000, 30000, 60000, 120000, 300000, 600000, 900000, 1800000, 3600000};
    double step = steps[std::size(steps) - 1];
    for (double s : steps)
        if (s / msPerPx >= 90) {
            step = s;
            break;
        }
    p.save();
    p.fillRect(area, wavecolors::kBackground.darker(104));
    p.setPen(wavecolors::kRuler);
    QFont f = p.font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    p.setFont(f);
    const double toMs = fromMs + area.width() * msPerPx;
    for (double t = std::floor(fromMs / step) * step; t <= toMs; t += step) {
        const int x = WaveX(area, fromMs, msPerPx, t);
        if (x < area.left()) continue;
        p.drawLine(x, area.bottom() - 5, x, area.bottom());
        const double ms = std::max(0.0, t);
        const auto whole = std::int64_t(ms);
        QString text = QStringLiteral("%1:%2").arg(whole / 60000).arg(whole / 1000 % 60, 2, 10, QLatin1Char('0'));
        if (step < 1000) text += QStringLiteral(".%1").arg(whole % 1000, 3, 10, QLatin1Char('0'));
        if (step < 1) text += QString::number(ms - double(whole), 'f', 1).mid(2);
        p.drawText(QRect(x + 3, area.top(), 120, area.height() - 2), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    p.drawLine(area.left(), area.bottom(), area.right(), area.bottom());
    p.restore();
}
