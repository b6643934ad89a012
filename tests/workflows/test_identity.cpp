// The identity command: imitation, the link checks before it, the reply
// cut and its refusal, the fields it fills, and a run against the simulator.

#include "../links/LinkTestSupport.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "support/PimSim.h"
#include "links/ExchangeEngine.h"
#include "workflows/Identity.h"
#include "workflows/StatusLine.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace pim;

namespace {

struct IdentityFixture : ::testing::Test {
    FakeWaiter clock;
    ExchangeEngine engine;
    DeviceSession session;
    StatusLine status;
    IdentityCommand cmd{engine, status, session};
    QList<Tab> requests;
    Tab replyToGive;

    void SetUp() override
    {
        pimtest::app();
        status.setWaiter(&clock);
        status.setSession(&session);
        engine.setWaiter(&clock);
        engine.port().setPortName(QStringLiteral("/dev/pim-no-such-port"));
        // Replies come from the replay route, so any bytes can be given.
        engine.setReplayHandler([this](const Tab &req, Tab &r) {
            requests.append(req);
            if (replyToGive.isEmpty())
                return false;
            r = replyToGive;
            return true;
        });
    }
    void linkChecked() { cmd.portChecked = true; }
};

} // namespace

TEST_F(IdentityFixture, ImitationSetsItsOwnIdentity)
{
    engine.setImitation(true);
    cmd.ImitType = 229;
    ASSERT_TRUE(cmd.AreadNoTuExecute(0));
    EXPECT_EQ(session.number(), 20560);
    EXPECT_EQ(session.type(), 229);
    EXPECT_EQ(cmd.view().ENo, QStringLiteral("20560"));
    EXPECT_EQ(cmd.view().Enok, QStringLiteral("20560"));
    EXPECT_EQ(cmd.view().Etype, ModelName(229));
    EXPECT_TRUE(cmd.view().changeLogEnabled);
    EXPECT_EQ(status.text(), ModelName(229) + QStringLiteral(" № 20560: НА СВЯЗИ!"));
    EXPECT_TRUE(requests.isEmpty());

    cmd.ImitType = 128; // the default: no change log
    ASSERT_TRUE(cmd.AreadNoTuExecute(0));
    EXPECT_EQ(session.type(), 128);
    EXPECT_FALSE(cmd.view().changeLogEnabled);
}

TEST_F(IdentityFixture, NoCheckedLinkNoExchange)
{
    replyToGive = Tab{6, 229, 0x34, 0x12, 0, 0xCF};
    EXPECT_FALSE(cmd.AreadNoTuExecute(0));
    EXPECT_EQ(status.text(), QStringLiteral("НЕТ СВЯЗИ"));
    EXPECT_EQ(status.label(StatusLabel::LuState).kind, StatusKind::Fail);
    EXPECT_TRUE(requests.isEmpty());

    cmd.eventsOn = false; // before start-up only the field colour is reset
    linkChecked();
    status.statusOk(QStringLiteral("было"));
    EXPECT_FALSE(cmd.AreadNoTuExecute(2));
    EXPECT_TRUE(cmd.view().enoNormalColour);
    EXPECT_EQ(cmd.view().activePage, 2);
    EXPECT_TRUE(requests.isEmpty());
}

TEST_F(IdentityFixture, PageSwitchAndAddressedRequest)
{
    linkChecked();
    engine.setReplayMode(true);
    replyToGive = Tab{6, 229, 0x34, 0x12, 0, 0xCF};
    for (auto [page, expected] : {std::pair{0, 0}, {1, 0}, {3, 3}, {5, 0}}) {
        cmd.AreadNoTuExecute(page);
        EXPECT_EQ(cmd.view().activePage, expected) << page;
    }
    ASSERT_EQ(requests.size(), 4);
    EXPECT_EQ(requests[0], IdentityTemplate());
    // Once the device is known it is asked by its own address.
    EXPECT_EQ(requests[1].toHex(), QStringLiteral("06 E5 34 12 00 CF"));
}

TEST_F(IdentityFixture, RepliesAcceptedAndRefused)
{
    linkChecked();
    engine.setReplayMode(true);
    struct Case {
        const char *name;
        const char *reply;
        int number;
        int type;
    } cases[] = {
        {"plain", "06 E5 34 12 00 CF", 0x1234, 229},
        {"cut to its length", "06 E5 34 12 00 CF 99 98", 0x1234, 229},
        {"length byte 0", "00 E5 34 12 00 CF", -1, -1},
        {"length beyond the reply", "09 E5 34 12 00 CF", -1, -1},
        {"length byte below 6", "05 E5 34 12 00", -1, -1},
        {"bad checksum", "06 E5 34 12 00 CE", -1, -1},
        {"not an identity reply", "06 E5 34 12 01 CE", -1, -1},
        {"the template given back", "06 00 00 00 00 FA", -1, -1},
    };
    for (const Case &c : cases) {
        session.resetIdentity();
        replyToGive = Tab::fromHex(QString::fromLatin1(c.reply));
        const bool ok = cmd.AreadNoTuExecute(0);
        EXPECT_EQ(ok, c.number >= 0) << c.name;
        EXPECT_EQ(session.number(), c.number) << c.name;
        EXPECT_EQ(session.type(), c.type) << c.name;
        EXPECT_EQ(cmd.view().ENo, QString::number(c.number)) << c.name;
        EXPECT_EQ(cmd.view().Enok, cmd.view().ENo) << c.name;
        if (ok) {
            EXPECT_EQ(status.text(), ModelName(229) + QStringLiteral(" № 4660: НА СВЯЗИ!")) << c.name;
            EXPECT_EQ(cmd.view().Etype, ModelName(229));
        } else {
            EXPECT_EQ(status.text(), QStringLiteral("НЕТ СВЯЗИ")) << c.name;
            EXPECT_EQ(status.label(StatusLabel::LuState).kind, StatusKind::Fail) << c.name;
            EXPECT_EQ(cmd.view().Etype, QString()) << c.name;
        }
    }
    // The exchange itself fails.
    replyToGive = Tab();
    EXPECT_FALSE(cmd.AreadNoTuExecute(0));
    EXPECT_EQ(status.text(), QStringLiteral("НЕТ СВЯЗИ"));
}

TEST_F(IdentityFixture, ShowsProgressWhileAsking)
{
    linkChecked();
    engine.setReplayMode(true);
    replyToGive = Tab{6, 229, 0x34, 0x12, 0, 0xCF};
    QStringList shown;
    cmd.setOnChange([&] { shown.append(cmd.view().ENo + QLatin1Char('/') + cmd.view().Etype); });
    engine.setReplayHandler([&](const Tab &, Tab &r) {
        shown.append(status.text());
        r = replyToGive;
        return true;
    });
    ASSERT_TRUE(cmd.AreadNoTuExecute(0));
    EXPECT_TRUE(shown.contains(QStringLiteral("определение/ЖДИТЕ...")));
    EXPECT_TRUE(shown.contains(QStringLiteral("определение")));
    EXPECT_EQ(shown.constLast(), QStringLiteral("4660/") + ModelName(229));
}

TEST_F(IdentityFixture, RefusedWhileAnotherCommandWaits)
{
    linkChecked();
    engine.setReplayMode(false);
    engine.setNetworkActive(true);
    engine.setNetworkAddress(QStringLiteral("127.0.0.1"), 9); // nobody answers
    bool second = true;
    QString secondStatus;
    clock.onAdvance = [&](qint64 now) {
        if (now > 500 && now < 1500 && second) {
            second = cmd.AreadNoTuExecute(0);
            secondStatus = status.text();
        }
    };
    EXPECT_FALSE(cmd.AreadNoTuExecute(0)); // the UDP exchange runs out
    EXPECT_FALSE(second);
    EXPECT_EQ(secondStatus, linkBusyText());
    EXPECT_EQ(status.text(), QStringLiteral("НЕТ СВЯЗИ"));
}

TEST(IdentitySim, OverThePseudoTerminal)
{
    pimtest::app();
    pimtest::PimSim sim;
    ASSERT_TRUE(sim.start({QStringLiteral("--type"), QStringLiteral("237"), QStringLiteral("--number"), QStringLiteral("31000")})) << qPrintable(sim.error());
    ExchangeEngine engine;
    engine.port().setPortName(sim.ptyPath());
    DeviceSession session;
    StatusLine status;
    status.setSession(&session);
    IdentityCommand cmd(engine, status, session);
    cmd.portChecked = true;
    ASSERT_TRUE(cmd.AreadNoTuExecute(0));
    EXPECT_EQ(cmd.view().ENo, QStringLiteral("31000"));
    EXPECT_EQ(cmd.view().Etype, ModelName(237));
    EXPECT_TRUE(cmd.view().changeLogEnabled);
    EXPECT_EQ(status.text(), ModelName(237) + QStringLiteral(" № 31000: НА СВЯЗИ!"));
}
