#include "TimeText.h"

namespace workflow {
namespace {

QString TwoDigits(std::int64_t v) { return QString::number(v).rightJustified(2, u'0'); }

// A field of the text by 1-based character positions; not a number counts as 0.
std::int64_t Field(const QString& text, int first, int count) {
    bool ok = false;
    const std::int64_t v = text.mid(first - 1, count).toLongLong(&ok);
    return ok ? v : 0;
}

}  // namespace

QString TimeText(std::int64_t ms) {
    if (ms < 0) ms = 0;
    const std::int64_t fraction = ms % 1000;
    const QString fractionText = u'.' + QString::number(fraction).rightJustified(3, u'0');
    const std::int64_t seconds = ms / 1000;
    std::int64_t minutes = seconds / 60;
    const std::int64_t secs = seconds % 60;
    if (minutes < 60) return TwoDigits(minutes) + u':' + TwoDigits(secs) + fractionText;
    const std::int64_t hours = minutes / 60;
    minutes %= 60;
    return TwoDigits(hours) + u':' + TwoDigits(minutes) + u':' + TwoDigits(secs) + fractionText;
}

std::int64_t ReadTimeText(const QString& text) {
    const qsizetype dot = text.indexOf(u'.');
    const QString main = dot < 0 ? text : text.left(dot);
    std::int64_t millis = 0;
    if (dot >= 0) {
        bool ok = false;
        millis = text.mid(dot + 1).toLongLong(&ok);
        if (!ok) millis = 0;
    }
    if (main.size() <= 5) return (Field(main, 1, 2) * 60 + Field(main, 4, 2)) * 1000 + millis;
    return ((Field(main, 1, 2) * 3600) + Field(main, 4, 2) * 60 + Field(main, 7, 2)) * 1000 + millis;
}

}  // namespace workflow
