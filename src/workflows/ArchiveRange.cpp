#include "workflows/ArchiveRange.h"

#include "base/Dates.h"
#include "devices/Registry.h"

#include <cmath>

namespace pim {

namespace {
const char *const kCaptions[] = {"день", "неделя", "раб неделя", "декада",
                                 "месяц", "пред месяц", "весь архив", "все записи"};
const char *const kNames[] = {"day", "week", "workweek", "decade", "month", "prevmonth", "all", "records"};
} // namespace

QString ArchiveRange::itemCaption(int item)
{
    if (item < 0 || item >= ItemCount)
        return QString();
    return QString::fromUtf8(kCaptions[item]);
}

int ArchiveRange::itemByName(const QString &name)
{
    for (int i = 0; i < ItemCount; ++i)
        if (name == QLatin1String(kNames[i]))
            return i;
    return -1;
}

bool ArchiveRange::wholeArchiveSpan(int type, int &days, int &hourlyDays)
{
    const TypeInfo *t = typeInfo(type);
    if (!t || !t->hasArchive()) {
        days = hourlyDays = 0;
        return false;
    }
    // The daily ring holds one day per record.
    days = t->dailyMax;
    hourlyDays = t->wholeHourlyDays;
    return true;
}

ArchiveRange::Outcome ArchiveRange::choose(int item, QDate today, int kind, int type)
{
    Outcome out;
    m_end = today;
    m_tolerance = kDefaultTolerance;
    m_allRecords = false;
    m_item = item;
    switch (item) {
    case Day: m_begin = m_end.addDays(-1); break;
    case Week: m_begin = m_end.addDays(-7); break;
    case Decade: m_begin = m_end.addDays(-10); break;
    case WorkWeek: {
        const QDate monday = today.addDays(1 - today.dayOfWeek());
        m_begin = monday.addDays(-7);
        m_end = monday.addDays(-1);
        break;
    }
    case Month: {
        // At least one average month of 30.4375 days back.
        QDate b = m_end.addDays(-27);
        while (b.daysTo(m_end) / 30.4375 < 1.0)
            b = b.addDays(-1);
        m_begin = b;
        break;
    }
    case PrevMonth:
        m_end = QDate(today.year(), today.month(), 1).addDays(-1);
        m_begin = QDate(m_end.year(), m_end.month(), 1);
        break;
    case WholeArchive: {
        m_tolerance = qint32(std::lround((dateToScale(today) - double(kDayNumberOffset)) * 24.0));
        int days = 0, hourlyDays = 0;
        if (!wholeArchiveSpan(type, days, hourlyDays)) {
            out.statusFail = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
            break;
        }
        m_begin = (kind == 0 || kind == 1) ? m_end.addDays(-days) : m_end.addDays(-hourlyDays - 1);
        break;
    }
    case AllRecords:
        m_allRecords = true;
        break;
    default:
        out.message = QStringLiteral("TFpim.RGdtpClick:RGdtp.ItemIndex erundec: ") + QString::number(item);
        break;
    }
    return out;
}

void ArchiveRange::setBegin(QDate d)
{
    m_begin = d;
    m_tolerance = kDefaultTolerance;
    m_allRecords = false;
}

void ArchiveRange::setEnd(QDate d)
{
    m_end = d;
    m_tolerance = kDefaultTolerance;
    m_allRecords = false;
}

bool ArchiveRange::setWhole(const QList<int> &days)
{
    if (days.isEmpty())
        return false;
    // As if the operator had set both pickers.
    setBegin(dayNumberToDate(days.last()));
    setEnd(dayNumberToDate(days.first()));
    return true;
}

void ArchiveRange::normalise()
{
    if (m_begin > m_end)
        m_begin = m_end;
}

bool ArchiveRange::inFilter(int dayNumber, QDate begin, QDate end, qint64 tolerance)
{
    const qint64 d = (qint64(dayNumber) + kDayNumberOffset) * 24;
    const qint64 b = qint64(dateToScale(begin)) * 24 - tolerance;
    const qint64 e = qint64(dateToScale(end)) * 24 + tolerance;
    return b <= d && d <= e;
}

} // namespace pim
