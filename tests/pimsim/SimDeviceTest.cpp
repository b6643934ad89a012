// The simulated device driven in-process with a fixed clock: every reply is
// checked with the protocol layer's own checks and against the frame
// layouts, so a slip in the simulator shows as a mismatch here.

#include "LineModel.h"
#include "devices/Registry.h"
#include "Modem.h"
#include "SimDevice.h"

#include "base/Dates.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pimsim;
using pim::Tab;

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(12, 30));

struct Bench {
    explicit Bench(int type, int number = 0x1234, DeviceOptions o = {})
    {
        o.type = type;
        o.number = number;
        id = pim::Identity{type, number};
        dev = std::make_unique<SimDevice>(o, [this] { return now; });
    }
    Tab ask(int code, const Tab &data = Tab()) { return raw(pim::SQ(id, code, data)); }
    Tab raw(const Tab &request) { return Tab::fromBytes(dev->handle(request.bytes())); }

    QDateTime now = kNow;
    pim::Identity id;
    std::unique_ptr<SimDevice> dev;
};

// Offsets of the record date (u16) and hour (u8) in an archive reply.
struct StampAt {
    int date, hour;
};

StampAt stampOf(int type)
{
    switch (type) {
    case 225: return {46, 45};
    case 227: return {38, 37};
    case 228: case 229: case 230: return {161, 160};
    default: return {215, 214};
    }
}

int dailyNumber(int type, const Tab &arhNo)
{
    return type >= 234 ? pim::GetW(arhNo, 7) : arhNo.at(7);
}

Tab slotRequest(int slot, bool daily)
{
    return Tab{slot & 0xFF, (slot >> 8) + (daily ? 0x80 : 0)};
}

} // namespace

TEST(SimDevice, EveryTypeAnswersIdentityStateConfigurationAndArchiveAsTheChecksExpect)
{
    for (int type : pim::ServedTypes()) {
        SCOPED_TRACE(type);
        Bench b(type);
        int number = -1, gotType = -1;
        EXPECT_EQ(pim::DecNoTu(b.raw(pim::IdentityTemplate()), number, gotType), QString());
        EXPECT_EQ(number, 0x1234);
        EXPECT_EQ(gotType, type);

        EXPECT_EQ(pim::TestAnswer(b.ask(pim::Q_State), pim::replyLength(type, 1), 1, b.id), QString());
        if (pim::replyLength(type, 5) > 0) {
            EXPECT_EQ(pim::TestAnswer(b.ask(pim::Q_Param), pim::replyLength(type, 5), 5, b.id), QString());
        }
        if (pim::replyLength(type, 3) > 0) {
            EXPECT_EQ(pim::TestAnswer(b.ask(pim::Q_Arhiv, slotRequest(0, true)), pim::replyLength(type, 3), 3, b.id),
                      QString());
        }
        // Frames for another device number are not answered.
        EXPECT_TRUE(b.raw(pim::SQ(pim::Identity{type, 0x1235}, pim::Q_State)).isEmpty());
    }
}

TEST(SimDevice, StateValuesArePlausibleAndCountersGrowBetweenReadings)
{
    struct Case {
        int type, heat, tSupply, tReturn;
        bool hundredths;
    };
    // Offsets from the state layouts: heat, supply and return temperature.
    const Case cases[] = {{225, 5, 9, 11, true}, {227, 5, 9, 11, true}, {228, 5, 13, 17, false},
                          {229, 5, 13, 17, false}, {236, 5, 13, 17, false}, {238, 5, 13, 17, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        Bench b(c.type);
        const Tab first = b.ask(pim::Q_State);
        b.now = b.now.addSecs(3600);
        const Tab second = b.ask(pim::Q_State);
        auto temp = [&](const Tab &f, int off) { return c.hundredths ? pim::GetW(f, off) / 100.0 : pim::GetF(f, off); };
        for (const Tab &f : {first, second}) {
            EXPECT_GT(temp(f, c.tSupply), 50);
            EXPECT_LT(temp(f, c.tSupply), 100);
            EXPECT_GT(temp(f, c.tReturn), 30);
            EXPECT_LT(temp(f, c.tReturn), temp(f, c.tSupply));
        }
        EXPECT_GT(pim::GetF(second, c.heat), pim::GetF(first, c.heat));
        EXPECT_LT(pim::GetF(second, c.heat) - pim::GetF(first, c.heat), 0.2); // about one hour's heat
    }
}

TEST(SimDevice, RingsStepBackOneDayOrHourPerSlotAndWrapAtTheTop)
{
    struct Case {
        int type, arhNoLength, dailyDepth, hourlyDepth;
    };
    const Case cases[] = {{225, 9, 128, 1024}, {227, 10, 128, 1024}, {228, 10, 62, 960},
                          {230, 10, 62, 960},  {235, 11, 366, 1081}, {238, 11, 4401, 3601}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        Bench b(c.type);
        const Tab no = b.ask(pim::Q_ArhNo);
        ASSERT_EQ(no.size(), c.arhNoLength);
        ASSERT_TRUE(pim::TestCS(no));
        const int hourly = pim::GetW(no, 5);
        const int daily = dailyNumber(c.type, no);
        // The history is longer than the ring, so the ring has wrapped and
        // the newest record is not in the top slot.
        ASSERT_GE(daily, 1);
        ASSERT_LT(daily, c.dailyDepth);
        const StampAt at = stampOf(c.type);
        const int today = pim::dateToDayNumber(kNow.date());
        for (int k = 0; k < c.dailyDepth; ++k) {
            const int slot = (daily - 1 - k + c.dailyDepth) % c.dailyDepth;
            const Tab r = b.ask(pim::Q_Arhiv, slotRequest(slot, true));
            ASSERT_EQ(pim::TestAnswer(r, pim::replyLength(c.type, 3), 3, b.id), QString());
            ASSERT_EQ(pim::GetW(r, at.date), today - k) << "slot " << slot;
        }
        const int hourNow = today * 24 + kNow.time().hour();
        for (int k = 0; k < c.hourlyDepth; ++k) {
            const int slot = (hourly - 1 - k + c.hourlyDepth) % c.hourlyDepth;
            const Tab r = b.ask(pim::Q_Arhiv, slotRequest(slot, false));
            ASSERT_EQ(pim::GetW(r, at.date) * 24 + r.at(at.hour), hourNow - k) << "slot " << slot;
        }
        // A slot beyond the ring is not answered.
        EXPECT_TRUE(b.ask(pim::Q_Arhiv, slotRequest(c.dailyDepth, true)).isEmpty());
    }
}

TEST(SimDevice, ArchiveCountersGrowFromOlderToNewerRecords)
{
    Bench b(229);
    const int daily = b.ask(pim::Q_ArhNo).at(7);
    double newer = 1e300;
    for (int k = 0; k < 62; ++k) {
        const Tab r = b.ask(pim::Q_Arhiv, slotRequest((daily - 1 - k + 62) % 62, true));
        const double heat = pim::GetF(r, 11); // system 1 heat
        EXPECT_LE(heat, newer);
        EXPECT_GT(pim::GetF(r, 15), 0); // system 2 runs too
        newer = heat;
    }
}

TEST(SimDevice, OperatingHoursKeepCountingPastTheTopOfTheirWord)
{
    // Type 238 keeps twelve years of days, more hours than 16 bits hold:
    // the last two whole hours still count one hour apart.
    Bench b(238);
    const int newest = pim::GetW(b.ask(pim::Q_ArhNo), 5) - 1;
    const Tab later = b.ask(pim::Q_Arhiv, slotRequest((newest - 1 + 3601) % 3601, false));
    const Tab earlier = b.ask(pim::Q_Arhiv, slotRequest((newest - 2 + 3601) % 3601, false));
    EXPECT_EQ((pim::GetW(later, 5) - pim::GetW(earlier, 5) + 65536) % 65536, 1);
}

TEST(SimDevice, WritesNeedTheJumperClosedAndTheRightPassword)
{
    struct Case {
        bool jumper, mismatch;
        int status;
    };
    for (const Case &c : {Case{true, false, 0}, Case{false, false, 1}, Case{true, true, 2}}) {
        SCOPED_TRACE(c.status);
        DeviceOptions o;
        o.jumperClosed = c.jumper;
        o.passwordMismatch = c.mismatch;
        Bench b(229, 0x1234, o);
        const Tab before = b.ask(pim::Q_Param);
        Tab data = before.mid(5, before.size() - 6);
        data.set(41 - 5, 17); // report day
        const Tab st = b.ask(pim::Q_SetParam, data);
        ASSERT_EQ(st.size(), 7);
        EXPECT_EQ(st.at(5), c.status);
        const Tab after = b.ask(pim::Q_Param);
        EXPECT_EQ(after.at(41), c.status == 0 ? 17 : before.at(41));

        for (int code : {int(pim::Q_Init), int(pim::Q_ZeroTime)})
            EXPECT_EQ(b.ask(code).at(5), c.status);
        EXPECT_EQ(b.ask(pim::Q_ClrArh, Tab{0x44, 0xBB}).at(5), c.status);
        EXPECT_EQ(b.ask(pim::Q_SetNo, Tab{0x55, 0xAA, 0xE8, 0x03}).at(5), c.status);
    }
    // A write of the wrong size is not taken.
    Bench b(229);
    EXPECT_TRUE(b.ask(pim::Q_SetParam, Tab(10)).isEmpty());
}

TEST(SimDevice, Type225AnswersDoneWithoutStatusAndKeepsSilentWhenRefusing)
{
    Bench closed(225);
    const Tab p = closed.ask(pim::Q_Param);
    const Tab ok = closed.ask(pim::Q_SetParam, p.mid(5, p.size() - 6));
    EXPECT_EQ(ok.size(), 6);
    EXPECT_EQ(pim::TestAnswer(ok, 6, pim::Q_SetParam, closed.id), QString());
    DeviceOptions o;
    o.jumperClosed = false;
    Bench open(225, 0x1234, o);
    EXPECT_TRUE(open.ask(pim::Q_SetParam, p.mid(5, p.size() - 6)).isEmpty());
    EXPECT_TRUE(open.ask(pim::Q_Init).isEmpty());
}

TEST(SimDevice, Type128WriteIsEchoedInTheStateAndRefusedWithTheJumperOpen)
{
    Bench b(128);
    // Modification 2, weight numbers 1, 2, 3, 0 packed as 57.
    const Tab r = b.raw(pim::SQ128(b.id, pim::Q_SetParam128, 2, 57));
    ASSERT_EQ(pim::TestAnswer(r, 31, 255, b.id), QString());
    EXPECT_EQ(r.at(23), 1);
    EXPECT_EQ(r.at(24), 2);
    EXPECT_EQ(r.at(25), 3);
    EXPECT_EQ(r.at(26), 0);
    EXPECT_EQ(r.at(27), 2);
    EXPECT_EQ(pim::GetL(b.ask(pim::Q_State), 7 + 8), 0); // channel 3 is off with 2 channels

    DeviceOptions o;
    o.jumperClosed = false;
    Bench refused(128, 0x1234, o);
    const Tab unchanged = refused.raw(pim::SQ128(refused.id, pim::Q_SetParam128, 2, 57));
    EXPECT_EQ(unchanged.at(27), 4);
    EXPECT_EQ(unchanged.at(23), 0);
    const Tab num = refused.raw(pim::SQ128(refused.id, pim::Q_ClrArh, 0x34, 0x02));
    EXPECT_EQ(pim::GetW(num, 2), 0x1234); // the old number: refused

    const Tab changed = b.raw(pim::SQ128(b.id, pim::Q_ClrArh, 0x34, 0x02));
    EXPECT_EQ(pim::GetW(changed, 2), 0x0234);
}

TEST(SimDevice, SetNumberMakesTheDeviceAnswerUnderItsNewNumberOnly)
{
    Bench b(236);
    const Tab st = b.ask(pim::Q_SetNo, Tab{0x55, 0xAA, 0xE8, 0x03});
    EXPECT_EQ(st.at(5), 0);
    EXPECT_EQ(pim::GetW(st, 2), 1000);
    EXPECT_TRUE(b.ask(pim::Q_State).isEmpty());
    b.id.number = 1000;
    EXPECT_EQ(pim::TestAnswer(b.ask(pim::Q_State), 129, 1, b.id), QString());
    // Number 0 and a wrong key are not taken.
    EXPECT_TRUE(b.ask(pim::Q_SetNo, Tab{0x55, 0xAA, 0, 0}).isEmpty());
    EXPECT_TRUE(b.ask(pim::Q_SetNo, Tab{0x55, 0xAB, 1, 0}).isEmpty());
}

TEST(SimDevice, ClearedRingsAreEmptyUntilTheNextDayAndHour)
{
    Bench b(234);
    ASSERT_EQ(b.ask(pim::Q_ClrArh, Tab{0x44, 0xBB}).at(5), 0);
    const Tab no = b.ask(pim::Q_ArhNo);
    EXPECT_EQ(pim::GetW(no, 5), 0);
    EXPECT_EQ(pim::GetW(no, 7), 0);
    const Tab erased = b.ask(pim::Q_Arhiv, slotRequest(0, true));
    EXPECT_EQ(pim::GetW(erased, 215), 0xFFFF);

    b.now = b.now.addDays(1);
    const Tab later = b.ask(pim::Q_ArhNo);
    EXPECT_EQ(pim::GetW(later, 7), 1);
    EXPECT_EQ(pim::GetW(b.ask(pim::Q_Arhiv, slotRequest(0, true)), 215), pim::dateToDayNumber(b.now.date()));
}

TEST(SimDevice, InitialiseZeroesCountersAndZeroTimeRestartsOperatingHours)
{
    Bench b(229);
    EXPECT_GT(pim::GetF(b.ask(pim::Q_State), 5), 10);
    ASSERT_EQ(b.ask(pim::Q_Init).at(5), 0);
    EXPECT_LT(pim::GetF(b.ask(pim::Q_State), 5), 0.001);
    b.now = b.now.addSecs(2 * 3600);
    const double heat = pim::GetF(b.ask(pim::Q_State), 5);
    EXPECT_GT(heat, 0.05);
    EXPECT_LT(heat, 0.25);

    const int hourly = pim::GetW(b.ask(pim::Q_ArhNo), 5);
    EXPECT_GT(pim::GetW(b.ask(pim::Q_Arhiv, slotRequest(hourly - 1, false)), 5), 1000);
    ASSERT_EQ(b.ask(pim::Q_ZeroTime).at(5), 0);
    b.now = b.now.addSecs(3600);
    const int h2 = pim::GetW(b.ask(pim::Q_ArhNo), 5);
    EXPECT_EQ(pim::GetW(b.ask(pim::Q_Arhiv, slotRequest(h2 - 1, false)), 5), 1);
}

TEST(SimDevice, SetClockMovesTheDeviceDateAndTheNewestRecords)
{
    Bench b(229);
    // 13:07 on 7 December 2026: minute of the day 787 = 0x0313.
    const Tab st = b.ask(pim::Q_SetTime, Tab{0x13, 0x03, 7, 12, 26});
    ASSERT_FALSE(st.isEmpty());
    EXPECT_EQ(b.dev->deviceNow(), QDateTime(QDate(2026, 12, 7), QTime(13, 7)));
    const int daily = b.ask(pim::Q_ArhNo).at(7);
    EXPECT_EQ(pim::GetW(b.ask(pim::Q_Arhiv, slotRequest(daily - 1, true)), 161),
              pim::dateToDayNumber(QDate(2026, 12, 7)));
    EXPECT_TRUE(b.ask(pim::Q_SetTime, Tab{0xA0, 0x05, 7, 12, 26}).isEmpty()); // minute 1440
    EXPECT_TRUE(b.ask(pim::Q_SetTime, Tab{0, 0, 31, 2, 26}).isEmpty());
}

TEST(SimDevice, ChangeLogHoldsThirtyThreeRecordsAndGainsOneOnEveryWrite)
{
    Bench b(238);
    for (int block = 0; block < 3; ++block)
        for (int rec = 0; rec < 11; ++rec) {
            const Tab r = b.ask(pim::Q_Chang, Tab{block, rec});
            ASSERT_EQ(r.size(), 46);
            ASSERT_TRUE(pim::TestCS(r));
        }
    EXPECT_TRUE(b.ask(pim::Q_Chang, Tab{3, 0}).isEmpty());
    EXPECT_TRUE(b.ask(pim::Q_Chang, Tab{0, 11}).isEmpty());

    const Tab p = b.ask(pim::Q_Param);
    Tab data = p.mid(5, p.size() - 6);
    data.set(19 - 5, 9); // cold-water temperature 1
    ASSERT_EQ(b.ask(pim::Q_SetParam, data).at(5), 0);
    const Tab rec = b.ask(pim::Q_Chang, Tab{0, 0});
    EXPECT_EQ(pim::GetW(rec, 5), pim::dateToDayNumber(kNow.date()));
    EXPECT_EQ(pim::GetW(rec, 7), 12 * 60 + 30);
    EXPECT_EQ(rec.mid(9, 36), data.mid(0, 36)); // configuration bytes 5..40
    EXPECT_EQ(rec.at(19 - 5 + 9), 9);

    Bench old(225);
    EXPECT_TRUE(old.ask(pim::Q_Chang, Tab{0, 0}).isEmpty());
}

TEST(SimDevice, CalibrationRepliesFollowTheTypeGroupAndKind)
{
    auto singles = [](int kind, std::initializer_list<double> values) {
        Tab t{kind};
        for (double v : values) {
            const int at = t.size();
            t.resize(at + 4);
            pim::PutF(t, at, v);
        }
        return t;
    };
    struct Case {
        int type;
        Tab data;
        int length;
        int status; // -1: no status byte
        bool jumper;
        int fault;
    };
    const Case cases[] = {
        {225, singles(0, {33, 30}), 14, -1, true, 0},
        {227, singles(1, {150, 150}), 15, 0, true, 0},
        {227, singles(1, {150, 150}), 15, 3, true, 3},
        {229, singles(0, {33, 30, 33, 30}), 23, 0, true, 0},
        {238, singles(1, {150, 150, 150, 150}), 23, 4, true, 4},
        {234, singles(1, {150, 150, 150, 150}), 23, 1, false, 0},
        {230, singles(3, {20}), 11, 0, true, 0},
        {239, singles(5, {20}), 11, 5, true, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 status %2").arg(c.type).arg(c.status).toStdString());
        DeviceOptions o;
        o.jumperClosed = c.jumper;
        o.calibrationFault = c.fault;
        Bench b(c.type, 0x1234, o);
        const Tab r = b.ask(pim::Q_Cal, c.data);
        ASSERT_EQ(r.size(), c.length);
        ASSERT_EQ(pim::TestAnswer(r, c.length, pim::Q_Cal, b.id), QString());
        if (c.status >= 0) {
            EXPECT_EQ(r.at(5), c.status);
        }
        const int first = c.status < 0 ? 5 : 6;
        EXPECT_NEAR(pim::GetF(r, first), pim::GetF(c.data, 1), c.fault ? 2.5 : 1);
        if (c.status >= 2 && c.length != 11) {
            EXPECT_GT(std::fabs(pim::GetF(r, c.status * 4 - 2) - 150), 1);
        }
    }
    DeviceOptions open;
    open.jumperClosed = false;
    Bench silent(225, 0x1234, open);
    EXPECT_TRUE(silent.ask(pim::Q_Cal, singles(0, {33, 30})).isEmpty());
}

TEST(SimDevice, StateSurvivesASaveAndLoad)
{
    Bench b(229);
    ASSERT_EQ(b.ask(pim::Q_SetNo, Tab{0x55, 0xAA, 0x41, 0x01}).at(5), 0);
    b.id.number = 0x141;
    const Tab p = b.ask(pim::Q_Param);
    Tab data = p.mid(5, p.size() - 6);
    data.set(41 - 5, 25);
    ASSERT_EQ(b.ask(pim::Q_SetParam, data).at(5), 0);
    ASSERT_FALSE(b.ask(pim::Q_SetTime, Tab{0x13, 0x03, 7, 12, 26}).isEmpty());
    const QJsonObject saved = b.dev->saveState();

    Bench again(229, 1);
    QString error;
    ASSERT_TRUE(again.dev->loadState(saved, &error)) << error.toStdString();
    EXPECT_EQ(again.dev->number(), 0x141);
    again.id.number = 0x141;
    EXPECT_EQ(again.ask(pim::Q_Param).at(41), 25);
    EXPECT_EQ(again.dev->deviceNow().date(), QDate(2026, 12, 7));

    Bench other(234);
    EXPECT_FALSE(other.dev->loadState(saved, &error));
    EXPECT_FALSE(error.isEmpty());
}

// A damaged state file may hold reals far outside the clock offset and the
// ring restart counters; they are refused (the device keeps its state), not
// converted into undefined integers.
TEST(SimDevice, StateFileWithOutOfRangeCountersIsRefused)
{
    Bench b(238);
    const QJsonObject saved = b.dev->saveState();
    const struct {
        const char *key;
        double value;
        bool accepted;
    } cases[] = {
        {"clockOffset", -86400.0 * 365 * 30, true},
        {"clockOffset", 1e300, false},
        {"clockOffset", -9.3e18, false},
        {"dailyRestart", 5e18, false},
        {"dailyRestart", 1e300, false},
        {"hourlyRestart", -1e300, false},
        {"hourlyRestart", 48.0, true},
    };
    for (const auto &c : cases) {
        QJsonObject o = saved;
        o[QLatin1String(c.key)] = c.value;
        Bench again(238);
        QString error;
        EXPECT_EQ(again.dev->loadState(o, &error), c.accepted) << c.key << " " << c.value;
        EXPECT_EQ(error.isEmpty(), c.accepted) << c.key;
        if (!c.accepted) {
            EXPECT_EQ(again.dev->deviceNow(), kNow) << c.key;
        }
        EXPECT_FALSE(again.ask(pim::Q_ArhNo).isEmpty()) << c.key;
        EXPECT_FALSE(again.ask(pim::Q_Arhiv, slotRequest(0, true)).isEmpty()) << c.key;
    }
}

TEST(FrameAssembler, TakesFramesByLengthAndFindsThemAgainAfterNoise)
{
    const QByteArray state = pim::SQ(pim::Identity{229, 0x1234}, 1).bytes();
    const QByteArray badCs = QByteArray::fromHex("06e53412014e");
    struct Case {
        const char *name;
        QList<QByteArray> chunks;
        int frames;
    };
    const Case cases[] = {
        {"whole", {state}, 1},
        {"split in three", {state.left(2), state.mid(2, 1), state.mid(3)}, 1},
        {"noise and a zero byte first", {QByteArray::fromHex("0003ff") + state}, 1},
        {"bad checksum, then a good frame", {badCs + state}, 1},
        {"a long length byte does not hide the frame after it", {QByteArray::fromHex("c8") + state}, 1},
        {"two frames in one chunk", {state + state}, 2},
        {"half a frame", {state.left(4)}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FrameAssembler a;
        QList<QByteArray> got;
        for (const QByteArray &chunk : c.chunks)
            got += a.feed(chunk);
        ASSERT_EQ(got.size(), c.frames);
        for (const QByteArray &f : got)
            EXPECT_EQ(f, state);
    }
}

TEST(Faults, RejectsFaultsItCannotHonour)
{
    Faults f;
    QString error;
    for (const char *bad : {"bogus", "junk=2", "junk@0", "junk@", "echo=0.5@3"}) {
        EXPECT_FALSE(f.add(QString::fromLatin1(bad), &error)) << bad;
        EXPECT_FALSE(error.isEmpty());
    }
    for (const char *good : {"junk", "echo=0.25", "split@2,5", "wrong-number", "bad-checksum=1"})
        EXPECT_TRUE(f.add(QString::fromLatin1(good), &error)) << good;
}

TEST(Modem, DialledNumberChoosesTheOutcome)
{
    const std::pair<const char *, const char *> cases[] = {
        {"T123", "connect"}, {"T9W8W495566", "busy"}, {"P77", "no-carrier"}, {"T1288", "no-dialtone"}, {"99", "no-answer"}};
    for (const auto &[dial, outcome] : cases)
        EXPECT_EQ(Modem::outcomeFor(QString::fromLatin1(dial)), QString::fromLatin1(outcome)) << dial;
}

TEST(SimDevice, AnyRequestGetsAWellFormedReplyOrSilence)
{
    // Random codes and data addressed to each type: whatever the device
    // answers must be a sound frame for it, and nothing may crash.
    QRandomGenerator64 rng(7);
    for (int type : pim::ServedTypes()) {
        SCOPED_TRACE(type);
        Bench b(type);
        FrameAssembler line;
        for (int k = 0; k < 3000; ++k) {
            Tab data(int(rng.bounded(20u)));
            for (int i = 0; i < data.size(); ++i)
                data.set(i, int(rng.bounded(256u)));
            const int code = k % 3 == 0 ? int(rng.bounded(256u)) : int(rng.bounded(22u));
            const Tab request = pim::SQ(b.id, code, data);
            for (const QByteArray &frame : line.feed(request.bytes() + QByteArray(1, char(rng.bounded(256u))))) {
                const Tab reply = b.raw(Tab::fromBytes(frame));
                if (reply.isEmpty())
                    continue;
                ASSERT_EQ(reply.at(0), reply.size());
                ASSERT_TRUE(pim::TestCS(reply));
                ASSERT_EQ(reply.at(4), code);
                ASSERT_EQ(reply.at(1), type);
            }
            b.id.number = b.dev->number(); // a random set-number may have taken
        }
    }
}
