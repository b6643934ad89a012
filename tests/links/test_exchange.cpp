// The exchange engine over a scripted pseudo-terminal peer: the recovery of
// a reply from noise, the traces, the attempts, the route order, one
// exchange at a time, and the capped terminal memo.

#include "LinkTestSupport.h"
#include "links/ExchangeEngine.h"
#include "protocol/Fields.h"
#include "protocol/Imitation.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QFile>
#include <QTemporaryDir>

#include "base/Cp1251.h"

#include <gtest/gtest.h>

using namespace pim;
using pimtest::PtyPeer;

namespace {

QByteArray hex(const char *h)
{
    return Tab::fromHex(QString::fromLatin1(h)).bytes();
}

// A whole state reply of type 229, number 0x1234 (105 bytes) whose first
// data byte is `mark`.
QByteArray state229(int mark)
{
    Tab data(99);
    data.set(0, mark);
    return SQ(Identity{229, 0x1234}, Q_State, data).bytes();
}

// Type 229, number 0x1234: the state request is 06 E5 34 12 01 CE.
const Identity kDev229{229, 0x1234};

struct SerialFixture : ::testing::Test {
    PtyPeer peer;
    ExchangeEngine engine;
    void SetUp() override
    {
        ASSERT_TRUE(peer.ok());
        engine.port().setPortName(peer.slavePath());
        engine.port().setInputTimeout(150);
        engine.memo().setVisible(true);
    }
    QString trace() const { return engine.memo().text(); }
};

} // namespace

TEST(ScanJunk, FindsTheFirstCompleteFrame)
{
    const Identity dev{229, 0x1234};
    struct Case {
        const char *name;
        const char *bytes;
        int code;
        const char *found;
    } cases[] = {
        {"frame after junk", "0A 06 E5 34 12 01 CE", 1, "06 E5 34 12 01 CE"},
        {"frame between junk", "FF 00 06 E5 34 12 01 CE 77", 1, "06 E5 34 12 01 CE"},
        {"wrong code", "06 E5 34 12 05 CA", 1, ""},
        {"wrong number", "06 E5 35 12 01 CD", 1, ""},
        {"bad checksum", "06 E5 34 12 01 CF", 1, ""},
        {"does not fit", "08 E5 34 12 01 00 00", 1, ""},
        {"too short to search", "06 E5 34 12 01", 1, ""},
        {"identity reply", "33 06 E5 34 12 00 CF", 0, "06 E5 34 12 00 CF"},
        {"identity: type not served", "06 10 34 12 00 A4", 0, ""},
        {"identity: the template matches", "06 00 00 00 00 FA", 0, "06 00 00 00 00 FA"},
        {"empty", "", 0, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ExchangeEngine::ScanJunk(hex(c.bytes), c.code, dev), hex(c.found)) << c.name;
}

TEST_F(SerialFixture, LengthByteThreeFailsTheFirstAttempt)
{
    peer.answer = [](const QByteArray &, int i) {
        return i == 0 ? hex("03") : hex("06 E5 34 12 01 CE");
    };
    Tab io = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io.toHex(), QStringLiteral("06 E5 34 12 01 CE"));
    EXPECT_EQ(engine.lastAttempts(), 2);
    EXPECT_EQ(peer.requests.size(), 2);
    const QStringList lines = engine.memo().lines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[1], QStringLiteral("ЗАПРОС=6|229|52|18|1|206|length(r)=0; ОТВЕТ="));
    EXPECT_EQ(lines[2], QStringLiteral("НЕТ В мУСОРЕ"));
    EXPECT_EQ(lines[3], QStringLiteral("ЗАПРОС=6|229|52|18|1|206|length(r)=6; ОТВЕТ=006|229|052|018|001|206"));
}

TEST_F(SerialFixture, ReplyAfterJunkIsFoundAndListed)
{
    peer.answer = [](const QByteArray &, int) { return hex("0A 06 E5 34 12 01 CE"); };
    Tab io = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io.toHex(), QStringLiteral("06 E5 34 12 01 CE"));
    EXPECT_EQ(engine.lastAttempts(), 1);
    EXPECT_TRUE(trace().contains(QStringLiteral("length(r)=10;")));
    EXPECT_TRUE(trace().endsWith(QStringLiteral("ЕСТЬ 006|229|052|018|001|206")));
}

TEST_F(SerialFixture, WholeFrameOfAnotherShapeIsSearched)
{
    // 08 00 06 E5 34 12 01 CE: the noise byte 08 taken for a length gives
    // a whole frame whose code is not the request's; the reply inside it
    // is found.
    peer.answer = [](const QByteArray &, int) { return hex("08 00 06 E5 34 12 01 CE"); };
    Tab io = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io.toHex(), QStringLiteral("06 E5 34 12 01 CE"));
    EXPECT_EQ(engine.lastAttempts(), 1);
    EXPECT_TRUE(trace().contains(QStringLiteral("length(r)=8;")));
    EXPECT_TRUE(trace().endsWith(QStringLiteral("ЕСТЬ 006|229|052|018|001|206")));
}

TEST_F(SerialFixture, FrameThatAnswersSomethingElseIsPassedOver)
{
    // Whole frames that do not fit the request come before its reply: a
    // late identity reply (from an exchange that gave up), a state reply
    // of another type's length. They are passed over, the wait goes on,
    // and the request is written once.
    const QByteArray state105 = SQ(Identity{229, 0x1234}, Q_State, Tab(99)).bytes();
    const QByteArray arhNo = SQ(Identity{229, 0x1234}, Q_ArhNo, Tab{1, 2, 3, 4}).bytes();
    struct Case {
        const char *name;
        int code;
        QByteArray before;
        QByteArray reply;
    } cases[] = {
        {"identity reply before the current numbers", Q_ArhNo, hex("06 E5 34 12 00 CF"), arhNo},
        {"state reply of the wrong length", Q_State, SQ(Identity{229, 0x1234}, Q_State, Tab(91)).bytes(), state105},
        {"current numbers before the state", Q_State, arhNo, state105},
    };
    for (const Case &c : cases) {
        peer.requests.clear();
        peer.answer = [&](const QByteArray &, int) { return c.before + c.reply; };
        Tab io = SQ(kDev229, c.code);
        ASSERT_TRUE(engine.Exchange(io, io)) << c.name;
        EXPECT_EQ(io.bytes(), c.reply) << c.name;
        EXPECT_EQ(peer.requests.size(), 1) << c.name;
    }
}

TEST_F(SerialFixture, EchoedTemplateIsNeverAReply)
{
    peer.answer = [](const QByteArray &req, int) { return req; };
    Tab io = SQNoTu(Identity{});
    const Tab before = io;
    EXPECT_FALSE(engine.Exchange(io, io));
    EXPECT_EQ(io, before);
    EXPECT_EQ(peer.requests.size(), 4);
    EXPECT_EQ(trace().count(QStringLiteral("НЕТ В мУСОРЕ")), 4);
}

TEST_F(SerialFixture, TruncatedFrameIsNotCompletedWithZeros)
{
    // 08 E5 34 12 01 CC and then nothing: with the two missing bytes read
    // as zeros the frame would pass its checksum.
    peer.answer = [](const QByteArray &, int) { return hex("08 E5 34 12 01 CC"); };
    Tab io = SQ(kDev229, Q_State);
    EXPECT_FALSE(engine.Exchange(io, io));
    EXPECT_EQ(engine.lastAttempts(), 4);
    EXPECT_TRUE(trace().contains(QStringLiteral("length(r)=8;")));
}

TEST_F(SerialFixture, HiddenMemoKeepsOnlyTheLengthLines)
{
    engine.memo().setVisible(false);
    peer.answer = [](const QByteArray &, int) { return hex("06 E5 34 12 01 CE"); };
    Tab io = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(io, io));
    io = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(engine.memo().lines(), QStringList({QStringLiteral("Гипертерминал"), QStringLiteral("length(r)=6;length(r)=6;")}));
}

TEST(Exchange, MissingPortFailsAtOnceWithoutTrace)
{
    pimtest::app();
    ExchangeEngine engine;
    engine.memo().setVisible(true);
    engine.port().setPortName(QStringLiteral("/dev/pim-no-such-port"));
    Tab io = SQNoTu(Identity{});
    const Tab before = io;
    EXPECT_FALSE(engine.Exchange(io, io));
    EXPECT_EQ(io, before);
    EXPECT_EQ(engine.memo().lines(), QStringList({QStringLiteral("Гипертерминал"), QString()}));
}

TEST(Exchange, RouteOrderReplayImitationThenLinks)
{
    pimtest::app();
    ExchangeEngine engine;
    engine.port().setPortName(QStringLiteral("/dev/pim-no-such-port"));
    Imitator im([] { return 0.25; });
    engine.setImitator(&im);
    int replays = 0;
    engine.setReplayHandler([&](const Tab &, Tab &r) { ++replays; r = Tab{6, 1, 2, 3, 4, 5}; return true; });

    const Tab setTime = SQ(kDev229, Q_SetTime, Tab{0, 0, 1, 1, 26});
    Tab io = setTime;
    engine.setReplayMode(true);
    engine.setImitation(true);
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io, (Tab{6, 1, 2, 3, 4, 5}));
    EXPECT_EQ(replays, 1);

    engine.setReplayMode(false);
    io = setTime;
    ASSERT_TRUE(engine.Exchange(io, io)); // imitation answers a set-time with the request
    EXPECT_EQ(io, setTime);

    engine.setImitation(false);
    EXPECT_FALSE(engine.Exchange(io, io)); // the serial port does not exist
}

TEST_F(SerialFixture, OneExchangeAtATime)
{
    peer.answer = [&](const QByteArray &, int) { return hex("06 E5 34 12 01 CE"); };
    // A second exchange started by an event while the first one waits.
    bool nestedResult = true;
    QString nestedError;
    bool commandRefused = false;
    engine.port().setPollingDelay(5);
    // Runs at the first event the exchange handles, which is inside its
    // wait for the reply.
    QTimer::singleShot(0, [&] {
        Tab other = SQ(kDev229, Q_State);
        nestedResult = engine.Exchange(other, other);
        nestedError = engine.lastError();
        LinkCommand second(engine);
        commandRefused = !second;
    });
    LinkCommand first(engine);
    ASSERT_TRUE(first);
    {
        LinkCommand nested(engine); // the same command going on: allowed
        EXPECT_TRUE(nested);
    }
    Tab io = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_FALSE(nestedResult);
    EXPECT_EQ(nestedError, linkBusyText());
    EXPECT_TRUE(commandRefused);
    EXPECT_EQ(peer.requests.size(), 1);
}

TEST(TerminalMemo, CapDropsTheOldestLines)
{
    TerminalMemo memo(200);
    for (int i = 0; i < 100; ++i)
        memo.insert(QStringLiteral("line %1\r\n").arg(i));
    EXPECT_LE(memo.charCount(), 200);
    EXPECT_EQ(memo.lines().constLast(), QString());
    EXPECT_EQ(memo.lines().at(memo.lines().size() - 2), QStringLiteral("line 99"));
    // One endless line (the hidden memo's trace) is cut from its start.
    TerminalMemo hidden(200);
    for (int i = 0; i < 1000; ++i)
        hidden.insert(QStringLiteral("length(r)=6;"));
    EXPECT_LE(hidden.charCount(), 200);
    EXPECT_TRUE(hidden.text().endsWith(QStringLiteral("length(r)=6;")));
    hidden.reset();
    EXPECT_EQ(hidden.lines(), QStringList({QStringLiteral("Гипертерминал"), QString()}));
}

TEST_F(SerialFixture, EchoedRequestIsSkippedForTheReplyBehindIt)
{
    const QByteArray reply = state229(0x55);
    // An echoing line: the request comes back, then the reply.
    peer.answer = [&](const QByteArray &req, int) { return req + reply; };
    for (int i = 0; i < 3; ++i) {
        Tab io = SQ(kDev229, Q_State);
        ASSERT_TRUE(engine.Exchange(io, io)) << i;
        EXPECT_EQ(io.bytes(), reply) << i;
        EXPECT_EQ(engine.lastAttempts(), 1);
    }
    // A device whose reply repeats the request: taken once nothing follows.
    peer.answer = [](const QByteArray &req, int) { return req; };
    Tab io = SQ(kDev229, Q_ArhBegin);
    const Tab request = io;
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io, request);
}

TEST_F(SerialFixture, LeftoverOfAnEarlierExchangeIsNotTheNextReply)
{
    // The first reply is followed by a stray copy of itself; the second
    // request must get its own reply, not the copy.
    peer.answer = [](const QByteArray &, int i) {
        const QByteArray r = state229(i == 0 ? 1 : 2);
        return i == 0 ? r + r : r;
    };
    Tab a = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(a, a));
    EXPECT_EQ(a.at(5), 1);
    Tab b = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(b, b));
    EXPECT_EQ(b.at(5), 2);
}

TEST_F(SerialFixture, ReplyCutByNoiseTakenForALengthIsFoundInTheStream)
{
    // Noise 30 AB before a 105-byte reply: 30 read as a length makes a
    // 48-byte frame of the noise and the reply's start, and the byte 3 in
    // the reply then ends the reading by length bytes at once, with the
    // rest of the reply still on the line. The reply is whole in what the
    // attempt heard: it is taken there, and the next exchange is in step.
    Tab data(99);
    data.set(0, 1);
    data.set(41, 3);
    const QByteArray reply = SQ(kDev229, Q_State, data).bytes();
    peer.answer = [&](const QByteArray &, int i) { return i == 0 ? hex("30 AB") + reply : state229(2); };
    Tab a = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(a, a));
    EXPECT_EQ(a.bytes(), reply);
    EXPECT_EQ(engine.lastAttempts(), 1);
    Tab b = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(b, b));
    EXPECT_EQ(b.at(5), 2);
    EXPECT_EQ(engine.lastAttempts(), 1);
    EXPECT_EQ(peer.requests.size(), 2);
}

TEST(TerminalMemo, SavedInWindows1251AndReset)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TerminalMemo memo;
    memo.insert(QStringLiteral("ЗАПРОС=6|\r\nНЕТ В мУСОРЕ\r\n"));
    const QString path = dir.filePath(QStringLiteral("ГИПЕРТЕРМИНАЛ.txt"));
    EXPECT_EQ(memo.saveAndReset(path), QString());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), toCp1251(QStringLiteral("Гипертерминал\r\nЗАПРОС=6|\r\nНЕТ В мУСОРЕ\r\n")));
    f.close();
    EXPECT_EQ(memo.lines(), QStringList({QStringLiteral("Гипертерминал"), QString()}));
    // Saved right after a reset: the single line.
    EXPECT_EQ(memo.saveAndReset(path), QString());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), toCp1251(QStringLiteral("Гипертерминал\r\n")));
    f.close();
    // A path that cannot take the file (its folder is a file): the memo
    // stays as it was.
    memo.insert(QStringLiteral("x"));
    EXPECT_NE(memo.saveAndReset(path + QStringLiteral("/под-файлом.txt")), QString());
    EXPECT_EQ(memo.lines().constLast(), QStringLiteral("x"));
}

TEST_F(SerialFixture, EchoFollowedByASlowReply)
{
    pimtest::SteppingClock clock;
    engine.setWaiter(&clock);
    engine.port().setInputTimeout(1000);
    const QByteArray reply = state229(0x55);
    // The echo comes at once, the device takes 400 ms to answer: the echo
    // of a request whose reply carries data is never that reply.
    peer.answer = [&](const QByteArray &req, int) {
        clock.after(400, [&] { peer.write(reply); });
        return req;
    };
    Tab io = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io.bytes(), reply);
    EXPECT_EQ(engine.lastAttempts(), 1);
    EXPECT_TRUE(engine.lineEchoes());
}

TEST_F(SerialFixture, ReplyRepeatingTheRequestCostsNoExtraWait)
{
    FakeWaiter clock;
    engine.setWaiter(&clock);
    engine.port().setInputTimeout(1000);
    peer.answer = [](const QByteArray &req, int) { return req; };
    for (const int code : {int(Q_ArhBegin), int(Q_NoTu), int(Q_ArhEnd)}) {
        const qint64 start = clock.now();
        Tab io = SQ(kDev229, code);
        const Tab request = io;
        ASSERT_TRUE(engine.Exchange(io, io)) << code;
        EXPECT_EQ(io, request) << code;
        // The 10 ms pause and a glance at what follows, not a wait for it.
        EXPECT_LT(clock.now() - start, 50) << code;
    }
    EXPECT_FALSE(engine.lineEchoes());
}

TEST_F(SerialFixture, EchoingLineRepeatedReplyIsNotLeftForTheNextRequest)
{
    pimtest::SteppingClock clock;
    engine.setWaiter(&clock);
    engine.port().setInputTimeout(1000);
    // Every request comes back at once; the device answers 50 ms later. The
    // answer to Q_ArhBegin repeats the request, so echo and reply look the
    // same: the reply must still be taken off the line, or the next request
    // gets it.
    peer.answer = [&](const QByteArray &req, int) {
        QByteArray reply = req;
        if (quint8(req[4]) == Q_State)
            reply = state229(0x55);
        clock.after(50, [this, reply] { peer.write(reply); });
        return req;
    };
    Tab io = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(io, io));
    ASSERT_TRUE(engine.lineEchoes());
    io = SQ(kDev229, Q_ArhBegin);
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io, SQ(kDev229, Q_ArhBegin));
    io = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_EQ(io.bytes(), state229(0x55));
    // Learnt for this opening of the port only.
    engine.port().ClosePort();
    ASSERT_TRUE(engine.port().OpenPort());
    peer.answer = [](const QByteArray &req, int) { return req; };
    io = SQ(kDev229, Q_ArhEnd);
    ASSERT_TRUE(engine.Exchange(io, io));
    EXPECT_FALSE(engine.lineEchoes());
}

TEST_F(SerialFixture, NoiseBehindEveryReplyCostsNoInputTimeout)
{
    FakeWaiter clock;
    engine.setWaiter(&clock);
    engine.port().setInputTimeout(1000);
    // A stray byte after every reply: it is thrown away before the next
    // request after a short silence, not after a whole input time-out.
    peer.answer = [](const QByteArray &, int) { return state229(0x55) + hex("FF"); };
    for (int i = 0; i < 3; ++i) {
        const qint64 start = clock.now();
        Tab io = SQ(kDev229, Q_State);
        ASSERT_TRUE(engine.Exchange(io, io)) << i;
        EXPECT_EQ(io.bytes(), state229(0x55)) << i;
        EXPECT_LT(clock.now() - start, 200) << i;
    }
}

TEST_F(SerialFixture, PortThatVanishesIsClosedAndSaidSo)
{
    // The line works, then its far end goes away while the port is open.
    pimtest::RecordingStatus status;
    engine.setStatus(&status);
    peer.answer = [](const QByteArray &, int) { return state229(1); };
    Tab io = SQ(kDev229, Q_State);
    ASSERT_TRUE(engine.Exchange(io, io));
    ASSERT_TRUE(engine.port().IsOpen());
    peer.vanish();
    // The event loop runs a while with nothing asked: a dead descriptor
    // must not keep it busy.
    int spins = 0;
    QElapsedTimer t;
    t.start();
    defaultWaiter().processPending();
    io = SQ(kDev229, Q_State);
    EXPECT_FALSE(engine.Exchange(io, io));
    EXPECT_FALSE(engine.port().IsOpen());
    EXPECT_TRUE(engine.port().lost());
    EXPECT_LE(engine.lastAttempts(), 1);
    const QString name = peer.slavePath();
    EXPECT_EQ(engine.port().lastError(), name + QStringLiteral(" занят (отсутсвует)"));
    EXPECT_EQ(status.texts[int(StatusLabel::LuState)], name + QStringLiteral(" занят (отсутсвует)"));
    EXPECT_EQ(status.texts[int(StatusLabel::LPState)], QStringLiteral("занят (отсутсвует)"));
    EXPECT_EQ(status.kinds[int(StatusLabel::LPState)], StatusKind::Fail);
    // Nothing is written any more: the next exchange finds no port to open.
    const quint64 writes = engine.port().writeCalls();
    for (int i = 0; i < 3; ++i) {
        defaultWaiter().processPending();
        io = SQ(kDev229, Q_State);
        EXPECT_FALSE(engine.Exchange(io, io));
    }
    EXPECT_EQ(engine.port().writeCalls(), writes);
    (void)spins;
}
