#include "base/Dates.h"

#include <cmath>
#include <utility>

namespace pim {

QDate scaleEpoch()
{
    return QDate(1899, 12, 30);
}

int dateToScale(QDate d)
{
    return int(scaleEpoch().daysTo(d));
}

QDate scaleToDate(int scale)
{
    return scaleEpoch().addDays(scale);
}

double dateTimeToScale(const QDateTime &dt)
{
    const int days = dateToScale(dt.date());
    const double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the fraction still counts forward within the day, as
    // the scale has always done: -1.25 is 29 December 1899, 06:00.
    return days >= 0 ? days + frac : days - frac;
}

namespace {

// The calendar date and the wall-clock time of a day-scale value.
std::pair<QDate, QTime> splitScale(double scale)
{
    const double whole = std::trunc(scale);
    const double frac = std::fabs(scale - whole);
    qint64 ms = qint64(std::llround(frac * 86400000.0));
    int days = int(whole);
    if (ms >= 86400000) {
        ms -= 86400000;
        days += scale >= 0 ? 1 : -1;
    }
    return {scaleToDate(days), QTime::fromMSecsSinceStartOfDay(int(ms))};
}

} // namespace

QDateTime scaleToDateTime(double scale)
{
    const auto [d, t] = splitScale(scale);
    return QDateTime(d, t);
}

namespace {

QString two(int v)
{
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}

int countRun(QStringView p, int i, QChar c)
{
    int n = 0;
    while (i + n < p.size() && p[i + n].toLower() == c)
        ++n;
    return n;
}

void appendFormatted(QString &out, QStringView p, const QDateTime &dt, const FormatSettings &fs, int depth)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    bool lastWasHour = false;
    int i = 0;
    while (i < p.size()) {
        const QChar c = p[i];
        const QChar lc = c.toLower();
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const int end = int(p.indexOf(c, i + 1));
            if (end < 0) {
                out += p.mid(i + 1);
                return;
            }
            out += p.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (lc == QLatin1Char('d')) {
            const int n = countRun(p, i, QLatin1Char('d'));
            i += n;
            if (n == 1)
                out += QString::number(d.day());
            else if (n == 2)
                out += two(d.day());
            else if (n == 3)
                out += fs.shortDayNames.value(d.dayOfWeek() % 7);
            else if (n == 4)
                out += fs.longDayNames.value(d.dayOfWeek() % 7);
            else if (depth < 2)
                appendFormatted(out, fs.shortDateFormat, dt, fs, depth + 1);
            lastWasHour = false;
            continue;
        }
        if (lc == QLatin1Char('m')) {
            const int n = countRun(p, i, QLatin1Char('m'));
            i += n;
            if (lastWasHour && n <= 2) {
                out += n == 1 ? QString::number(t.minute()) : two(t.minute());
            } else if (n == 1) {
                out += QString::number(d.month());
            } else if (n == 2) {
                out += two(d.month());
            } else if (n == 3) {
                out += fs.shortMonthNames.value(d.month() - 1);
            } else {
                out += fs.longMonthNames.value(d.month() - 1);
            }
            lastWasHour = false;
            continue;
        }
        if (lc == QLatin1Char('y')) {
            const int n = countRun(p, i, QLatin1Char('y'));
            i += n;
            if (n <= 2)
                out += two(d.year() % 100);
            else
                out += QString::number(d.year()).rightJustified(4, QLatin1Char('0'));
            lastWasHour = false;
            continue;
        }
        if (lc == QLatin1Char('h')) {
            const int n = countRun(p, i, QLatin1Char('h'));
            i += n;
            out += n == 1 ? QString::number(t.hour()) : two(t.hour());
            lastWasHour = true;
            continue;
        }
        if (lc == QLatin1Char('n')) {
            const int n = countRun(p, i, QLatin1Char('n'));
            i += n;
            out += n == 1 ? QString::number(t.minute()) : two(t.minute());
            lastWasHour = false;
            continue;
        }
        if (lc == QLatin1Char('s')) {
            const int n = countRun(p, i, QLatin1Char('s'));
            i += n;
            out += n == 1 ? QString::number(t.second()) : two(t.second());
            lastWasHour = false;
            continue;
        }
        if (lc == QLatin1Char('z')) {
            const int n = countRun(p, i, QLatin1Char('z'));
            i += n;
            out += n < 3 ? QString::number(t.msec()) : QString::number(t.msec()).rightJustified(3, QLatin1Char('0'));
            continue;
        }
        if (lc == QLatin1Char('c') && depth < 2) {
            ++i;
            appendFormatted(out, fs.shortDateFormat, dt, fs, depth + 1);
            if (t.msecsSinceStartOfDay() != 0) {
                out += QLatin1Char(' ');
                appendFormatted(out, fs.longTimeFormat, dt, fs, depth + 1);
            }
            continue;
        }
        if (c == QLatin1Char('/')) {
            out += fs.dateSeparator;
            ++i;
            continue;
        }
        if (c == QLatin1Char(':')) {
            out += fs.timeSeparator;
            ++i;
            continue;
        }
        // Separators between an hour and "mm" keep the minute meaning.
        out += c;
        ++i;
    }
}

} // namespace

QString formatDateTime(QStringView pattern, const QDateTime &dt, const FormatSettings &fs)
{
    QString out;
    appendFormatted(out, pattern, dt, fs, 0);
    return out;
}

QString formatDateTime(QStringView pattern, double scale, const FormatSettings &fs)
{
    // Only the calendar date and the wall-clock time are printed, so the
    // date-time is taken as UTC: a local one looks up the time zone (a
    // stat of its file) on every cell of a grid, and would move a time
    // that a clock change skips.
    const auto [d, t] = splitScale(scale);
    return formatDateTime(pattern, QDateTime(d, t, Qt::UTC), fs);
}

QString shortDateText(QDate d, const FormatSettings &fs)
{
    return formatDateTime(fs.shortDateFormat, QDateTime(d, QTime(0, 0)), fs);
}

} // namespace pim
