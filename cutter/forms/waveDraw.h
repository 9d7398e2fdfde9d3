// Drawing a stretch of the source's waveform: the peaks column by column (single samples
// joined by a line when zoomed in that far), the segment rows as bands, the marks, the
// position and the play cursor. Shared by the track bar and the waveform window.
#pragma once

#include <QColor>
#include <QRect>
#include <cstdint>

#include "workflow/Peaks.h"

class QPainter;
namespace workflow {
class SegmentList;
}

struct TWaveScene {
    const workflow::PeakData* peaks = nullptr;   // the whole source, possibly still growing
    const workflow::PeakData* detail = nullptr;  // single frames of part of the view, or null
    const workflow::SegmentList* segments = nullptr;
    std::int64_t cursorMs = -1;  // play cursor; -1 none
    std::int64_t positionMs = -1;
    std::int64_t startMark = -1, endMark = -1;  // -1: not drawn
    std::int64_t selFrom = -1, selTo = -1;      // a selected span; -1 none
};

// The palette of both views.
namespace wavecolors {
inline const QColor kBackground(246, 248, 251);
inline const QColor kCentre(205, 212, 222);
inline const QColor kWave(47, 98, 160);
inline const QColor kRuler(110, 118, 130);
inline const QColor kBand(120, 130, 150, 34);
inline const QColor kBandChecked(255, 168, 40, 60);
inline const QColor kCursor(214, 40, 40);
inline const QColor kStart(0, 128, 0);
inline const QColor kEnd(0, 0, 128);
inline const QColor kPosition(40, 40, 40);
inline const QColor kSelection(60, 120, 220, 60);
}  // namespace wavecolors

// Paints `scene` into `area`, whose column x shows [fromMs + (x - area.left()) * msPerPx,
// one column further). The background is the caller's.
void PaintWave(QPainter& p, const QRect& area, double fromMs, double msPerPx, const TWaveScene& scene);
// The column of a time in that mapping.
int WaveX(const QRect& area, double fromMs, double msPerPx, double ms);
// A time scale along the top of `area`: ticks at a round step with their time texts.
void PaintRuler(QPainter& p, const QRect& area, double fromMs, double msPerPx);
