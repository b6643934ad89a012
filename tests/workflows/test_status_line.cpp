// The status line model: texts, kinds and device prefix of the status
// kinds, the lamp and its flash mode, the clock.

#include "base/Dates.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "links/Waiter.h"
#include "protocol/Frame.h"
#include "workflows/StatusLine.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace pim;
using Lamp = StatusLine::LampState;

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
    DeviceSession session;
    StatusLine line;
    void SetUp() override
    {
        app();
        line.setWaiter(&clock);
        line.setSession(&session);
    }
};

} // namespace

TEST_F(StatusFixture, DevicePrefixOnlyForKnownTypes)
{
    EXPECT_EQ(line.text(), QStringLiteral("не определено"));
    line.statusBusy(QStringLiteral("определение"));
    EXPECT_EQ(line.text(), QStringLiteral("определение"));
    EXPECT_EQ(line.label(StatusLabel::LuState).kind, StatusKind::Busy);
    EXPECT_EQ(clock.waits, QList<int>({1})); // painted before the work begins

    session.setIdentity(229, 1234);
    line.statusOk(QStringLiteral("НА СВЯЗИ!"));
    EXPECT_EQ(line.text(), ModelName(229) + QStringLiteral(" № 1234: НА СВЯЗИ!"));
    EXPECT_EQ(line.label(StatusLabel::LuState).kind, StatusKind::Ok);
    line.StatusBusy(StatusLabel::LPState, QStringLiteral("чтение"));
    EXPECT_EQ(line.text(StatusLabel::LPState), ModelName(229) + QStringLiteral(" № 1234: чтение"));

    line.statusFail(QStringLiteral("НЕТ СВЯЗИ"));
    EXPECT_EQ(line.text(), QStringLiteral("НЕТ СВЯЗИ"));
    EXPECT_EQ(line.label(StatusLabel::LuState).kind, StatusKind::Fail);

    // Outside 128..239 the message stands alone.
    for (int type : {127, 240, 0}) {
        session.setIdentity(type, 5);
        line.statusOk(QStringLiteral("x"));
        EXPECT_EQ(line.text(), QStringLiteral("x")) << type;
    }
    session.setIdentity(128, 7);
    line.statusOk(QStringLiteral("x"));
    EXPECT_EQ(line.text(), ModelName(128) + QStringLiteral(" № 7: x"));
}

TEST_F(StatusFixture, KindsDriveTheLamp)
{
    struct Case {
        const char *name;
        std::function<void()> call;
        StatusKind lamp;
    } cases[] = {
        {"busy", [&] { line.statusBusy(QStringLiteral("a")); }, StatusKind::Busy},
        {"ok", [&] { line.statusOk(QStringLiteral("a")); }, StatusKind::Ok},
        {"fail", [&] { line.statusFail(QStringLiteral("a")); }, StatusKind::Fail},
    };
    for (const Case &c : cases) {
        c.call();
        EXPECT_EQ(line.lampKind(), c.lamp) << c.name;
        EXPECT_EQ(line.lampState(), Lamp::Flashing) << c.name;
        EXPECT_TRUE(line.lampLit()) << c.name;
    }
    // A long job's bare texts turn the lamp busy or ok but never touch its
    // flashing; a text without kind leaves the lamp as it was.
    line.statusFail(QStringLiteral("a"));
    line.lampTick();
    const bool lit = line.lampLit();
    struct TextCase { StatusKind kind; StatusKind lamp; } texts[] = {
        {StatusKind::None, StatusKind::Fail}, {StatusKind::Done, StatusKind::Ok},
        {StatusKind::None, StatusKind::Ok}, {StatusKind::Progress, StatusKind::Busy}};
    for (const TextCase &t : texts) {
        line.report(StatusLabel::LDstate, t.kind, QStringLiteral("t"));
        EXPECT_EQ(line.lampKind(), t.lamp) << int(t.kind);
        EXPECT_EQ(line.label(StatusLabel::LDstate).kind, t.kind);
        EXPECT_EQ(line.text(StatusLabel::LDstate), QStringLiteral("t"));
        EXPECT_EQ(line.lampState(), Lamp::Flashing);
        EXPECT_EQ(line.lampLit(), lit);
    }
    // The caption alone changes nothing else.
    line.setLabelText(StatusLabel::LDstate, QStringLiteral("5 байт"));
    EXPECT_EQ(line.label(StatusLabel::LDstate).kind, StatusKind::Progress);
    EXPECT_EQ(line.text(StatusLabel::LuState), QStringLiteral("a"));
}

TEST_F(StatusFixture, FlashModeOnFlashesOffFlashesOnce)
{
    EXPECT_TRUE(line.flashMode());
    line.statusOk(QStringLiteral("a"));
    QList<bool> seen;
    for (int i = 0; i < 4; ++i) {
        line.lampTick();
        seen.append(line.lampLit());
    }
    EXPECT_EQ(seen, QList<bool>({false, true, false, true}));

    line.toggleFlashMode(); // the lamp click: off, one flash
    EXPECT_FALSE(line.flashMode());
    EXPECT_EQ(line.lampState(), Lamp::SingleFlash);
    line.statusOk(QStringLiteral("b"));
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
