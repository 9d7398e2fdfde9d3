#include "PositionRules.h"

#include <QStringList>
#include <algorithm>

#include "TimeText.h"

namespace workflow {
namespace {

// Hours, minutes and seconds of a time text's main part ("mm:ss" or "hh:mm:ss"). The fields
// are read between the colons, so hours of 100 or more read whole; a field that is not a
// number counts as 0.
struct Clock {
    int hours = 0, minutes = 0, seconds = 0;
};

Clock ClockOf(const QString& text) {
    const qsizetype dot = text.indexOf(u'.');
    const QStringList parts = (dot < 0 ? text : text.left(dot)).split(u':');
    const auto at = [&](qsizetype i) { return i >= 0 && i < parts.size() ? parts[i].toInt() : 0; };
    Clock c;
    if (parts.size() >= 3) c.hours = at(parts.size() - 3);
    c.minutes = at(parts.size() - 2);
    c.seconds = at(parts.size() - 1);
    return c;
}

// The digits after the point; 999 when there are none.
int MillisecondsOf(const QString& text) {
    const qsizetype dot = text.indexOf(u'.');
    bool ok = false;
    const int ms = dot < 0 ? 0 : text.mid(dot + 1).toInt(&ok);
    return ok ? ms : 999;
}

bool LongText(const QString& text) {
    const qsizetype dot = text.indexOf(u'.');
    return (dot < 0 ? text.size() : dot) > 5;
}

}  // namespace

std::int64_t PositionBoxes::Position() const { return ComposeTime(hour, minute, second, msec); }

void SetLimitsFromDuration(const QString& d, PositionBoxes& b) {
    const qsizetype dot = d.indexOf(u'.');
    const Clock c = ClockOf(d);
    if (LongText(d)) {
        b.hourMax = c.hours;
        b.hourEnabled = true;
        b.minuteMax = 59;
        b.secondMax = 59;
    } else {
        b.hourEnabled = false;
        b.minuteMax = c.minutes;
        b.secondMax = 59;
    }
    if (dot >= 0 && dot + 1 < d.size()) {
        bool ok = false;
        const int ms = d.mid(dot + 1).toInt(&ok);
        if (ok) b.msecMax = ms;
    }
    b.minuteEnabled = b.minuteMax > 0;
    b.secondEnabled = b.secondMax > 0;
}

void ShowPosition(std::int64_t ms, const QString& d, PositionBoxes& b) {
    b.msecMax = 999;
    const QString text = TimeText(ms);
    const Clock c = ClockOf(text);
    // The limits follow the new position before the values are set: a maximum lowered for
    // the duration's last hour or minute would otherwise clamp the values shown.
    if (!d.isEmpty()) {
        const Clock end = ClockOf(d);
        if (LongText(d)) b.minuteMax = c.hours == end.hours ? end.minutes : 59;
        b.secondMax = c.hours == end.hours && c.minutes == end.minutes ? end.seconds : 59;
    }
    b.hour = c.hours;
    b.minute = c.minutes;
    b.second = c.seconds;
    b.msec = text.mid(text.indexOf(u'.') + 1).toInt();
}

BoxOutcome HourChanged(PositionBoxes& b, const QString& d, std::int64_t trackMax) {
    b.minuteMax = b.hour == b.hourMax ? ClockOf(d).minutes : 59;
    BoxOutcome out;
    if (b.Position() <= trackMax) out.moveTrackTo = b.Position();
    return out;
}

BoxOutcome MinuteChanged(PositionBoxes& b, const QString& d, std::int64_t trackMax) {
    BoxOutcome out;
    if (b.Position() > trackMax) {
        // A minute of 0 cannot fall back further; the box's minimum keeps it there.
        if (b.minute > 0) out.minuteFallback = b.minute - 1;
        return out;
    }
    // Only the duration's own last minute ends early: at 01:00 of a two-hour source the
    // seconds still run to 59.
    const Clock c = ClockOf(d);
    b.secondMax = b.hour == c.hours && b.minute == c.minutes ? c.seconds : 59;
    out.moveTrackTo = b.Position();
    return out;
}

BoxOutcome SecondChanged(PositionBoxes& b, const QString& d, std::int64_t trackMax) {
    BoxOutcome out;
    if (b.Position() > trackMax) return out;
    // In the duration's last second the milliseconds run to the duration's own.
    const Clock c = ClockOf(d);
    const bool lastSecond = b.hour == c.hours && b.minute == c.minutes && b.second == c.seconds;
    b.msecMax = lastSecond ? MillisecondsOf(d) : 999;
    out.moveTrackTo = b.Position();
    return out;
}

BoxOutcome MSecChanged(const PositionBoxes& b, std::int64_t trackMin, std::int64_t trackMax) {
    BoxOutcome out;
    out.moveTrackTo = std::clamp(b.Position(), trackMin, std::max(trackMin, trackMax));
    return out;
}

int MarkerLineLeft(std::int64_t position, std::int64_t minimum, std::int64_t maximum, int trackWidth) {
    if (maximum <= minimum) return 3;
    return static_cast<int>(((position - minimum) * std::int64_t(trackWidth - 16)) / (maximum - minimum) + 3);
}

}  // namespace workflow
