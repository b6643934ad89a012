// Displayed archives: date filter, differences, totals records and rows,
// average temperatures.

#include "devices/ArhCodec.h"
#include "devices/support/ArhFixture.h"

using namespace pim;
using namespace pim::test;

namespace {

class ArhBuild : public ArhTestBase {};

const int kDay = 8771; // 5 January 2024
const QDate kDate(2024, 1, 5);

// One half of a two-system record, written at the offsets of Tarh228/229
// (176 bytes) or Tarh234/238 (232 bytes).
struct Half {
    double heat = 0, v1 = 0, v2 = 0, v3 = 0;
    double t1 = 0, t2 = 0, t3 = 0, p1 = 0, p2 = 0;
    int hours = 0, hoursErr = 0, errMin = 0, sysErr = 0, devErr = 0;
};

ArhRec two(int halfSize, int day, const Half &s1, const Half &s2 = Half())
{
    const bool big = halfSize == 232;
    ArhImage m(halfSize, 2);
    const Half *h[2] = {&s1, &s2};
    for (int s = 0; s < 2; ++s) {
        m.i32(s, 0, h[s]->hours).i32(s, 4, h[s]->hoursErr).f64(s, 8, h[s]->heat);
        m.f64(s, 16, h[s]->v1).f64(s, 24, h[s]->v2).f64(s, 32, h[s]->v3);
        m.f64(s, big ? 128 : 80, h[s]->t1).f64(s, big ? 136 : 88, h[s]->t2).f64(s, big ? 144 : 96, h[s]->t3);
        m.f64(s, big ? 152 : 104, h[s]->p1).f64(s, big ? 160 : 112, h[s]->p2);
        m.i32(s, big ? 168 : 120, h[s]->errMin);
        m.i32(s, big ? 216 : 160, h[s]->sysErr).i32(s, big ? 220 : 164, h[s]->devErr);
        m.i32(s, big ? 228 : 172, day);
    }
    ArhRec r(halfSize, 2);
    r.setHalf(0, m.half(0));
    r.setHalf(1, m.half(1));
    return r;
}

bool clean(const QStringList &rows)
{
    for (const QString &r : rows) {
        if (r.contains(QLatin1String("nan"), Qt::CaseInsensitive) || r.contains(QLatin1String("inf"), Qt::CaseInsensitive))
            return false;
    }
    return true;
}

} // namespace

TEST_F(ArhBuild, DifferentialTabOverThreeRecords)
{
    auto codec = makeArhCodec(ModuleId::U29);
    Half a{.heat = 30, .v1 = 300, .v2 = 290, .t1 = 70, .t2 = 40, .p1 = 5, .p2 = 3,
           .hours = 72, .hoursErr = 2, .errMin = 30, .sysErr = 1};
    Half b{.heat = 20, .v1 = 200, .v2 = 190, .t1 = 60, .t2 = 30, .p1 = 4, .p2 = 2,
           .hours = 48, .hoursErr = 1, .errMin = 1500, .sysErr = 4, .devErr = 8};
    Half c{.heat = 5, .v1 = 50, .v2 = 40, .t1 = 50, .t2 = 20, .p1 = 3, .p2 = 1, .hours = 24};
    const QList<ArhRec> read = {two(176, kDay, a), two(176, kDay - 1, b), two(176, kDay - 2, c)};

    codec->BuildArh(read, ArhDailyDiff, kDate.addDays(-2), kDate);
    ASSERT_EQ(codec->displayed().size(), 3);
    const QStringList rows = codec->viewRows(ArhDailyDiff, 0);
    ASSERT_EQ(rows.size(), 5);
    // Newest first: the differences, temperatures and pressures of the newer record.
    EXPECT_EQ(rows[2],
              "05 января 2024г.\t0\t10.00\t100.00\t100.00\t0.00\t70.00\t40.00\t0.00\t5.00\t3.00\t1\t0\t24\t1\t8771\t"
              "0\t0.00\t0.00\t0.00\t0.00\t00:30\t0\t0\t0\t0.00\t0.00\t0.00\t");
    EXPECT_TRUE(rows[3].startsWith("04 января 2024г.\t0\t15.00\t150.00\t150.00\t0.00\t60.00\t30.00\t"));
    // Volume-weighted temperatures (100 x 70 + 150 x 60) / 250 and (100 x 40
    // + 150 x 30) / 250; pressures averaged over the two summed records;
    // error codes ORed; 1530 minutes with error as days, hours, minutes.
    EXPECT_EQ(rows[4],
              "ИТОГО(2):\t2\t25.00\t250.00\t250.00\t0.00\t64.00\t34.00\t0.00\t4.50\t2.50\t5\t8\t48\t2\t-36525\t"
              "0\t0.00\t0.00\t0.00\t0.00\t1дн01:30\t0\t0\t0\t0.00\t0.00\t0.00\t");
    // The second system is totalled on its own.
    EXPECT_TRUE(codec->viewRows(ArhDailyDiff, 1).last().startsWith("ИТОГО(2):\t2\t0.00\t"));
    EXPECT_EQ(codec->day(codec->displayed().last(), 1), kArhNoDay);

    // The same records cumulative, and a range that cuts the oldest one off.
    codec->BuildArh(read, ArhDaily, kDate.addDays(-1), kDate);
    ASSERT_EQ(codec->displayed().size(), 2);
    EXPECT_EQ(codec->displayed()[1], read[1]);
    codec->BuildArh(read, ArhDaily, kDate.addDays(5), kDate.addDays(6), true);
    EXPECT_EQ(codec->displayed(), read);
}

TEST_F(ArhBuild, RangeWithoutRecordsBuildsNothing)
{
    auto codec = makeArhCodec(ModuleId::U38);
    const QList<ArhRec> read = {two(232, kDay, Half{.heat = 2}), two(232, kDay - 1, Half{.heat = 1})};
    for (int kind : {ArhDaily, ArhDailyDiff, ArhHourlyDiff}) {
        codec->BuildArh(read, kind, kDate.addDays(1), kDate.addDays(3));
        EXPECT_TRUE(codec->displayed().isEmpty());
        const QStringList rows = codec->viewRows(kind, 1);
        ASSERT_EQ(rows.size(), 3);
        EXPECT_EQ(rows[2], QString("нет данных\t").repeated(28));
    }
}

TEST_F(ArhBuild, SingleRecordTotalsShowZeroPressures)
{
    auto codec = makeArhCodec(ModuleId::U38);
    const QList<ArhRec> read = {two(232, kDay, Half{.heat = 9, .v1 = 3, .t1 = 70, .p1 = 6, .p2 = 4})};
    codec->BuildArh(read, ArhHourlyDiff, kDate, kDate);
    ASSERT_EQ(codec->displayed().size(), 1);
    const QStringList rows = codec->viewRows(ArhHourlyDiff, 0);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[2].startsWith("ИТОГО(0):\t0\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0\t0\t"));
    EXPECT_TRUE(clean(rows));
    EXPECT_EQ(codec->value(codec->displayed()[0], 0, ArhField::Pressure1), 0.0);
    EXPECT_EQ(codec->averageTemperature(0, 0), 0.0);
}

TEST_F(ArhBuild, TotalsTemperatureOfFilteringAndWeighingModules)
{
    // 10 m3 at 70 degrees and 10 m3 with a faulty 0: U29, U34 and U38 leave
    // the faulty record out of both sides of the quotient; U28 weighs it in.
    // The volume cell shows the full sum either way.
    struct Case {
        ModuleId id;
        int halfSize;
        const char *t1;
    };
    const Case cases[] = {
        {ModuleId::U29, 176, "70.00"},
        {ModuleId::U34, 232, "70.00"},
        {ModuleId::U38, 232, "70.00"},
        {ModuleId::U28, 176, "35.00"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.t1);
        auto codec = makeArhCodec(c.id);
        const QList<ArhRec> read = {two(c.halfSize, kDay, Half{.v1 = 20, .t1 = 70}),
                                    two(c.halfSize, kDay - 1, Half{.v1 = 10, .t1 = 0}),
                                    two(c.halfSize, kDay - 2, Half{.v1 = 0, .t1 = 60})};
        codec->BuildArh(read, ArhDailyDiff, kDate.addDays(-2), kDate);
        const QStringList cells = codec->viewRows(ArhDailyDiff, 0).last().split('\t');
        ASSERT_GE(cells.size(), 7);
        EXPECT_EQ(cells[3], "20.00");
        EXPECT_EQ(cells[6], QString::fromLatin1(c.t1));
    }
}

TEST_F(ArhBuild, AveragesLeaveOutZeroAndFrom150)
{
    auto codec = makeArhCodec(ModuleId::U34);
    const double t1[] = {70, 0, 150, 60, 99};   // the last is the totals place
    const double t2[] = {149.5, 151, -5, 0.5, 1};
    QList<ArhRec> read;
    for (int i = 0; i < 5; ++i)
        read.append(two(232, kDay - i, Half{.t1 = t1[i], .t2 = t2[i]}, Half{.t1 = 40}));
    codec->BuildArh(read, ArhDailyDiff, kDate.addDays(-4), kDate);
    EXPECT_DOUBLE_EQ(codec->averageTemperature(0, 0), 65.0);
    EXPECT_DOUBLE_EQ(codec->averageTemperature(0, 1), 75.0);
    EXPECT_DOUBLE_EQ(codec->averageTemperature(0, 2), 0.0);
    EXPECT_DOUBLE_EQ(codec->averageTemperature(1, 0), 40.0);

    // They stay those of the last differential build: a cumulative build
    // (printing its tab reads them) keeps them, a differential one over an
    // empty range has none.
    codec->BuildArh(read, ArhDaily, kDate.addDays(-4), kDate);
    EXPECT_DOUBLE_EQ(codec->averageTemperature(0, 0), 65.0);
    EXPECT_DOUBLE_EQ(codec->averageTemperature(1, 0), 40.0);
    codec->BuildArh(read, ArhHourlyDiff, kDate.addDays(1), kDate.addDays(2));
    EXPECT_DOUBLE_EQ(codec->averageTemperature(0, 0), 0.0);

    // U28 keeps no averages.
    auto u28 = makeArhCodec(ModuleId::U28);
    QList<ArhRec> read28 = {two(176, kDay, Half{.t1 = 70}), two(176, kDay - 1, Half{.t1 = 70})};
    u28->BuildArh(read28, ArhDailyDiff, kDate.addDays(-1), kDate);
    EXPECT_EQ(u28->averageTemperature(0, 0), 0.0);
}

namespace {

ArhRec rec225(int day, double heat, double v1, double e1, double overT, int t1, int err)
{
    ArhImage m(96);
    m.f64(0, 8, heat).f64(0, 16, v1).f64(0, 40, overT).f64(0, 48, e1);
    m.i32(0, 64, t1).i32(0, 76, err).i32(0, 80, 3).i32(0, 88, day);
    ArhRec r(96, 1);
    r.setHalf(0, m.bytes());
    return r;
}

ArhRec rec227(int day, double vHot, double v3, int t3)
{
    ArhImage m(80);
    m.f64(0, 32, vHot).f64(0, 40, v3).i32(0, 56, t3).i32(0, 72, day);
    ArhRec r(80, 1);
    r.setHalf(0, m.bytes());
    return r;
}

} // namespace

TEST_F(ArhBuild, SingleSystemTotalsInHundredths)
{
    auto codec = makeArhCodec(ModuleId::U25);
    // Differences: 1 m3 at 70.00 and 2 m3 at 60.01 give 63.34 (6334
    // hundredths, rounded); the volume above the set temperature keeps the
    // newer value; energy is a difference; error codes ORed.
    const QList<ArhRec> read = {rec225(kDay, 10, 13, 50, 7.5, 7000, 1), rec225(kDay - 1, 6, 12, 20, 6.5, 6001, 2),
                                rec225(kDay - 2, 1, 10, 5, 5.5, 0, 0)};
    codec->BuildArh(read, ArhDailyDiff, kDate.addDays(-2), kDate);
    const QStringList rows = codec->viewRows(ArhDailyDiff, 0);
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[2], "05 января 2024г.\t0\t4.00\t1.00\t0.00\t0.00\t7.50\t70.00\t0.00\t0.00\t30.00\t0.00\t1\t0\t0\t3\t8771\t");
    EXPECT_EQ(rows[4], "ИТОГО(2):\t2\t9.00\t3.00\t0.00\t0.00\t0.00\t63.34\t0.00\t0.00\t45.00\t0.00\t3\t0\t0\t6\t-36525\t");

    // U27: the hot-water temperature is weighted by the hot-water volume,
    // and its fourth volume is a difference too.
    auto u27 = makeArhCodec(ModuleId::U27);
    const QList<ArhRec> read27 = {rec227(kDay, 5, 40, 5000), rec227(kDay - 1, 4, 30, 4000),
                                  rec227(kDay - 2, 1, 10, 0)};
    u27->BuildArh(read27, ArhHourlyDiff, kDate.addDays(-2), kDate);
    const QStringList cells = u27->viewRows(ArhHourlyDiff, 0).last().split('\t');
    ASSERT_GE(cells.size(), 10);
    EXPECT_EQ(cells[5], "4.00");  // hot-water volume 1 + 3
    EXPECT_EQ(cells[6], "30.00"); // volume 3: 10 + 20
    EXPECT_EQ(cells[9], "42.50"); // (1 x 50 + 3 x 40) / 4
}

TEST_F(ArhBuild, SingleSystemTotalsTemperatureHalvesGoToEven)
{
    // Two difference records of 1 m3 each: the mean of the two hundredths
    // is a half, rounded to the even neighbour.
    struct Case {
        int t1, t2;
        const char *cell;
    };
    const Case cases[] = {{7000, 7001, "70.00"}, {7001, 7002, "70.02"}, {6999, 7002, "70.00"}};
    auto codec = makeArhCodec(ModuleId::U25);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.cell);
        const QList<ArhRec> read = {rec225(kDay, 0, 12, 0, 0, c.t1, 0), rec225(kDay - 1, 0, 11, 0, 0, c.t2, 0),
                                    rec225(kDay - 2, 0, 10, 0, 0, 0, 0)};
        codec->BuildArh(read, ArhDailyDiff, kDate.addDays(-2), kDate);
        const QStringList cells = codec->viewRows(ArhDailyDiff, 0).last().split('\t');
        ASSERT_GE(cells.size(), 8);
        EXPECT_EQ(cells[3], "2.00");
        EXPECT_EQ(cells[7], QString::fromLatin1(c.cell));
    }
}
