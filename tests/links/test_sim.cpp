// The exchange engine against the simulator: over a pseudo-terminal and
// over UDP, on a clean line and on a noisy one.

#include "LinkTestSupport.h"
#include "devices/Registry.h"
#include "links/ExchangeEngine.h"
#include "protocol/Frame.h"
#include "support/PimSim.h"

#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace pim;
using pimtest::PimSim;

namespace {

// Identifies the device; true when type and number came back.
bool identify(ExchangeEngine &e, int &type, int &number)
{
    Tab io = SQNoTu(Identity{});
    if (!e.Exchange(io, io))
        return false;
    return DecNoTu(io, number, type).isEmpty();
}

// A state read as the workflows do it: up to 20 attempts until the reply
// passes its checks.
bool readState(ExchangeEngine &e, const Identity &dev)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        Tab io = SQ(dev, Q_State);
        if (e.Exchange(io, io) && TestAnswer(io, replyLength(dev.type, Q_State), Q_State, dev).isEmpty())
            return true;
    }
    return false;
}

} // namespace

TEST(Sim, SerialIdentityAndState)
{
    pimtest::app();
    PimSim sim;
    ASSERT_TRUE(sim.start({QStringLiteral("--type"), QStringLiteral("229"), QStringLiteral("--number"), QStringLiteral("4660")})) << qPrintable(sim.error());
    ExchangeEngine engine;
    engine.port().setPortName(sim.ptyPath());
    engine.port().setInputTimeout(300);
    int type = -1, number = -1;
    ASSERT_TRUE(identify(engine, type, number));
    EXPECT_EQ(type, 229);
    EXPECT_EQ(number, 4660);
    const Identity dev{type, number};
    Tab io = SQ(dev, Q_State);
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(TestAnswer(io, 105, Q_State, dev), QString());
    EXPECT_EQ(engine.lastAttempts(), 1);
}

TEST(Sim, NoisyLineTwoHundredStateReads)
{
    pimtest::app();
    PimSim sim;
    const QStringList args{QStringLiteral("--type"), QStringLiteral("236"), QStringLiteral("--number"), QStringLiteral("77"),
                     QStringLiteral("--seed"), QStringLiteral("7"),
                     QStringLiteral("--fault"), QStringLiteral("junk=0.2"),
                     QStringLiteral("--fault"), QStringLiteral("echo=0.1"),
                     QStringLiteral("--fault"), QStringLiteral("split=0.2"),
                     QStringLiteral("--split-gap"), QStringLiteral("20")};
    ASSERT_TRUE(sim.start(args)) << qPrintable(sim.error());
    ExchangeEngine engine;
    engine.port().setPortName(sim.ptyPath());
    engine.port().setInputTimeout(100);
    int type = -1, number = -1;
    bool identified = false;
    for (int i = 0; i < 5 && !identified; ++i)
        identified = identify(engine, type, number);
    ASSERT_TRUE(identified);
    ASSERT_EQ(type, 236);
    const Identity dev{type, number};
    int ok = 0;
    for (int i = 0; i < 200; ++i)
        ok += readState(engine, dev) ? 1 : 0;
    EXPECT_EQ(ok, 200);
}

TEST(Sim, UdpIdentityAndState)
{
    pimtest::app();
    PimSim sim;
    ASSERT_TRUE(sim.start({QStringLiteral("--type"), QStringLiteral("228"), QStringLiteral("--number"), QStringLiteral("321"),
                           QStringLiteral("--udp"), QStringLiteral("0")})) << qPrintable(sim.error());
    ASSERT_GT(sim.udpPort(), 0) << qPrintable(sim.firstLine());
    ExchangeEngine engine;
    engine.setNetworkActive(true);
    engine.setNetworkAddress(QStringLiteral("127.0.0.1"), sim.udpPort());
    int type = -1, number = -1;
    ASSERT_TRUE(identify(engine, type, number));
    EXPECT_EQ(type, 228);
    EXPECT_EQ(number, 321);
    const Identity dev{type, number};
    for (int i = 0; i < 20; ++i) {
        Tab io = SQ(dev, Q_State);
        ASSERT_TRUE(engine.Exchange(io, io));
        ASSERT_EQ(TestAnswer(io, 97, Q_State, dev), QString()) << i;
    }
}

TEST(Sim, SilentReplyIsRetried)
{
    pimtest::app();
    PimSim sim;
    ASSERT_TRUE(sim.start({QStringLiteral("--type"), QStringLiteral("229"), QStringLiteral("--number"), QStringLiteral("5"),
                           QStringLiteral("--fault"), QStringLiteral("silence@1,2")})) << qPrintable(sim.error());
    ExchangeEngine engine;
    engine.port().setPortName(sim.ptyPath());
    engine.port().setInputTimeout(100);
    engine.memo().setVisible(true);
    Tab io = SQNoTu(Identity{});
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(engine.lastAttempts(), 3);
    EXPECT_EQ(engine.memo().text().count(QStringLiteral("НЕТ В мУСОРЕ")), 2);
    int type = -1, number = -1;
    EXPECT_EQ(DecNoTu(io, number, type), QString());
    EXPECT_EQ(number, 5);
}

TEST(Sim, UdpReadIsTheSameWithStrayDatagrams)
{
    // A read of daily records over UDP, once on a quiet network and once
    // while another socket on this host sprays the client with junk, the
    // device's identity reply and records of other days. The strays come
    // from another port: they change nothing.
    pimtest::app();
    PimSim sim;
    // The device clock stands still: every record reads the same each time.
    ASSERT_TRUE(sim.start(238, 4242, {QStringLiteral("--clock"), QStringLiteral("2026-06-15 12:00"), QStringLiteral("--clock-stopped"),
                                      QStringLiteral("--udp"), QStringLiteral("0")}))
        << qPrintable(sim.error());
    const Identity id{238, 4242};
    ExchangeEngine engine;
    engine.setNetworkActive(true);
    engine.setNetworkAddress(QStringLiteral("127.0.0.1"), sim.udpPort());
    auto record = [&](int slot) {
        Tab io = SQ(id, Q_Arhiv, Tab{quint8(slot & 0xFF), quint8(0x80 | (slot >> 8))});
        return engine.Exchange(io, io) ? io.bytes() : QByteArray();
    };
    auto read = [&] {
        QList<QByteArray> archive;
        Tab io = SQ(id, Q_ArhBegin);
        EXPECT_TRUE(engine.Exchange(io, io));
        for (int slot = 0; slot < 40; ++slot)
            archive.append(record(slot));
        io = SQ(id, Q_ArhEnd);
        EXPECT_TRUE(engine.Exchange(io, io));
        return archive;
    };
    const QList<QByteArray> quiet = read();
    for (const QByteArray &r : quiet)
        ASSERT_EQ(TestAnswer(Tab::fromBytes(r), 222, Q_Arhiv, id), QString());

    QUdpSocket sprayer;
    ASSERT_TRUE(sprayer.bind(QHostAddress::LocalHost, 0));
    const QList<QByteArray> strays{
        QByteArray("\x00\xFF\x13\x37", 4),
        SQ(id, Q_NoTu).bytes(),                            // an identity reply
        record(100), record(200),                          // records of other days
        quiet.at(0).left(100),                             // a record cut short
    };
    int sent = 0;
    auto burst = [&] {
        for (const QByteArray &d : strays)
            sprayer.writeDatagram(d, engine.udp().localAddress(), engine.udp().localPort());
        sent += int(strays.size());
    };
    // One burst waits in the socket before the read starts (a fast read may
    // end before the timer's first turn); the timer keeps them coming.
    burst();
    QTimer spray;
    QObject::connect(&spray, &QTimer::timeout, burst);
    spray.start(1);
    const QList<QByteArray> noisy = read();
    spray.stop();
    EXPECT_GT(sent, 0);
    EXPECT_GT(engine.udp().droppedForeign(), 0);
    EXPECT_EQ(noisy.size(), quiet.size());
    EXPECT_TRUE(noisy == quiet);
}
