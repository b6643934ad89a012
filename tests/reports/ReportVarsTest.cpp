// Filling template lines: the values of every module's numbering, the
// system half, the averages, dates, and the token rules.

#include "ReportFixtures.h"

#include "base/FormatSettings.h"
#include "reports/FillVars.h"
#include "reports/PrintForms.h"

#include <gtest/gtest.h>

using namespace pim;
using namespace reporttest;

namespace {

FillContext context(int system = 1)
{
    FillContext c;
    c.typeText = QStringLiteral("ПИМ-238");
    c.numberText = QStringLiteral("12");
    c.today = QDate(2026, 11, 30);
    c.system = system;
    c.begin = QDate(2026, 11, 1);
    c.end = QDate(2026, 11, 30);
    c.archiveTitle = QStringLiteral("Архив часовой накопительный");
    return c;
}

class ReportVars : public ::testing::Test {
protected:
    void SetUp() override
    {
        FormatSettings fs = FormatSettings::russian();
        fs.decimalSeparator = QLatin1Char('.');
        setFormatSettings(fs);
    }
    DeviceSession session;
};

} // namespace

// Type 238 on "ЧАС 2-Я": the system number and every value come from the
// second half; the averages are system 2's of the last differential build.
TEST_F(ReportVars, SecondSystemTakesItsHalfAndItsAverages)
{
    ArhCodec &c = *session.moduleFor(238)->arh();
    showSeries(c, ArhHourlyDiff, 3); // the averages: differences of hours 2 and 1
    showSeries(c, ArhHourly, 3);
    const VarFiller f(c, defaultVarList(VarList::Full), context(2));
    const ArhRec &rec = c.displayed().first(); // hour 2
    EXPECT_EQ(f.fill(QStringLiteral("@03|@07|@12|@15|@18|@20|@22"), rec, 1),
              QStringLiteral("2|305.0                    |      94.0|      32.0|02:00|03:00|0дн03:00"));
    EXPECT_EQ(f.fill(QStringLiteral("@37|@38|@40"), rec, 1), QStringLiteral("      93.0|      61.5|      31.5"));
    EXPECT_EQ(f.fill(QStringLiteral("@03|@37"), rec, 0), QStringLiteral("2|      73.0"));
}

// The single-system types of the two-system modules print system 1.
TEST_F(ReportVars, SingleSystemTabPrintsSystemOne)
{
    ArhCodec &c = *session.moduleFor(239)->arh();
    showSeries(c, ArhHourly, 2);
    const VarFiller f(c, defaultVarList(VarList::Short), context(1));
    EXPECT_EQ(f.fill(QStringLiteral("@03 @06 @18 @07"), c.displayed().first(), 0),
              QStringLiteral("1 31/10 :01 102.5                    "));
}

// The own numberings of U25 and U27: hot water and the fourth flowmeter,
// temperatures in hundredths, the error periods, the word of the totals.
TEST_F(ReportVars, OwnNumberingsOfTheOlderModules)
{
    struct Case {
        int type;
        VarList list;
        const char *line;
        const char *expected;
    } cases[] = {
        {227, VarList::U27, "@09|@10|@12|@15|@16|@18|@19|@20", "      73.0|      51.0|      72.0|      21.0|:00|01:30|итого:|0дн01:30"},
        {225, VarList::U25, "@09|@10|@11|@13|@18|@20|@21|@23", "      51.0|      21.0|     102.0|      51.0|:00|01:30|итого:|"},
    };
    for (const Case &k : cases) {
        ArhCodec &c = *session.moduleFor(k.type)->arh();
        showSeries(c, ArhDaily, 3);
        const VarFiller f(c, defaultVarList(k.list), context());
        // The records are newest first: entry 1 is the second day.
        EXPECT_EQ(f.fill(QString::fromUtf8(k.line), c.displayed()[1], 0), QString::fromUtf8(k.expected)) << k.type;
    }
}

// Dates: the day number + 36525 printed with the entry's pattern; the
// totals record's day −36525 reads 30.12.99.
TEST_F(ReportVars, DatesByPattern)
{
    ArhCodec &c = *session.moduleFor(238)->arh();
    ArhRec r = c.emptyRecord();
    struct Case {
        int day;
        const char *entry;
        const char *expected;
    } cases[] = {
        {1, "06.dd\"/\"mm~", "01/01"},
        {1, "06.dd\".\"mm\".\"yy~", "01.01.00"},
        {kArhNoDay, "06.dd\".\"mm\".\"yy~", "30.12.99"},
    };
    for (const Case &k : cases) {
        QStringList vars = defaultVarList(VarList::Full);
        vars[6] = QString::fromUtf8(k.entry);
        c.setValue(r, 0, ArhField::Date, k.day);
        EXPECT_EQ(VarFiller(c, vars, context()).fill(QStringLiteral("@06"), r, 0), QString::fromUtf8(k.expected));
    }
}

// Tokens and formats the operator may get wrong never crash and never loop.
TEST_F(ReportVars, TokenAndFormatRules)
{
    ArhCodec &c = *session.moduleFor(238)->arh();
    showSeries(c, ArhDaily, 1);
    const ArhRec &rec = c.displayed().first();
    QStringList vars = defaultVarList(VarList::Full);
    vars[26] = QStringLiteral("26.%d~heat of the period as %d");
    vars[9] = QStringLiteral("09.%s~a text format for a real");
    vars[10] = QStringLiteral("10.%d %d~two for one");
    vars[11] = QStringLiteral("11.no directive~");
    FillContext ctx = context(0);
    ctx.numberText = QStringLiteral("@07@");
    c.setValue(c.displayed().first(), 0, ArhField::PeriodHeat, 12.6);
    const VarFiller f(c, vars, ctx);
    struct Case {
        const char *line;
        const char *expected;
    } cases[] = {
        {"a@5xb", "ab"},          // not a number: the two characters go with the "@"
        {"a@5", "aАрхив часовой накопительный"}, // "@5" at the end is @05
        {"a@41b@99c", "abc"},     // past the end of the list: nothing
        {"@", ""},
        {"[@01]", "[@07@]"},      // an inserted "@" is printed as it is
        {"@03", ""},              // no archive tab: no system number
        {"@26", "13"},            // "%d" of a real: the rounded number
        {"@09|@10", "?формат|?формат"},
        {"@11", "no directive"},
        {"@21", "Итого:"},
    };
    for (const Case &k : cases)
        EXPECT_EQ(f.fill(QString::fromUtf8(k.line), rec, 0), QString::fromUtf8(k.expected)) << k.line;
}

// @04 and @05 tell a device archive from a file.
TEST_F(ReportVars, RangeAndTitleOfDeviceAndFile)
{
    ArhCodec &c = *session.moduleFor(238)->arh();
    FillContext ctx = context();
    const ArhRec r = c.emptyRecord();
    EXPECT_EQ(VarFiller(c, defaultVarList(VarList::Full), ctx).fill(QStringLiteral("@04|@05"), r, 0),
              QStringLiteral("от 01.11.2026 до 30.11.2026|Архив часовой накопительный"));
    ctx.fromDevice = false;
    ctx.filePath = QStringLiteral("/a/") + QStringLiteral("b").repeated(70) + QStringLiteral("/x.Arh");
    EXPECT_EQ(VarFiller(c, defaultVarList(VarList::Full), ctx).fill(QStringLiteral("@04|@05"), r, 0),
              QStringLiteral("|Файл: /a/") + QStringLiteral("b").repeated(57) + QStringLiteral("/.../x.Arh"));
}
