// Time text: milliseconds as "mm:ss.zzz", or "hh:mm:ss.zzz" from one hour on, and the
// reading of such a text back into milliseconds.
#pragma once

#include <QString>
#include <cstdint>

namespace workflow {

// 0 -> "00:00.000", 3723004 -> "01:02:03.004"; hours of 100 or more get three digits.
QString TimeText(std::int64_t ms);

// Reads a time text of a segment row back: "12:34.5" -> 754005, "01:02:03.250" -> 3723250,
// "12:34" -> 754000. The digits after the point are a whole number of milliseconds; a
// two-character field that is not a number counts as 0.
std::int64_t ReadTimeText(const QString& text);

// ((hours * 3600 + minutes * 60 + seconds) * 1000) + milliseconds, in 64 bits.
inline std::int64_t ComposeTime(std::int64_t h, std::int64_t m, std::int64_t s, std::int64_t ms) {
    return ((h * 3600 + m * 60 + s) * 1000) + ms;
}

}  // namespace workflow
