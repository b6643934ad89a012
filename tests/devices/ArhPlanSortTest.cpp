// Request plans (record numbers, request bytes, expected dates) and the
// ordering of read records.

#include "devices/ArhCodec.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "devices/support/ArhFixture.h"

#include <QRandomGenerator>

using namespace pim;
using namespace pim::test;

namespace {

class ArhPlan : public ArhTestBase {};
class ArhSort : public ArhTestBase {};

const QDateTime kNow(QDate(2024, 1, 5), QTime(1, 30));
const int kToday = 8771; // 5 January 2024

} // namespace

TEST_F(ArhPlan, RequestBytesOfRecordNumbers)
{
    struct Case {
        ModuleId id;
        int kind;
        int current;
        int lo, hi;
        int entries;
    };
    const Case cases[] = {
        {ModuleId::U38, ArhDaily, 5, 5, 128, 4401},
        {ModuleId::U38, ArhHourlyDiff, 5, 5, 0, 3601},
        {ModuleId::U38, ArhDailyDiff, 300, 44, 129, 4401},
        {ModuleId::U38, ArhDaily, 4400, 0x30, 128 + 0x11, 4401},
        {ModuleId::U34, ArhHourly, 1080, 0x38, 4, 1081},
        {ModuleId::U34, ArhDaily, 365, 0x6D, 129, 366},
        {ModuleId::U29, ArhDaily, 61, 61, 128, 62},
        {ModuleId::U28, ArhHourly, 959, 0xBF, 3, 960},
        {ModuleId::U25, ArhDaily, 127, 127, 128, 128},
        {ModuleId::U27, ArhHourly, 1023, 0xFF, 3, 1024},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.current);
        auto codec = makeArhCodec(c.id);
        EXPECT_EQ(codec->PlanArh(c.kind, c.current, kNow), c.entries);
        ASSERT_EQ(codec->plan().size(), c.entries);
        EXPECT_EQ(codec->plan()[0].lo, c.lo);
        EXPECT_EQ(codec->plan()[0].hi, c.hi);
        EXPECT_EQ(codec->plan()[0].request(), (Tab{c.lo, c.hi}));
        EXPECT_EQ(codec->plan()[0].number(), c.current);
    }
}

TEST_F(ArhPlan, RingOrderAndExpectedDates)
{
    auto codec = makeArhCodec(ModuleId::U29);
    // Newest in slot 0: 0, 61, 60, ..., 1; one day back per entry.
    codec->PlanArh(ArhDaily, 0, kNow);
    const auto &p = codec->plan();
    ASSERT_EQ(p.size(), 62);
    EXPECT_EQ(p[0].number(), 0);
    EXPECT_EQ(p[1].number(), 61);
    EXPECT_EQ(p[2].number(), 60);
    EXPECT_EQ(p[61].number(), 1);
    for (int i = 0; i < p.size(); ++i) {
        EXPECT_EQ(p[i].day, kToday - i);
        EXPECT_EQ(p[i].hour, 0);
        EXPECT_EQ(p[i].hi & 0x80, 0x80);
    }

    // Slot 10 newest in the hourly ring of 960: 10..0, then 959 down to 11;
    // hours from 01 today back over midnight.
    codec->PlanArh(ArhHourly, 10, kNow);
    const auto &h = codec->plan();
    ASSERT_EQ(h.size(), 960);
    EXPECT_EQ(h[10].number(), 0);
    EXPECT_EQ(h[11].number(), 959);
    EXPECT_EQ(h[959].number(), 11);
    EXPECT_EQ(std::pair(h[0].day, h[0].hour), std::pair(kToday, 1));
    EXPECT_EQ(std::pair(h[1].day, h[1].hour), std::pair(kToday, 0));
    EXPECT_EQ(std::pair(h[2].day, h[2].hour), std::pair(kToday - 1, 23));
    EXPECT_EQ(std::pair(h[26].day, h[26].hour), std::pair(kToday - 2, 23));
    EXPECT_EQ(h[5].hi & 0x80, 0);

    // No newest record (-1) or a slot the ring cannot hold: start at the top.
    for (int current : {-1, 62, -7}) {
        codec->PlanArh(ArhDaily, current, kNow);
        EXPECT_EQ(codec->plan()[0].number(), 61);
        EXPECT_EQ(codec->plan()[61].number(), 0);
    }
}

namespace {

// Records of U29 with a day and a marker (operating hours) to follow them.
ArhRec rec229(int day, int marker)
{
    ArhImage m(176, 2);
    m.i32(0, 172, day).i32(1, 172, day).i32(0, 0, marker);
    ArhRec r(176, 2);
    r.setHalf(0, m.half(0));
    r.setHalf(1, m.half(1));
    return r;
}

// The classic exchange sort, as the reference for the count and the order.
int bubble(QList<ArhRec> &a)
{
    int n = 0;
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int i = 1; i < a.size(); ++i) {
            if (a[i - 1].i32(0, 172) < a[i].i32(0, 172)) {
                a.swapItemsAt(i - 1, i);
                ++n;
                swapped = true;
            }
        }
    }
    return n;
}

QList<int> markers(const QList<ArhRec> &a)
{
    QList<int> m;
    for (const ArhRec &r : a)
        m.append(r.i32(0, 0));
    return m;
}

} // namespace

TEST_F(ArhSort, SortedInputMakesNoExchange)
{
    auto codec = makeArhCodec(ModuleId::U29);
    QList<ArhRec> a = {rec229(10, 1), rec229(9, 2), rec229(9, 3), rec229(kArhNoDay, 4)};
    const QList<ArhRec> before = a;
    EXPECT_EQ(codec->SortArh(a), 0);
    EXPECT_EQ(a, before);
    QList<ArhRec> none;
    EXPECT_EQ(codec->SortArh(none), 0);
}

TEST_F(ArhSort, CountAndOrderEqualTheExchangeSort)
{
    auto codec = makeArhCodec(ModuleId::U29);
    QRandomGenerator rng(4711);
    for (int round = 0; round < 200; ++round) {
        QList<ArhRec> a;
        const int n = rng.bounded(0, 40);
        for (int i = 0; i < n; ++i) // few distinct days: many equal ones
            a.append(rec229(rng.bounded(-3, 6), i));
        QList<ArhRec> expected = a;
        const int count = bubble(expected);
        EXPECT_EQ(codec->SortArh(a), count);
        EXPECT_EQ(markers(a), markers(expected));
    }
}

TEST_F(ArhSort, DeepestArchiveReversed)
{
    auto codec = makeArhCodec(ModuleId::U38);
    QList<ArhRec> a;
    for (int i = 0; i < 4401; ++i) {
        ArhRec r = codec->emptyRecord();
        r.setI32(0, 228, i);
        r.setI32(0, 0, i);
        a.append(r);
    }
    EXPECT_EQ(codec->SortArh(a), 4401 * 4400 / 2);
    for (int i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i].i32(0, 228), 4400 - i);
}

TEST_F(ArhPlan, CodecConstantsAgreeWithTheRegistry)
{
    for (const TypeInfo &t : typeList()) {
        SCOPED_TRACE(t.type);
        DeviceSession session;
        DeviceModule *m = session.moduleFor(t.type);
        ASSERT_NE(m, nullptr);
        ArhCodec *codec = m->arh();
        if (!t.hasArchive()) {
            EXPECT_EQ(codec, nullptr);
            continue;
        }
        ASSERT_NE(codec, nullptr);
        EXPECT_EQ(codec->replyLength(), t.arhLength);
        EXPECT_EQ(codec->recordSize(), t.arhRecordSize);
        EXPECT_EQ(codec->highestNumber(ArhDaily), t.dailyMax);
        EXPECT_EQ(codec->highestNumber(ArhHourly), t.hourlyMax);
        EXPECT_EQ(codec->PlanArh(ArhDailyDiff, 0, kNow), t.dailyEntries);
        EXPECT_EQ(codec->PlanArh(ArhHourlyDiff, 0, kNow), t.hourlyEntries);
        // 230, 235, 237 and 239 keep two-system records and use system 1.
        const bool single = t.module == ModuleId::U25 || t.module == ModuleId::U27;
        EXPECT_EQ(codec->halves(), single ? 1 : 2);
    }
}
