// State replies of the two-system family U28, U29, U34, U38. The fixtures
// put a distinct value at every offset of the state table (offset + 0.25 in
// each f32, 3/4/5 in the error bytes 77/78/79), so each expected text names
// the offset it must come from.

#include "devices/StateCodec.h"
#include "support/StateFrame.h"
#include "support/StateTestEnv.h"

#include <gtest/gtest.h>

using namespace pim;
using pim::test::StateFrame;

namespace {

class StateTwoSystem : public pim::test::StateTestBase {};

struct ModuleCase {
    ModuleId id;
    int type;
    int length;
    QList<int> f32Offsets; // every f32 of the frame table
    QStringList sys1;
    QStringList sys2;
};

QString t(int off)
{
    return QStringLiteral("%1.25").arg(off);
}

Tab fixture(const ModuleCase &m)
{
    StateFrame f(m.length, m.type, 0x1234);
    for (int off : m.f32Offsets)
        f.f32(off, float(off + 0.25));
    f.u8(77, 3).u8(78, 4).u8(79, 5);
    return f.tab();
}

QList<ModuleCase> cases()
{
    const QList<int> common{5, 9, 13, 17, 21, 25, 29, 33, 37, 41, 45, 49, 53, 57, 61, 65, 69, 73};
    const QStringList head1{t(5), t(53), t(57), t(61), t(13), t(17), t(29), t(37), t(41)};
    const QStringList head2{t(9), t(65), t(69), t(73), t(21), t(25), t(33), t(45), t(49)};
    QList<int> f28 = common, f29 = common, f34 = common;
    f28 << 80 << 84 << 88 << 92;
    f29 << 80 << 84 << 88 << 92 << 96 << 100;
    f34 << 80 << 84 << 88 << 92 << 96 << 100 << 104 << 108 << 112 << 116 << 120 << 124;
    const QStringList s29a = head1 + QStringList{t(80), t(84), t(88), "3", "5"};
    const QStringList s29b = head2 + QStringList{t(92), t(96), t(100), "4", "5"};
    return {
        {ModuleId::U28, 228, 97, f28, head1 + QStringList{t(80), t(84), "3", "5"},
         head2 + QStringList{t(88), t(92), "4", "5"}},
        {ModuleId::U29, 229, 105, f29, s29a, s29b},
        {ModuleId::U34, 234, 129, f34, s29a + QStringList{t(104), t(108), t(112)},
         s29b + QStringList{t(116), t(120), t(124)}},
        {ModuleId::U38, 238, 161, f34, s29a + QStringList{t(104), t(108), t(112)},
         s29b + QStringList{t(116), t(120), t(124)}},
    };
}

// Every value from its own offset; the device error byte in both halves.
TEST_F(StateTwoSystem, EveryModuleDecodesBothSystems)
{
    for (const ModuleCase &m : cases()) {
        SCOPED_TRACE(moduleName(m.id).toStdString());
        identify(m.type);
        StateCodec2 c(m.id);
        ASSERT_EQ(c.stateLength(), m.length);
        ASSERT_EQ(c.DecState(fixture(m), m_dev), QString());
        EXPECT_EQ(c.SLfromState(0), m.sys1);
        EXPECT_EQ(c.SLfromState(1), m.sys2);
        EXPECT_EQ(c.errorCode(1, 0), 5);
        EXPECT_EQ(c.errorCode(1, 1), 5);
        EXPECT_EQ(c.errorCode(2, 1), 4);
        EXPECT_TRUE(c.SLfromState(2).isEmpty());
        EXPECT_TRUE(c.SLfromState(-1).isEmpty());
    }
}

TEST_F(StateTwoSystem, SingleSystemCodesDecodeLikeTheirModule)
{
    const ModuleCase m = cases().at(2); // U34 fixture, sent by a type 237
    identify(237);
    StateCodec2 c(ModuleId::U34);
    StateFrame f(129, 237, 0x1234);
    for (int off : m.f32Offsets)
        f.f32(off, float(off + 0.25));
    f.u8(77, 3).u8(78, 4).u8(79, 5);
    ASSERT_EQ(c.DecState(f.tab(), m_dev), QString());
    EXPECT_EQ(c.SLfromState(0), m.sys1);
}

TEST_F(StateTwoSystem, U38TailIsNotDecoded)
{
    const ModuleCase m = cases().at(3);
    identify(238);
    StateCodec2 zero(ModuleId::U38), junk(ModuleId::U38);
    StateFrame f(161, 238, 0x1234);
    for (int off : m.f32Offsets)
        f.f32(off, float(off + 0.25));
    f.u8(77, 3).u8(78, 4).u8(79, 5);
    ASSERT_EQ(zero.DecState(f.tab(), m_dev), QString());
    for (int i = 128; i <= 159; ++i)
        f.u8(i, 0xA5 ^ i);
    ASSERT_EQ(junk.DecState(f.tab(), m_dev), QString());
    EXPECT_EQ(junk.SLfromState(0), zero.SLfromState(0));
    EXPECT_EQ(junk.SLfromState(1), zero.SLfromState(1));
}

// The module check: the module's own fixed text for a wrong format, then the
// appends; every refused reply leaves the record as it was.
TEST_F(StateTwoSystem, ModuleCheckTexts)
{
    const QString e34 = QStringLiteral("unit U34:function DecState: erundec ");
    const QString cs = QStringLiteral("\rНЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
    const QString ty = QStringLiteral("\rНЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    const QString no = QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА");
    Tab badCs = StateFrame(129, 234, 0x1234).tab();
    badCs.set(128, badCs.at(128) ^ 1);
    Tab cut = StateFrame(129, 234, 0x1234).tab();
    cut.truncate(128);
    struct Case {
        ModuleId id;
        int type;
        Tab reply;
        QString text;
    } cases[] = {
        {ModuleId::U34, 234, StateFrame(161, 234, 0x1234).tab(), e34}, // a U38 length
        {ModuleId::U38, 238, StateFrame(129, 238, 0x1234).tab(), e34}, // a U34 length
        {ModuleId::U29, 229, StateFrame(105, 229, 0x1234, 5).tab(), QStringLiteral("unit U29:function DecState: erundec ")},
        {ModuleId::U28, 228, StateFrame(97, 228, 0x1234).u8(0, 96).tab(), QStringLiteral("unit Upo:function DecState: erundec ")},
        {ModuleId::U34, 234, cut, e34 + cs},
        {ModuleId::U34, 234, badCs, cs},
        {ModuleId::U34, 234, StateFrame(129, 236, 0x1234).tab(), ty},
        {ModuleId::U34, 234, StateFrame(129, 234, 0x4321).tab(), no},
        {ModuleId::U34, 234, StateFrame(129, 236, 0x4321, 3).tab(), e34 + ty + no},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.text.toStdString());
        identify(k.type);
        const StateCodec2::Layout &l = StateCodec2::layout(k.id);
        StateCodec2 c(k.id);
        StateFrame good(l.length, k.type, 0x1234);
        good.f32(5, 7.5f).u8(79, 9);
        ASSERT_EQ(c.DecState(good.tab(), m_dev), QString());
        EXPECT_EQ(c.DecState(k.reply, m_dev), k.text);
        EXPECT_EQ(c.SLfromState(0).at(0), "7.50");
        EXPECT_EQ(c.errorCode(1, 1), 9);
    }
}

// A datagram can be any length: the check never reads past it.
TEST_F(StateTwoSystem, ShortRepliesAreRefusedWithoutReadingPastThem)
{
    const QString e = QStringLiteral("unit Upo:function DecState: erundec ");
    identify(228);
    StateCodec2 c(ModuleId::U28);
    const Tab full = StateFrame(97, 228, 0x1234).tab();
    for (int n = 0; n < 97; ++n) {
        const QString text = c.DecState(full.mid(0, n), m_dev);
        EXPECT_TRUE(text.startsWith(e)) << n;
        EXPECT_EQ(text.contains(QStringLiteral("ТИПА")), n < 2) << n;
        EXPECT_EQ(text.contains(QStringLiteral("НОМЕРА")), n < 4) << n;
    }
}

TEST_F(StateTwoSystem, SettingAnErrorCodeChangesOneSystem)
{
    identify(229);
    StateCodec2 c(ModuleId::U29);
    c.setErrorCode(2, 1, 6);
    c.setErrorCode(1, 0, 64);
    c.setErrorCode(1, 5, 1); // no such system: ignored
    EXPECT_EQ(c.SLfromState(0).at(12), "0");
    EXPECT_EQ(c.SLfromState(0).at(13), "64");
    EXPECT_EQ(c.SLfromState(1).at(12), "6");
    EXPECT_EQ(c.SLfromState(1).at(13), "0");
}

} // namespace
