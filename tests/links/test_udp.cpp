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

// Q_ArhNo to type 229, number 0x1234: its reply carries the request's code;
// the registry gives no fixed length for it.
Tab arhNoRequest()
{
    return SQ(Identity{229, 0x1234}, Q_ArhNo);
}

TEST_F(UdpFixture, NoAnswerFiveSendsEachAfterTheReplyTimeOut)
{
    // The reply time-out is honoured as given, below a second too: every
    // request waits it out before it goes again.
    struct Case {
        quint32 timeout;
    } cases[] = {{1000}, {300}, {2500}};
    for (const Case &c : cases) {
        engine.port().setInputTimeout(c.timeout);
        conv.requests.clear();
        clock.waits.clear();
        const qint64 start = clock.now();
        Tab io{6, 229, 0x34, 0x12, 1, 0xCE};
        const Tab before = io;
        EXPECT_FALSE(engine.Exchange(io, io));
        EXPECT_EQ(io, before);
        clock.processPending();
        EXPECT_EQ(conv.requests.size(), 5) << c.timeout;
        for (const QByteArray &r : conv.requests)
            EXPECT_EQ(r, before.bytes()); // the frame alone, nothing added
        EXPECT_EQ(clock.now() - start, 5 * qint64(c.timeout));
        EXPECT_EQ(clock.waits, QList<int>(5, int(c.timeout))) << c.timeout;
    }
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
    conv.answer = [](const QByteArray &, int) { return QList<QByteArray>{QByteArray("\x06\xE5\x34\x12\x00\xCF", 6)}; };
    Tab io{6, 0, 0, 0, 0, 0xFA};
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io.toHex(), QStringLiteral("06 E5 34 12 00 CF"));
    EXPECT_EQ(conv.requests.size(), 1);
}

TEST_F(UdpFixture, ReplyThatDoesNotFitIsPassedOverAndTheWaitGoesOn)
{
    // A late identity reply, a frame of another command and a state reply
    // of the wrong length come first; the answer behind them is taken, and
    // the request went out once.
    const QByteArray answer = arhNoRequest().bytes() + QByteArray("\x01\x02", 2);
    const QByteArray state229Short = SQ(Identity{229, 0x1234}, Q_State, Tab(10)).bytes();
    struct Case {
        const char *name;
        Tab request;
        QList<QByteArray> replies;
        QByteArray taken;
    } cases[] = {
        {"late identity reply before the current numbers", arhNoRequest(),
         {QByteArray("\x06\xE5\x34\x12\x00\xCF", 6), SQ(Identity{229, 0x1234}, Q_State).bytes(), answer}, answer},
        {"state reply of the wrong length", SQ(Identity{229, 0x1234}, Q_State),
         {state229Short, SQ(Identity{229, 0x1234}, Q_State, Tab(99)).bytes()},
         SQ(Identity{229, 0x1234}, Q_State, Tab(99)).bytes()},
        {"identity: a frame of another command", Tab{6, 0, 0, 0, 0, 0xFA},
         {answer, QByteArray("\x06\xE5\x34\x12\x00\xCF", 6)}, QByteArray("\x06\xE5\x34\x12\x00\xCF", 6)},
    };
    for (const Case &c : cases) {
        conv.requests.clear();
        conv.answer = [&](const QByteArray &, int) { return c.replies; };
        Tab io = c.request;
        ASSERT_TRUE(engine.Exchange(io, io)) << c.name;
        EXPECT_EQ(io.bytes(), c.taken) << c.name;
        clock.processPending();
        EXPECT_EQ(conv.requests.size(), 1) << c.name;
    }
    EXPECT_GE(engine.udpPassedOver(), 4);
}

TEST_F(UdpFixture, LateDuplicateIsNotTheNextReply)
{
    // The first request is answered twice (it went out twice: the first
    // answer came after the reply time-out); the spare answer is still on
    // its way when the second request goes out.
    engine.port().setInputTimeout(200);
    QList<QByteArray> held;
    conv.answer = [&](const QByteArray &req, int i) {
        // A device answers the same request with the same bytes.
        QByteArray r = req + char(i == 1 ? 0x40 : 0x40 + i);
        if (i == 0) {
            held.append(r); // answered late, after the second send
            return QList<QByteArray>{};
        }
        if (i == 1) {
            QList<QByteArray> out{held.takeFirst()};
            held.append(r); // the spare, after the next request
            return out;
        }
        QList<QByteArray> out{held.takeFirst(), r};
        return out;
    };
    Tab a = arhNoRequest();
    ASSERT_TRUE(engine.Exchange(a, a));
    EXPECT_EQ(a.at(6), 0x40);
    clock.processPending();
    Tab b = arhNoRequest();
    ASSERT_TRUE(engine.Exchange(b, b));
    EXPECT_EQ(b.at(6), 0x42);
    EXPECT_EQ(conv.requests.size(), 3);
}

TEST_F(UdpFixture, DatagramsFromElsewhereAreIgnored)
{
    // From another host, and from the converter's host but another port:
    // both forged replies arrive first, the converter's after them.
    QUdpSocket otherHost;
    ASSERT_TRUE(otherHost.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    QUdpSocket otherPort;
    ASSERT_TRUE(otherPort.bind(QHostAddress::LocalHost, 0));
    conv.onRequest = [&](const QNetworkDatagram &d) {
        otherHost.writeDatagram(QByteArray("\x06\xE5\x34\x12\x00\xCF", 6), d.senderAddress(), d.senderPort());
        otherPort.writeDatagram(QByteArray("\x06\xE5\x35\x12\x00\xCE", 6), d.senderAddress(), d.senderPort());
    };
    conv.answer = [](const QByteArray &, int) { return QList<QByteArray>{QByteArray("\x06\xE6\x34\x12\x00\xCE", 6)}; };
    Tab io{6, 0, 0, 0, 0, 0xFA};
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io.toHex(), QStringLiteral("06 E6 34 12 00 CE"));
    EXPECT_GE(engine.udp().droppedForeign(), 2);
    // The client listens on loopback alone: the converter is reached there.
    EXPECT_EQ(engine.udp().localAddress(), QHostAddress(QHostAddress::LocalHost));
}

TEST_F(UdpFixture, HostNameIsResolved)
{
    conv.answer = [](const QByteArray &, int) { return QList<QByteArray>{QByteArray("\x06\xE5\x34\x12\x00\xCF", 6)}; };
    engine.setNetworkAddress(QStringLiteral("localhost"), conv.port());
    engine.setWaiter(nullptr); // a real lookup needs the real event loop
    Tab io{6, 0, 0, 0, 0, 0xFA};
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io.toHex(), QStringLiteral("06 E5 34 12 00 CF"));
}

TEST_F(UdpFixture, UnresolvableHostIsNamed)
{
    pimtest::RecordingStatus status;
    engine.setStatus(&status);
    engine.setWaiter(nullptr); // a real lookup needs the real event loop
    engine.setNetworkAddress(QStringLiteral("no-such-converter.invalid"), conv.port());
    Tab io{6, 0, 0, 0, 0, 0xFA};
    EXPECT_FALSE(engine.Exchange(io, io));
    EXPECT_EQ(engine.lastError(), QStringLiteral("АДРЕС no-such-converter.invalid НЕ СУЩЕСТВУЕТ"));
    EXPECT_EQ(status.texts[int(StatusLabel::LuState)], engine.lastError());
    EXPECT_EQ(status.texts[int(StatusLabel::LNstate)], QStringLiteral("НЕТ ТАКОГО АДРЕСА"));
    EXPECT_TRUE(conv.requests.isEmpty());
}

TEST_F(UdpFixture, SlowConverterGetsEachRequestOnce)
{
    // A converter in front of a device that answers 150 ms after each
    // request: well inside the reply time-out, so nothing goes twice.
    struct Due {
        qint64 at;
        QByteArray reply;
        QHostAddress to;
        quint16 port;
    };
    QList<Due> due;
    conv.onRequest = [&](const QNetworkDatagram &d) {
        due.append({clock.now() + 150, d.data() + "R", d.senderAddress(), quint16(d.senderPort())});
    };
    clock.onAdvance = [&](qint64 now) {
        while (!due.isEmpty() && due.first().at <= now) {
            const Due x = due.takeFirst();
            conv.sock.writeDatagram(x.reply, x.to, x.port);
        }
    };
    for (int rec = 0; rec < 3; ++rec) {
        Tab io = SQ(Identity{229, 0x1234}, Q_ArhNo, Tab{quint8(rec)});
        const Tab request = io;
        ASSERT_TRUE(engine.Exchange(io, io)) << rec;
        EXPECT_EQ(io.bytes(), request.bytes() + "R") << rec;
    }
    clock.processPending();
    EXPECT_EQ(conv.requests.size(), 3);
    clock.onAdvance = nullptr;
}
