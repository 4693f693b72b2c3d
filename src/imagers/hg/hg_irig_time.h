#pragma once

#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace fw {

// The IRIG time the imager stamped on its trigger: day of the year, time of day and the
// fraction of the second in milliseconds.
struct HGIrigTime {
    int day = 0;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    double milliseconds = 0.0;
};

// The IRIG string register as read: characters 4 to 6 (counting from 1) the day, 7-8 hours,
// 9-10 minutes, 11-12 seconds, 13-20 microseconds, all hexadecimal. nullopt when the text is
// shorter or not hexadecimal there.
std::optional<HGIrigTime> ParseHGIrigTime(const QString& register_text);
// The text written to set it: the day in 4 hex digits, hours, minutes and seconds in 2 each,
// and the milliseconds in tenths, rounded, in 4 hex digits (12.3 ms -> "007B").
QByteArray HGIrigTimeArgument(const HGIrigTime& time);
// The computer's clock as IRIG time: days since 1 January of its year (0 on 1 January).
HGIrigTime HGIrigTimeOf(const QDateTime& now);
// Milliseconds as the page shows them, with one decimal.
QString HGIrigMillisecondsText(double milliseconds);

} // namespace fw
