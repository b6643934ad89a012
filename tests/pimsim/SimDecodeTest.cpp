// The simulator against the program's decoders. The simulator writes its
// frames from its own layout tables and the decoders read them from theirs;
// both were written from the same frame layouts by different hands, so every
// value is followed from the simulator's model through the frame into the
// decoded record and its texts. A mismatch means one of the two tables is
// wrong.

#include "SimDevice.h"

#include "base/Dates.h"
#include "base/Format.h"
#include "devices/ArhCodec.h"
#include "devices/ParamCodec.h"
#include "devices/ParamStatus.h"
#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "devices/DeviceSession.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace pimsim;
using pim::Tab;

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(12, 30));

// Error codes set so that the system and device bytes differ from each
// other and from zero.
DeviceOptions withErrors(int type)
{
    DeviceOptions o;
    o.type = type;
    o.number = 0x1234;
    o.deviceError = 0x12;
    o.systemError = 0x05;
    return o;
}

struct Bench {
    explicit Bench(const DeviceOptions &o) : id{o.type, o.number}
    {
        dev = std::make_unique<SimDevice>(o, [this] { return now; });
        session.setIdentity(o.type, o.number);
    }
    Tab ask(int code, const Tab &data = Tab()) { return raw(pim::SQ(id, code, data)); }
    Tab raw(const Tab &request) { return Tab::fromBytes(dev->handle(request.bytes())); }
    pim::DeviceModule &module() { return *session.module(); }

    QDateTime now = kNow;
    pim::Identity id;
    pim::DeviceSession session; // the decoders' records
    std::unique_ptr<SimDevice> dev;
};

double modelOf(const SimDevice::Values &v, Field f, int sys)
{
    return v[size_t(f)][size_t(sys)];
}

// The texts of the value lists: reals "%f", integers "%d".
QString real(double v)
{
    return pim::Format(u"%f", {v});
}
QString integer(int v)
{
    return pim::Format(u"%d", {v});
}

// Lists compared as one line each, so a failure reads as text.
std::string line(const QStringList &l)
{
    return l.join(QStringLiteral(" | ")).toStdString();
}

// What the frame makes of a model value, as the simulator's layout encodes it.
double onWire(double v, Enc e)
{
    switch (e) {
    case Enc::U8: return std::clamp(std::round(v), 0.0, 255.0);
    case Enc::U16: return std::clamp(std::round(v), 0.0, 65535.0);
    case Enc::T100: return std::clamp(std::round(v * 100), 0.0, 65535.0);
    case Enc::F32: return double(float(v));
    }
    return v;
}

// ---------------------------------------------------------------- state

// The state page's values in display order, as model fields and encodings.
struct Shown {
    Field field;
    Enc enc;
};

QList<Shown> stateOrder(int type)
{
    using F = Field;
    const Enc R = Enc::F32, B = Enc::U8, T = Enc::T100;
    switch (type) {
    case 225:
        return {{F::Heat, R}, {F::TSup, T}, {F::TRet, T}, {F::TAdd, T}, {F::V1, R}, {F::V2, R},
                {F::V3, R},   {F::VRed, R}, {F::El1, R},  {F::El2, R},  {F::DevErr, B}};
    case 227:
        return {{F::Heat, R}, {F::TSup, T}, {F::TRet, T}, {F::TAdd, T}, {F::V1, R},
                {F::V2, R},   {F::V4, R},   {F::V3, R},   {F::DevErr, B}};
    default: break;
    }
    QList<Shown> l{{F::Heat, R}, {F::V1, R},   {F::V2, R}, {F::V3, R}, {F::TSup, R},
                   {F::TRet, R}, {F::TAdd, R}, {F::P1, R}, {F::P2, R}, {F::Flow1, R}, {F::Flow2, R}};
    if (type != 228)
        l << Shown{F::Flow3, R};
    l << Shown{F::SysErr, B} << Shown{F::DevErr, B};
    if (type >= 234)
        l << Shown{F::Mass1, R} << Shown{F::Mass2, R} << Shown{F::Mass3, R};
    return l;
}

QStringList expectedState(const SimDevice::Values &v, int type, int sys)
{
    QStringList l;
    for (const Shown &s : stateOrder(type)) {
        // The device error is one byte for both systems.
        const double w = onWire(modelOf(v, s.field, s.field == Field::DevErr ? 0 : sys), s.enc);
        if (s.enc == Enc::U8)
            l << integer(int(w));
        else if (s.enc == Enc::T100)
            l << real(w / 100);
        else
            l << real(w);
    }
    return l;
}

QStringList expectedState128(const SimDevice &d)
{
    QStringList l{integer(d.modification128())};
    for (int c = 0; c < 4; ++c)
        l << integer(d.lastPulses128()[c]);
    for (int c = 0; c < 4; ++c)
        l << integer(d.weights128()[c]);
    QList<qint64> weights;
    for (int c = 0; c < 4; ++c) {
        const int n = d.weights128()[c];
        weights << (n <= 3 ? qint64(std::lround(std::pow(10.0, 3 - n))) : 0);
        l << integer(int(weights.back()));
    }
    for (int c = 0; c < 4; ++c)
        l << real(double(qint64(d.lastPulses128()[c]) * weights[c]));
    return l;
}

} // namespace

TEST(SimDecode, IdentityAndStateOfEveryTypeDecodeToTheSimulatorsModel)
{
    for (int type : pim::ServedTypes()) {
        SCOPED_TRACE(type);
        Bench b(withErrors(type));
        int number = -1, gotType = -1;
        EXPECT_EQ(pim::DecNoTu(b.raw(pim::IdentityTemplate()), number, gotType), QString());
        EXPECT_EQ(gotType, type);
        EXPECT_EQ(number, 0x1234);

        pim::StateCodec &st = b.module().state();
        // Two readings an hour apart: the values move, the texts follow.
        for (int reading = 0; reading < 2; ++reading) {
            b.now = kNow.addSecs(3600 * reading);
            ASSERT_EQ(st.DecState(b.ask(pim::Q_State), b.id), QString());
            if (type == 128) {
                EXPECT_EQ(line(st.SLfromState()), line(expectedState128(*b.dev)));
                continue;
            }
            for (int sys = 0; sys < st.halves(); ++sys) {
                SCOPED_TRACE(sys);
                EXPECT_EQ(line(st.SLfromState(sys)), line(expectedState(b.dev->lastStateValues(), type, sys)));
            }
        }
    }
}

// ---------------------------------------------------------------- configuration

namespace {

// The factory configuration as the configuration list shows it.
QStringList defaultConfigTexts(int type)
{
    // The factory pulse weight word 1000 of the two-system types is listed
    // in litres per pulse (the word is ten times that).
    const QString w1000 = real(100), zero = real(0), max = real(1500);
    switch (type) {
    case 128: return {"4", "0", "0", "0", "0"};
    case 225:
        return {real(100), real(100), real(100), "1000", "0", "0", "0", "1", "5", "0", "45"};
    case 227: return {real(1), real(2), real(3), real(4), "1", "5"};
    case 228: case 229: case 230:
        return {w1000, w1000, w1000, "1", "0", "0", "1", "1", "1", "1", zero, max, "1", "1", "0"};
    default:
        return {w1000, w1000, w1000, "1", "5", "15", "1", "1", "1", "1", zero, max, "0",
                real(double(90.0f)), real(double(70.0f)), real(double(70.0f)),
                real(double(1.6f)), real(double(1.6f)), real(double(1.6f)), "1", "1", "0"};
    }
}

} // namespace

TEST(SimDecode, FactoryConfigurationDecodesToTheDefaultsAndAWriteReadsBackUnchanged)
{
    for (int type : pim::ServedTypes()) {
        SCOPED_TRACE(type);
        Bench b(withErrors(type));
        pim::ParamCodec &pc = b.module().param();
        pc.setToday([] { return kNow.date(); });
        const int readCode = type == 128 ? pim::Q_State : pim::Q_Param;
        const Tab before = b.ask(readCode);
        ASSERT_EQ(pc.DecParam(before, b.id), QString());
        for (int sys = 0; sys < pc.recordSystems(); ++sys) {
            SCOPED_TRACE(sys);
            EXPECT_EQ(line(pc.SLfromParam(sys)), line(defaultConfigTexts(type)));
        }

        // The page shows the record, its check passes and the write frame
        // goes to the device as the program sends it.
        pim::SilentParamStatus status;
        pc.ShowParam(type);
        ASSERT_TRUE(pc.CheckParam(status)) << pc.lastCheckText().toStdString();
        Tab request;
        ASSERT_EQ(pc.writeRequest(b.id, request), QString());
        const Tab reply = b.raw(request);
        ASSERT_FALSE(reply.isEmpty());
        if (type == 128) {
            EXPECT_TRUE(pc.writeAccepted(reply));
        } else if (type != 225) {
            EXPECT_EQ(reply.at(5), 0); // done
        }
        const Tab after = b.ask(readCode);
        if (type == 128) {
            ASSERT_EQ(pc.DecParam(after, b.id), QString());
            EXPECT_EQ(line(pc.SLfromParam(0)), line(defaultConfigTexts(type)));
        } else {
            EXPECT_EQ(after.toHex(), before.toHex());
        }
    }
}

namespace {

// The change-log record the device wrote for a change made today, as the
// configuration reply the program builds from it: record bytes 0..4 with
// length 46 and code 5, record bytes 9..45 as bytes 5..41, zeros, checksum.
Tab changeLogAsConfig(Bench &b)
{
    for (int block = 0; block < 3; ++block) {
        for (int record = 0; record < 11; ++record) {
            const Tab r = b.ask(pim::Q_Chang, Tab{block, record});
            EXPECT_EQ(pim::TestAnswer(r, 46, pim::Q_Chang, b.id), QString());
            if (pim::GetW(r, 5) != pim::dateToDayNumber(b.now.date()))
                continue;
            EXPECT_EQ(pim::GetW(r, 7), b.now.time().hour() * 60 + b.now.time().minute());
            Tab f = r.mid(0, 5);
            f.set(0, 46);
            f.set(4, pim::Q_Param);
            f.append(r.mid(9, 37));
            f.append(Tab(3));
            f.append(0);
            f.set(45, pim::CalcCS(f.mid(0, 45)));
            return f;
        }
    }
    return Tab();
}

} // namespace

TEST(SimDecode, AnEditedDeviceWideFieldReachesTheDeviceWhereItKeepsIt)
{
    // The report day (two-system), the cold-water temperature (225, 227)
    // and the modification with weight numbers (128): edited on the page,
    // written, read back by the device's own offsets and by the decoder.
    // The two-system types also change a pulse weight of system 2, which
    // their change log must show under system 2.
    struct Case {
        int type;
        QString control;
        QString text;
        int configOffset; // frame offset of the field in the configuration reply
        int value;
    };
    const Case cases[] = {
        {225, pim::paramname::kColdTemp, QStringLiteral("7"), 19, 7},
        {227, pim::paramname::kColdTemp, QStringLiteral("7"), 14, 7},
        {228, pim::paramname::kReportDay, QStringLiteral("17"), 41, 17},
        {229, pim::paramname::kReportDay, QStringLiteral("17"), 41, 17},
        {234, pim::paramname::kReportDay, QStringLiteral("17"), 95, 17},
        {238, pim::paramname::kReportDay, QStringLiteral("17"), 95, 17},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        Bench b(withErrors(c.type));
        pim::ParamCodec &pc = b.module().param();
        pc.setToday([] { return kNow.date(); });
        ASSERT_EQ(pc.DecParam(b.ask(pim::Q_Param), b.id), QString());
        pc.ShowParam(c.type);
        if (pc.recordSystems() == 2) {
            // Edited while system 2 is selected: the device-wide field
            // follows into system 1, so the write is not refused.
            pc.form().setIndex(pim::ParamCodec::kSystemChoice, 1);
            pc.ShowParam(c.type);
        }
        ASSERT_TRUE(pc.form().setText(c.control, c.text));
        if (pc.recordSystems() == 2) {
            ASSERT_TRUE(pc.form().setText(pim::paramname::weight(2), QStringLiteral("12.5")));
        }
        pim::SilentParamStatus status;
        ASSERT_TRUE(pc.CheckParam(status)) << pc.lastCheckText().toStdString();
        Tab request;
        ASSERT_EQ(pc.writeRequest(b.id, request), QString());
        ASSERT_FALSE(b.raw(request).isEmpty());
        EXPECT_EQ(quint8(b.dev->config().at(c.configOffset - 5)), c.value);
        QList<QStringList> written;
        for (int sys = 0; sys < pc.recordSystems(); ++sys)
            written << pc.SLfromParam(sys);
        ASSERT_EQ(pc.DecParam(b.ask(pim::Q_Param), b.id), QString());
        for (int sys = 0; sys < pc.recordSystems(); ++sys) {
            EXPECT_EQ(line(pc.SLfromParam(sys)), line(written[sys]));
            EXPECT_TRUE(pc.SLfromParam(sys).contains(c.text));
        }
        if (pc.recordSystems() == 2) {
            // Listed in litres per pulse, as the page shows them.
            EXPECT_EQ(pc.SLfromParam(0).at(1), real(100));
            EXPECT_EQ(pc.SLfromParam(1).at(1), real(12.5));
        }

        if (!b.dev->info().hasChangeLog)
            continue;
        // The change log keeps the configuration up to the maximum flows,
        // which every two-system list shows first, and reads through the
        // 229 decoder whatever the type.
        const Tab logged = changeLogAsConfig(b);
        ASSERT_EQ(logged.size(), 46);
        pim::DeviceModule u29Module(pim::ModuleId::U29);
        pim::ParamCodec &u29 = u29Module.param();
        ASSERT_EQ(u29.DecParam(logged, b.id), QString());
        for (int sys = 0; sys < 2; ++sys)
            EXPECT_EQ(line(u29.SLfromParam(sys).mid(0, 12)), line(written[sys].mid(0, 12)));
    }

    Bench b(withErrors(128));
    pim::ParamCodec &pc = b.module().param();
    ASSERT_EQ(pc.DecParam(b.ask(pim::Q_State), b.id), QString());
    pc.ShowParam(128);
    // Two channels: the hidden ones keep their numbers.
    ASSERT_TRUE(pc.form().setIndex(pim::paramname::kModification, 1)); // "2"
    for (int ch = 1; ch <= 4; ++ch)
        ASSERT_TRUE(pc.form().setText(pim::paramname::channel(ch), QString::number(ch)));
    pim::SilentParamStatus status;
    ASSERT_TRUE(pc.CheckParam(status)) << pc.lastCheckText().toStdString();
    Tab request;
    ASSERT_EQ(pc.writeRequest(b.id, request), QString());
    const Tab reply = b.raw(request);
    EXPECT_TRUE(pc.writeAccepted(reply));
    EXPECT_EQ(b.dev->modification128(), 2);
    EXPECT_EQ(b.dev->weights128(), (std::array<int, 4>{1, 2, 0, 0}));
}

// ---------------------------------------------------------------- archives

namespace {

// The decoder's name of each model field of an archive record.
pim::ArhField arhFieldOf(Field f, bool single)
{
    using A = pim::ArhField;
    static const std::map<Field, A> m{
        {Field::Heat, A::Heat},          {Field::V1, A::Vol1},           {Field::V2, A::Vol2},
        {Field::V3, A::Vol3},            {Field::V4, A::VolHot},         {Field::VRed, A::VolOverT},
        {Field::El1, A::Energy1},        {Field::El2, A::Energy2},       {Field::Q4, A::Quantity4},
        {Field::Q5, A::Quantity5},       {Field::Q6, A::Quantity6},      {Field::TSup, A::TSupply},
        {Field::TRet, A::TReturn},       {Field::TAdd, A::TAdd},         {Field::P1, A::Pressure1},
        {Field::P2, A::Pressure2},       {Field::OpHours, A::Hours},     {Field::ErrHours, A::HoursErr},
        {Field::UnitMinutes, A::RunMinutes}, {Field::PHeat, A::PeriodHeat}, {Field::PV1, A::PeriodVol1},
        {Field::PV2, A::PeriodVol2},     {Field::PV3, A::PeriodVol3},    {Field::PQ4, A::PeriodQuantity4},
        {Field::PQ5, A::PeriodQuantity5}, {Field::PQ6, A::PeriodQuantity6}, {Field::ErrMinutes, A::ErrMinutes},
        {Field::ErrA, A::ErrTimeA},      {Field::ErrB, A::ErrTimeB},     {Field::ErrC, A::ErrTimeC},
        {Field::ErrPeriod, A::ErrMinutes}, {Field::Word1, A::Word184},   {Field::Word2, A::Word188},
        {Field::EnA, A::EnergyA},        {Field::EnB, A::EnergyB},       {Field::EnC, A::EnergyC},
        {Field::SysErr, A::SysError},    {Field::Hour, A::Hour},         {Field::Date, A::Date},
    };
    // The single-system records keep their one error code where the
    // two-system ones keep the system error.
    if (f == Field::DevErr)
        return single ? A::SysError : A::DevError;
    return m.at(f);
}

// Whether the model field of a layout slot reaches both halves of a
// two-system record from one wire value.
bool sharedByBothHalves(const Layout &layout, const Slot &slot)
{
    if (slot.sys != 0 || slot.field == Field::Word1) // the word at 205 is system 1's only
        return false;
    for (const Slot &s : layout)
        if (s.field == slot.field && s.sys == 1)
            return false;
    return true;
}

void walkRing(Bench &b, int kind)
{
    const int type = b.id.type;
    const bool daily = pim::arhKindIsDaily(kind);
    pim::ArhCodec &arh = *b.module().arh();
    const TypeInfo &info = b.dev->info();

    // The current numbers as the readers take them.
    const Tab arhNo = b.ask(pim::Q_ArhNo);
    ASSERT_GE(arhNo.size(), 9);
    ASSERT_TRUE(pim::TestCS(arhNo));
    ASSERT_EQ(arhNo.at(4), pim::Q_ArhNo);
    if (type == 225) {
        ASSERT_EQ(arhNo.size(), 9);
    }
    const int hourly = pim::GetW(arhNo, 5);
    const int dailyNo = type >= 234 ? pim::GetW(arhNo, 7) : arhNo.at(7);
    const int current = (daily ? dailyNo : hourly) - 1;
    ASSERT_LE(current, arh.highestNumber(kind));
    if (info.hasArhBeginEnd) {
        ASSERT_EQ(pim::TestAnswer(b.ask(pim::Q_ArhBegin), 6, pim::Q_ArhBegin, b.id), QString());
    }

    const int entries = arh.PlanArh(kind, current, b.now);
    ASSERT_EQ(entries, daily ? info.dailyDepth : info.hourlyDepth);
    const Layout &layout = archiveLayout(info.family);
    const bool single = arh.halves() == 1;
    QList<pim::ArhRec> read;
    int mismatches = 0;
    for (const pim::ArhPlanEntry &e : arh.plan()) {
        const Tab reply = b.ask(pim::Q_Arhiv, e.request());
        pim::ArhRec rec;
        const QString err = arh.DecArh(reply, rec, b.id);
        SimDevice::Values v;
        QDate date;
        int hour = 0;
        ASSERT_TRUE(b.dev->archiveRecord(daily, e.number(), v, date, hour)) << e.number();
        // The reader's date check, at its tightest.
        const bool dated = err.isEmpty() && arh.day(rec) == pim::dateToDayNumber(date)
                           && arh.day(rec) == e.day && arh.hour(rec) == e.hour && hour == e.hour;
        bool same = dated;
        for (const Slot &slot : layout) {
            const double want = onWire(modelOf(v, slot.field, slot.sys), slot.enc);
            const pim::ArhField af = arhFieldOf(slot.field, single);
            QList<int> halves{slot.sys};
            if (!single && sharedByBothHalves(layout, slot))
                halves << 1;
            for (int half : halves) {
                const double got = arh.value(rec, half, af);
                if (got != want) {
                    same = false;
                    if (mismatches < 8)
                        ADD_FAILURE() << "record " << e.number() << ", value sent at byte " << slot.offset
                                      << " (record field " << int(af) << ", half " << half << "): decoded "
                                      << got << ", simulated " << want;
                }
            }
        }
        if (!same && ++mismatches <= 8)
            ADD_FAILURE() << "record " << e.number() << " (" << int(e.lo) << ", " << int(e.hi)
                          << "): " << err.toStdString() << " day " << arh.day(rec) << " hour " << arh.hour(rec)
                          << ", plan " << e.day << " " << e.hour << ", simulator "
                          << pim::dateToDayNumber(date) << " " << hour << "\n" << reply.toHex().toStdString();
        read << rec;
    }
    EXPECT_EQ(mismatches, 0);
    if (info.hasArhBeginEnd) {
        EXPECT_EQ(pim::TestAnswer(b.ask(pim::Q_ArhEnd), 6, pim::Q_ArhEnd, b.id), QString());
    }
    // Read newest first, so the readers' ordering has nothing to exchange.
    if (daily) {
        EXPECT_EQ(arh.SortArh(read), 0);
    }
}

} // namespace

TEST(SimDecode, DailyAndHourlyRingsWalkedAsTheReadersDoDecodeToTheSimulatorsRecords)
{
    for (int type : pim::ServedTypes()) {
        if (type == 128)
            continue;
        for (int kind : {pim::ArhDaily, pim::ArhHourly}) {
            SCOPED_TRACE(testing::Message() << type << (kind == pim::ArhDaily ? " daily" : " hourly"));
            Bench b(withErrors(type));
            walkRing(b, kind);
        }
    }
}
