// The rules that keep the cut page's four position boxes (hh : mm : ss . zzz) and its
// track bar in step and within the source's duration, on plain values: the page copies
// the boxes in, applies a rule and copies the result back to its widgets.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace workflow {

// The boxes' values, maxima and enabling. The design maxima hold until a source sets limits.
struct PositionBoxes {
    int hour = 0, minute = 0, second = 0, msec = 0;
    int hourMax = 100, minuteMax = 100, secondMax = 100, msecMax = 999;
    bool hourEnabled = true, minuteEnabled = true, secondEnabled = true;

    // ((hours * 3600 + minutes * 60 + seconds) * 1000) + milliseconds.
    std::int64_t Position() const;
};

// Limits from the duration text D: an hour or more enables the hour box with D's hours as
// its maximum (minutes and seconds to 59); shorter sources disable it and give the minute
// box D's minutes. The millisecond box runs to D's milliseconds; the minute and second
// boxes are enabled exactly when their maximum is above 0. Values are left alone.
void SetLimitsFromDuration(const QString& durationText, PositionBoxes& boxes);

// Track bar moved to `ms`: the millisecond box runs to 999 again, the minute and second
// maxima become those of the new position within the duration text D (unchanged while D is
// empty), and the four boxes show the position's time text.
void ShowPosition(std::int64_t ms, const QString& durationText, PositionBoxes& boxes);

// What a box's change asks of the page: move the track bar (and refresh the label), or,
// for the minute box, fall back to a lower minute (which runs the minute rule again).
struct BoxOutcome {
    std::optional<std::int64_t> moveTrackTo;
    std::optional<int> minuteFallback;
};

// The change rules of the four boxes; `trackMin`/`trackMax` are the track bar's range.
// They may change the maxima in `boxes`: the hour at its maximum limits the minutes to the
// duration's; the duration's last minute limits the seconds, its last second the
// milliseconds; everywhere else the boxes run to 59 and 999.
BoxOutcome HourChanged(PositionBoxes& boxes, const QString& durationText, std::int64_t trackMax);
BoxOutcome MinuteChanged(PositionBoxes& boxes, const QString& durationText, std::int64_t trackMax);
BoxOutcome SecondChanged(PositionBoxes& boxes, const QString& durationText, std::int64_t trackMax);
BoxOutcome MSecChanged(const PositionBoxes& boxes, std::int64_t trackMin, std::int64_t trackMax);

// Left edge of a marker line over the track bar, in the coordinates of the group box that
// holds it: ((position - minimum) * (width - 16)) div (maximum - minimum) + 3, in 64 bits.
// An empty range places the line at the minimum.
int MarkerLineLeft(std::int64_t position, std::int64_t minimum, std::int64_t maximum, int trackWidth);

}  // namespace workflow
