// The status line model: texts, colours and device prefix of the four
// status kinds, the lamp and its flash mode, the clock.

#include "base/Dates.h"
#include "devices/Registry.h"
#include "links/Waiter.h"
#include "protocol/Frame.h"
#include "workflows/StatusLine.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace pim;
using Lamp = StatusLine::LampState;
using LampColour = StatusLine::LampColour;

namespace {

QCoreApplication &app()
{
    static int argc = 1;
    static char name[] = "test_workflows_status";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *a = QCoreApplication::instance() ? QCoreApplication::instance()
                                                              : new QCoreApplication(argc, argv);
    return *a;
}

struct StatusFixture : ::testing::Test {
    FakeWaiter clock;
    StatusLine line;
    void SetUp() override
    {
        app();
        ResetIdentity();
        line.setWaiter(&clock);
    }
    void TearDown() override { ResetIdentity(); }
};

} // namespace

TEST_F(StatusFixture, DevicePrefixOnlyForKnownTypes)
{
    EXPECT_EQ(line.text(), QStringLiteral("не определено"));
    line.StatusBusy(QStringLiteral("определение"));
    EXPECT_EQ(line.text(), QStringLiteral("определение"));
    EXPECT_EQ(line.label(StatusLabel::LuState).colour, 0x008080u);
    EXPECT_EQ(clock.waits, QList<int>({1})); // painted before the work begins

    SetCurrentIdentity(229, 1234);
    line.StatusOk(QStringLiteral("НА СВЯЗИ!"));
    EXPECT_EQ(line.text(), ModelName(229) + QStringLiteral(" № 1234: НА СВЯЗИ!"));
    EXPECT_EQ(line.label(StatusLabel::LuState).colour, 0x008000u);
    line.StatusBusy(StatusLabel::LPState, QStringLiteral("чтение"));
    EXPECT_EQ(line.text(StatusLabel::LPState), ModelName(229) + QStringLiteral(" № 1234: чтение"));

    line.StatusFail(QStringLiteral("НЕТ СВЯЗИ"));
    EXPECT_EQ(line.text(), QStringLiteral("НЕТ СВЯЗИ"));
    EXPECT_EQ(line.label(StatusLabel::LuState).colour, 0x0000FFu);

    // Outside 128..239 the message stands alone.
    for (int type : {127, 240, 0}) {
        SetCurrentIdentity(type, 5);
        line.StatusOk(QStringLiteral("x"));
        EXPECT_EQ(line.text(), QStringLiteral("x")) << type;
    }
    SetCurrentIdentity(128, 7);
    line.StatusOk(QStringLiteral("x"));
    EXPECT_EQ(line.text(), ModelName(128) + QStringLiteral(" № 7: x"));
}

TEST_F(StatusFixture, KindsDriveTheLamp)
{
    struct Case {
        const char *name;
        std::function<void()> call;
        LampColour colour;
    } cases[] = {
        {"busy", [&] { line.StatusBusy(QStringLiteral("a")); }, LampColour::Yellow},
        {"ok", [&] { line.StatusOk(QStringLiteral("a")); }, LampColour::Green},
        {"fail", [&] { line.StatusFail(QStringLiteral("a")); }, LampColour::Red},
    };
    for (const Case &c : cases) {
        c.call();
        EXPECT_EQ(line.lampColour(), c.colour) << c.name;
        EXPECT_EQ(line.lampState(), Lamp::Flashing) << c.name;
        EXPECT_TRUE(line.lampLit()) << c.name;
    }
    // StatusText: the colour picks the lamp colour (olive gives yellow,
    // others leave it), never the lamp state.
    line.StatusFail(QStringLiteral("a"));
    line.lampTick();
    const bool lit = line.lampLit();
    struct TextCase { quint32 colour; LampColour lamp; } texts[] = {
        {clGreen, LampColour::Green}, {0x123456, LampColour::Green}, {clOlive, LampColour::Yellow},
        {clRed, LampColour::Red}, {clBlack, LampColour::Red}};
    for (const TextCase &t : texts) {
        line.StatusText(StatusLabel::LDstate, QStringLiteral("t"), t.colour);
        EXPECT_EQ(line.lampColour(), t.lamp) << t.colour;
        EXPECT_EQ(line.label(StatusLabel::LDstate).colour, t.colour);
        EXPECT_EQ(line.lampState(), Lamp::Flashing);
        EXPECT_EQ(line.lampLit(), lit);
    }
    // The caption alone changes nothing else.
    line.setLabelText(StatusLabel::LDstate, QStringLiteral("5 байт"));
    EXPECT_EQ(line.label(StatusLabel::LDstate).colour, clBlack);
    EXPECT_EQ(line.text(StatusLabel::LuState), QStringLiteral("a"));
}

TEST_F(StatusFixture, FlashModeOnFlashesOffFlashesOnce)
{
    EXPECT_TRUE(line.flashMode());
    line.StatusOk(QStringLiteral("a"));
    QList<bool> seen;
    for (int i = 0; i < 4; ++i) {
        line.lampTick();
        seen.append(line.lampLit());
    }
    EXPECT_EQ(seen, QList<bool>({false, true, false, true}));

    line.toggleFlashMode(); // the lamp click: off, one flash
    EXPECT_FALSE(line.flashMode());
    EXPECT_EQ(line.lampState(), Lamp::SingleFlash);
    line.StatusOk(QStringLiteral("b"));
    seen.clear();
    for (int i = 0; i < 4; ++i) {
        line.lampTick();
        seen.append(line.lampLit());
    }
    EXPECT_EQ(seen, QList<bool>({false, true, true, true}));
    EXPECT_EQ(line.lampState(), Lamp::On);

    line.toggleFlashMode(); // on again: continuous
    EXPECT_EQ(line.lampState(), Lamp::Flashing);
}

TEST_F(StatusFixture, ClockBlinksItsColon)
{
    const QDate d(2026, 12, 10);
    line.clockTick(QDateTime(d, QTime(12, 5, 7)));
    EXPECT_EQ(line.LDT(), formatDateTime(QStringLiteral("dd mmmm yyyy  hh:nn"), QDateTime(d, QTime(12, 5, 7))));
    EXPECT_TRUE(line.LDT().startsWith(QStringLiteral("10 ")));
    EXPECT_EQ(line.Gsec(), 7);
    line.clockTick(QDateTime(d, QTime(12, 5, 8)));
    EXPECT_TRUE(line.LDT().endsWith(QStringLiteral("  12 05"))) << qPrintable(line.LDT());
    EXPECT_EQ(line.Gsec(), 8);
    line.clockTick(QDateTime(d, QTime(23, 59, 59)));
    EXPECT_EQ(line.Gsec(), 59);
}
