// TCommPortDriver: property rules, a port that does not exist, reads with
// the time-out counted from the last byte, and the receive event held off
// during a read. The line is a pseudo-terminal played by the test.

#include "LinkTestSupport.h"
#include "links/CommPortDriver.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace pim;
using pimtest::PtyPeer;

TEST(CommPortProperties, DefaultsClampsAndCoupling)
{
    pimtest::app();
    TCommPortDriver p;
    EXPECT_EQ(p.Port(), pnCOM2);
    EXPECT_EQ(p.PortName(), QStringLiteral("\\\\.\\COM2"));
    EXPECT_EQ(p.BaudRate(), br9600);
    EXPECT_EQ(p.BaudRateValue(), 9600u);
    EXPECT_EQ(p.DataBits(), db8BITS);
    EXPECT_EQ(p.HwFlow(), hfNONERTSON);
    EXPECT_EQ(p.InputTimeout(), 200u);
    EXPECT_EQ(p.OutputTimeout(), 500u);
    EXPECT_EQ(p.PollingDelay(), 50u);
    EXPECT_EQ(p.PacketSize(), -1);

    struct Case { quint32 set, expect; } queues[] = {{100, 128}, {10000, 8192}, {128, 128}, {8192, 8192}, {4096, 4096}};
    for (const Case &c : queues) {
        p.setInBufSize(c.set);
        p.setOutBufSize(c.set);
        EXPECT_EQ(p.InBufSize(), c.expect) << c.set;
        EXPECT_EQ(p.OutBufSize(), c.expect) << c.set;
    }
    p.setPollingDelay(1);
    EXPECT_EQ(p.PollingDelay(), 5u);

    p.setPort(pnCOM5);
    EXPECT_EQ(p.PortName(), QStringLiteral("\\\\.\\COM5"));
    p.setPortName(QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(p.Port(), pnCustom);
    p.setPort(pnCustom);
    EXPECT_EQ(p.PortName(), QStringLiteral("/dev/ttyUSB0"));

    p.setBaudRate(br19200);
    EXPECT_EQ(p.BaudRateValue(), 19200u);
    p.setBaudRateValue(9600);
    EXPECT_EQ(p.BaudRate(), brCustom);

    EXPECT_EQ(systemPortPath(QStringLiteral("\\\\.\\COM5")), QStringLiteral("/dev/ttyS4"));
    EXPECT_EQ(systemPortPath(QStringLiteral("/dev/pts/7")), QStringLiteral("/dev/pts/7"));
}

TEST(CommPort, MissingPortStaysClosed)
{
    pimtest::app();
    TCommPortDriver p;
    p.setPortName(QStringLiteral("/dev/pim-no-such-port"));
    EXPECT_FALSE(p.OpenPort());
    EXPECT_FALSE(p.IsOpen());
    EXPECT_FALSE(p.lastError().isEmpty());
    EXPECT_EQ(p.RxCount(), 0xFFFF);
    EXPECT_EQ(p.TxFree(), -1);
    EXPECT_EQ(p.LineStatus(), 0);
    EXPECT_EQ(p.SendData(QByteArray("\x06", 1)), 0);
    EXPECT_TRUE(p.ReadBytes(4).isEmpty());
    EXPECT_FALSE(p.PurgeBuffers(true, true));
}

TEST(CommPort, OpenSettingsAndNameLockedWhileOpen)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.ok());
    TCommPortDriver p;
    p.setPortName(peer.slavePath());
    ASSERT_TRUE(p.OpenPort()) << qPrintable(p.lastError());
    EXPECT_TRUE(p.OpenPort()); // already open
    p.setPortName(QStringLiteral("/dev/other"));
    p.setPort(pnCOM3);
    EXPECT_EQ(p.PortName(), peer.slavePath());
    p.setInBufSize(4096); // only while closed
    EXPECT_EQ(p.InBufSize(), 2048u);
    p.setBaudRate(br19200); // re-applied at once
    EXPECT_TRUE(p.IsOpen());
    EXPECT_EQ(p.TxFree(), 2048);
    EXPECT_EQ(p.RxCount(), 0);
    p.ClosePort();
    EXPECT_FALSE(p.IsOpen());
    p.setPort(pnCOM3);
    EXPECT_EQ(p.PortName(), QStringLiteral("\\\\.\\COM3"));
}

TEST(CommPort, ReadTimesOutAfterLastByte)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.ok());
    pimtest::SteppingClock clock;
    TCommPortDriver p;
    p.setWaiter(&clock);
    p.setPortName(peer.slavePath());
    p.setInputTimeout(200);
    ASSERT_TRUE(p.OpenPort());

    // 4 of 10 bytes, nothing more: the 4 after the input time-out.
    peer.write(QByteArray("\x01\x02\x03\x04", 4));
    qint64 start = clock.now();
    EXPECT_EQ(p.ReadBytes(10), QByteArray("\x01\x02\x03\x04", 4));
    EXPECT_GE(clock.now() - start, 200);
    EXPECT_LT(clock.now() - start, 300);

    // Bytes that keep coming restart the time-out: 2 now, 2 after 140 ms.
    peer.write(QByteArray("\x05\x06", 2));
    start = clock.now();
    clock.after(140, [&] { peer.write(QByteArray("\x07\x08", 2)); });
    EXPECT_EQ(p.ReadBytes(10).size(), 4);
    EXPECT_GE(clock.now() - start, 340);
    EXPECT_LT(clock.now() - start, 440);

    // A full read returns as soon as its last byte is in, long before the
    // time-out.
    p.setInputTimeout(5000);
    peer.write(QByteArray(5, 'x'));
    start = clock.now();
    EXPECT_EQ(p.ReadBytes(5).size(), 5);
    EXPECT_LT(clock.now() - start, 5000);
}

TEST(CommPort, ReceiveEventHeldOffDuringRead)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.ok());
    TCommPortDriver p;
    p.setPortName(peer.slavePath());
    p.setInputTimeout(10000);
    p.setPollingDelay(5);
    QByteArray delivered;
    p.setOnReceiveData([&](const QByteArray &d) { delivered += d; });
    ASSERT_TRUE(p.OpenPort());

    // Bytes arriving while ReadBytes waits are the read's, not the event's,
    // although the 5 ms poll ticks many times meanwhile. (The poll is a real
    // timer, so the wait is real too; the time-out is far beyond it.)
    QTimer::singleShot(100, [&] { peer.write("abc"); });
    EXPECT_EQ(p.ReadBytes(3), QByteArray("abc"));
    EXPECT_TRUE(delivered.isEmpty());

    // With no read running, the poll delivers them.
    peer.write("xyz");
    defaultWaiter().Pause(100);
    EXPECT_EQ(delivered, QByteArray("xyz"));

    // PurgeBuffers drops what waits.
    {
        ReceiveHold hold(p);
        peer.write("junk");
        defaultWaiter().Pause(50);
        EXPECT_EQ(p.RxCount(), 4);
        EXPECT_TRUE(p.PurgeBuffers(true, true));
        EXPECT_EQ(p.RxCount(), 0);
    }
}

TEST(CommPort, WritesReachThePeer)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.ok());
    TCommPortDriver p;
    p.setPortName(peer.slavePath());
    ASSERT_TRUE(p.OpenPort());
    EXPECT_TRUE(p.SendByte(6));
    EXPECT_TRUE(p.SendText(QByteArray("\x00\x00\x00\x00\xFA", 5)));
    defaultWaiter().Pause(100);
    ASSERT_EQ(peer.requests.size(), 1);
    EXPECT_EQ(peer.requests[0], QByteArray("\x06\x00\x00\x00\x00\xFA", 6));
    // A pseudo-terminal has no modem lines: LineStatus reads 0, and a write
    // that checks them stops at once.
    p.setCheckLineStatus(true);
    EXPECT_EQ(p.LineStatus(), 0);
    EXPECT_EQ(p.SendData(QByteArray(3, 'a')), 0);
}
