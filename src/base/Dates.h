#pragma once
// Dates as the program counts them: a day scale whose day 0 is 30 December
// 1899 (fractions are the time of day), the calculators' day numbers (day 1 =
// 1 January 2000), and date-time patterns.

#include "base/FormatSettings.h"

#include <QDate>
#include <QDateTime>
#include <QString>

namespace pim {

// scale = day number + kDayNumberOffset
inline constexpr int kDayNumberOffset = 36525;

QDate scaleEpoch(); // 30 December 1899

int dateToScale(QDate d);
QDate scaleToDate(int scale);
double dateTimeToScale(const QDateTime &dt);
QDateTime scaleToDateTime(double scale);

inline QDate dayNumberToDate(int dayNumber) { return scaleToDate(dayNumber + kDayNumberOffset); }
inline int dateToDayNumber(QDate d) { return dateToScale(d) - kDayNumberOffset; }

// Formats a date-time with a pattern:
//   d dd ddd dddd ddddd (short date) m mm mmm mmmm yy yyyy
//   h hh n nn s ss z zzz, "mm"/"m" right after "h"/"hh" mean minutes,
//   / (date separator) : (time separator), c (short date and time),
//   "text" and 'text' copied as they stand; other characters as they are.
// Month and day names come from the settings in force.
QString formatDateTime(QStringView pattern, const QDateTime &dt,
                       const FormatSettings &fs = formatSettings());
QString formatDateTime(QStringView pattern, double scale,
                       const FormatSettings &fs = formatSettings());

// The system's short date format applied to a date.
QString shortDateText(QDate d, const FormatSettings &fs = formatSettings());

} // namespace pim
