#include "PositionRules.h"

#include <algorithm>

#include "TimeText.h"

namespace workflow {
namespace {

// A field of a text by 1-based character positions; not a number counts as 0.
int Field(const QString& text, int first, int count) {
    bool ok = false;
    const int v = text.mid(first - 1, count).toInt(&ok);
    return ok ? v : 0;
}

QString MainPart(const QString& text) {
    const qsizetype dot = text.indexOf(u'.');
    return dot < 0 ? text : text.left(dot);
}

}  // namespace

std::int64_t PositionBoxes::Position() const { return ComposeTime(hour, minute, second, msec); }

void SetLimitsFromDuration(const QString& d, PositionBoxes& b) {
    const qsizetype dot = d.indexOf(u'.');
    const QString main = MainPart(d);
    if (main.size() > 5) {
        b.hourMax = Field(main, 1, 2);
        b.hourEnabled = true;
        b.minuteMax = 59;
        b.secondMax = 59;
    } else {
        b.hourEnabled = false;
        b.minuteMax = Field(main, 1, 2);
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

void ShowPosition(std::int64_t ms, PositionBoxes& b) {
    b.msecMax = 999;
    const QString text = TimeText(ms);
    const QString main = MainPart(text);
    if (main.size() <= 5) {
        b.hour = 0;
        b.minute = Field(main, 1, 2);
        b.second = Field(main, 4, 2);
    } else {
        // Hours of 100 or more have three digits; the fields follow the text as it stands.
        b.hour = Field(main, 1, 2);
        b.minute = Field(main, 4, 2);
        b.second = Field(main, 7, 2);
    }
    b.msec = text.mid(text.indexOf(u'.') + 1).toInt();
}

BoxOutcome HourChanged(PositionBoxes& b, const QString& d, std::int64_t trackMax) {
    b.minuteMax = b.hour == b.hourMax ? Field(MainPart(d), 4, 2) : 59;
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
    const QString main = MainPart(d);
    const bool short_ = main.size() <= 5;
    const int minutes = short_ ? Field(main, 1, 2) : Field(main, 4, 2);
    const int seconds = short_ ? Field(main, 4, 2) : Field(main, 7, 2);
    b.secondMax = b.minute == minutes ? seconds : 59;
    out.moveTrackTo = b.Position();
    return out;
}

BoxOutcome SecondChanged(PositionBoxes& b, const QString& d, std::int64_t trackMax) {
    BoxOutcome out;
    if (b.Position() > trackMax) return out;
    const QString main = MainPart(d);
    const int seconds = Field(main, int(main.size()) - 1, 2);
    b.msecMax = b.secondMax == seconds ? b.msec : 999;
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
