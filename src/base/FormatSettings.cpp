#include "base/FormatSettings.h"

#include <QLocale>

namespace pim {
namespace {

FormatSettings &current()
{
    static FormatSettings s = FormatSettings::fromSystem();
    return s;
}

// Qt date pattern ("dd.MM.yyyy") to the program's pattern syntax ("dd.mm.yyyy").
QString fromQtDatePattern(const QString &qt)
{
    QString out;
    bool quoted = false;
    for (QChar c : qt) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('M'))
            out += QLatin1Char('m');
        else if (!quoted && c == QLatin1Char('m'))
            out += QLatin1Char('n');
        else
            out += c;
    }
    return out;
}

} // namespace

FormatSettings FormatSettings::russian()
{
    FormatSettings s;
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    for (int m = 1; m <= 12; ++m) {
        s.shortMonthNames << ru.standaloneMonthName(m, QLocale::ShortFormat);
        QString name = ru.standaloneMonthName(m, QLocale::LongFormat);
        if (!name.isEmpty())
            name[0] = name[0].toUpper();
        s.longMonthNames << name;
    }
    for (int d = 0; d < 7; ++d) {
        const int qd = d == 0 ? 7 : d;
        s.shortDayNames << ru.dayName(qd, QLocale::ShortFormat);
        s.longDayNames << ru.dayName(qd, QLocale::LongFormat);
    }
    return s;
}

FormatSettings FormatSettings::fromSystem()
{
    const QLocale sys = QLocale::system();
    if (sys.language() == QLocale::C)
        return russian();
    FormatSettings s;
    s.decimalSeparator = sys.decimalPoint().at(0);
    s.thousandSeparator = sys.groupSeparator().isEmpty() ? QChar(' ') : sys.groupSeparator().at(0);
    s.shortDateFormat = fromQtDatePattern(sys.dateFormat(QLocale::ShortFormat));
    for (QChar c : s.shortDateFormat)
        if (!c.isLetter()) {
            s.dateSeparator = c;
            break;
        }
    for (int m = 1; m <= 12; ++m) {
        s.shortMonthNames << sys.standaloneMonthName(m, QLocale::ShortFormat);
        QString name = sys.standaloneMonthName(m, QLocale::LongFormat);
        if (!name.isEmpty())
            name[0] = name[0].toUpper();
        s.longMonthNames << name;
    }
    for (int d = 0; d < 7; ++d) {
        const int qd = d == 0 ? 7 : d;
        s.shortDayNames << sys.dayName(qd, QLocale::ShortFormat);
        s.longDayNames << sys.dayName(qd, QLocale::LongFormat);
    }
    s.currencyString = sys.currencySymbol();
    return s;
}

const FormatSettings &formatSettings()
{
    return current();
}

void setFormatSettings(const FormatSettings &s)
{
    current() = s;
}

} // namespace pim
