#include "base/Dates.h"

#include <gtest/gtest.h>

using namespace pim;

TEST(Dates, DayNumbersAndTheScale)
{
    EXPECT_EQ(dayNumberToDate(1), QDate(2000, 1, 1));
    EXPECT_EQ(dayNumberToDate(-36525), QDate(1899, 12, 30));
    EXPECT_EQ(dateToScale(QDate(2000, 1, 1)), 36526);
    EXPECT_EQ(dateToDayNumber(QDate(2024, 2, 29)), 8826);
    EXPECT_EQ(scaleToDateTime(36526.25), QDateTime(QDate(2000, 1, 1), QTime(6, 0)));
    EXPECT_DOUBLE_EQ(dateTimeToScale(QDateTime(QDate(2000, 1, 1), QTime(18, 0))), 36526.75);
}

TEST(Dates, Patterns)
{
    const FormatSettings fs = FormatSettings::russian();
    const QDateTime dt(QDate(2024, 3, 7), QTime(9, 5, 4));
    const std::vector<std::pair<const char *, const char *>> cases = {
        {"dd\".\"mm\".\"yy", "07.03.24"},
        {"d.m.yyyy", "7.3.2024"},
        {"hh:mm:ss", "09:05:04"},   // "mm" after "hh" is minutes
        {"h:nn", "9:05"},
        {"dd mmmm yyyy", "07 Март 2024"},
        {"'день' d", "день 7"},
        {"ddddd", "07.03.2024"},
        {"dd/mm/yy", "07.03.24"},
        {"\"незакрытая", "незакрытая"},
    };
    for (const auto &[p, expected] : cases)
        EXPECT_EQ(formatDateTime(QString::fromUtf8(p), dt, fs).toStdString(), expected) << p;
    FormatSettings named = fs;
    named.shortMonthNames[2] = QStringLiteral("мар");
    EXPECT_EQ(formatDateTime(u"dd mmm", dt, named), QStringLiteral("07 мар"));
}

TEST(Dates, DayNumbersPrintedWithAPattern)
{
    const FormatSettings fs = FormatSettings::russian();
    const auto show = [&](int dayNumber) {
        return formatDateTime(u"dd\".\"mm\".\"yy", double(dayNumber + kDayNumberOffset), fs);
    };
    EXPECT_EQ(show(1), QStringLiteral("01.01.00"));
    EXPECT_EQ(show(-36525), QStringLiteral("30.12.99"));
    EXPECT_EQ(shortDateText(QDate(2000, 1, 1), fs), QStringLiteral("01.01.2000"));
}
