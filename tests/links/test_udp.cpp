// The UDP link against a converter played by the test on 127.0.0.1, on a
// fake clock: the attempts and their waits, the empty address, a late
// duplicate reply and a datagram from another host.

#include "LinkTestSupport.h"
#include "links/ExchangeEngine.h"

#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <functional>

using namespace pim;

namespace {

// A converter: answers each request datagram with what `answer` gives (a
// list of datagrams, sent in order).
struct Converter {
    QUdpSocket sock;
    QList<QByteArray> requests;
    std::function<QList<QByteArray>(const QByteArray &, int)> answer;
    std::function<void(const QNetworkDatagram &)> onRequest;

    Converter()
    {
        pimtest::app();
        sock.bind(QHostAddress::LocalHost, 0);
        QObject::connect(&sock, &QUdpSocket::readyRead, [this] {
            while (sock.hasPendingDatagrams()) {
                const QNetworkDatagram d = sock.receiveDatagram();
                requests.append(d.data());
                if (onRequest)
                    onRequest(d);
                if (answer)
                    for (const QByteArray &r : answer(d.data(), int(requests.size()) - 1))
                        sock.writeDatagram(r, d.senderAddress(), d.senderPort());
            }
        });
    }
    quint16 port() const { return sock.localPort(); }
};

struct UdpFixture : ::testing::Test {
    FakeWaiter clock;
    Converter conv;
    ExchangeEngine engine;
    void SetUp() override
    {
        engine.setWaiter(&clock);
        engine.setNetworkActive(true);
        engine.setNetworkAddress(QStringLiteral("127.0.0.1"), conv.port());
    }
};

} // namespace

TEST_F(UdpFixture, NoAnswerFiveSendsAndTenSeconds)
{
    Tab io{6, 229, 0x34, 0x12, 1, 0xCE};
    const Tab before = io;
    EXPECT_FALSE(engine.Exchange(io, io));
    EXPECT_EQ(io, before);
    clock.processPending();
    EXPECT_EQ(conv.requests.size(), 5);
    for (const QByteArray &r : conv.requests)
        EXPECT_EQ(r, before.bytes()); // the frame alone, nothing added
    EXPECT_GE(clock.now(), 10000);
    EXPECT_LE(clock.now(), 10010);
    QList<int> replyWaits;
    for (int w : clock.waits)
        if (w >= 1000)
            replyWaits.append(w);
    EXPECT_EQ(replyWaits, QList<int>({1000, 2000, 3000, 4000}));
}

TEST_F(UdpFixture, InputTimeoutAboveOneSecondStretchesTheWaits)
{
    engine.port().setInputTimeout(1500);
    Tab io{6, 0, 0, 0, 0, 0xFA};
    EXPECT_FALSE(engine.Exchange(io, io));
    EXPECT_GE(clock.now(), 15000);
    EXPECT_LE(clock.now(), 15010);
}

TEST_F(UdpFixture, EmptyAddressSendsNothing)
{
    int shown = 0;
    engine.setNetworkPageShown([&] { ++shown; });
    engine.setNetworkAddress(QStringLiteral("  "), conv.port());
    Tab io{6, 0, 0, 0, 0, 0xFA};
    EXPECT_FALSE(engine.Exchange(io, io));
    clock.processPending();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(conv.requests.isEmpty());
}

TEST_F(UdpFixture, ReplyIsTheWholePayload)
{
    conv.answer = [](const QByteArray &, int) { return QList<QByteArray>{QByteArray("\x07\x01\x02\x03\x04\x05\x06", 7)}; };
    Tab io{6, 0, 0, 0, 0, 0xFA};
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io.bytes(), QByteArray("\x07\x01\x02\x03\x04\x05\x06", 7));
    EXPECT_EQ(conv.requests.size(), 1);
}

TEST_F(UdpFixture, LateDuplicateIsNotTheNextReply)
{
    // The first request is answered twice; the spare answer is still
    // queued when the second request goes out.
    conv.answer = [](const QByteArray &req, int i) {
        QByteArray r = req;
        r[4] = char(0x40 + i);
        return i == 0 ? QList<QByteArray>{r, r} : QList<QByteArray>{r};
    };
    Tab a{6, 229, 0x34, 0x12, 3, 0};
    ASSERT_TRUE(engine.Exchange(a, a));
    EXPECT_EQ(a.at(4), 0x40);
    clock.processPending();
    Tab b{6, 229, 0x34, 0x12, 3, 1};
    ASSERT_TRUE(engine.Exchange(b, b));
    EXPECT_EQ(b.at(4), 0x41);
    EXPECT_EQ(b.at(5), 1);
}

TEST_F(UdpFixture, DatagramFromAnotherHostIsIgnored)
{
    QUdpSocket intruder;
    ASSERT_TRUE(intruder.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    // The intruder's forged reply arrives first, the converter's after it.
    conv.onRequest = [&](const QNetworkDatagram &d) {
        intruder.writeDatagram(QByteArray("\x06\xE5\x34\x12\x01\xCE", 6), d.senderAddress(), d.senderPort());
    };
    conv.answer = [](const QByteArray &, int) { return QList<QByteArray>{QByteArray("\x06\xE5\x34\x12\x00\xCF", 6)}; };
    Tab io{6, 0, 0, 0, 0, 0xFA};
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io.toHex(), QStringLiteral("06 E5 34 12 00 CF"));
    EXPECT_GE(engine.udp().droppedForeign(), 1);
}

TEST_F(UdpFixture, HostNameIsResolved)
{
    conv.answer = [](const QByteArray &req, int) { return QList<QByteArray>{req}; };
    engine.setNetworkAddress(QStringLiteral("localhost"), conv.port());
    engine.setWaiter(nullptr); // a real lookup needs the real event loop
    Tab io{6, 0, 0, 0, 0, 0xFA};
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io.toHex(), QStringLiteral("06 00 00 00 00 FA"));
}

TEST(Udp, SlowConverterSpareAnswerIsNotTheNextReply)
{
    // A converter in front of a device that answers one request at a time,
    // 150 ms each. The first attempt only looks, so every request goes out
    // twice and is answered twice; the spare answer to one request comes
    // after the next request went out.
    Converter conv;
    pimtest::SteppingClock clock;
    qint64 busyUntil = 0;
    conv.answer = nullptr;
    conv.onRequest = [&](const QNetworkDatagram &d) {
        busyUntil = qMax(busyUntil, clock.now()) + 150;
        const QByteArray reply = QByteArray("R") + d.data();
        const QHostAddress to = d.senderAddress();
        const quint16 port = quint16(d.senderPort());
        clock.after(busyUntil - clock.now(), [&conv, reply, to, port] { conv.sock.writeDatagram(reply, to, port); });
    };
    ExchangeEngine engine;
    engine.setWaiter(&clock);
    engine.setNetworkActive(true);
    engine.setNetworkAddress(QStringLiteral("127.0.0.1"), conv.port());
    for (int rec = 0; rec < 3; ++rec) {
        Tab io{8, 229, 0x34, 0x12, 3, quint8(rec), 0, 0};
        const Tab request = io;
        ASSERT_TRUE(engine.Exchange(io, io)) << rec;
        EXPECT_EQ(io.bytes(), QByteArray("R") + request.bytes()) << rec;
    }
}
