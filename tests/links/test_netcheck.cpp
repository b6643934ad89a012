// The network page's reachability check: the lookup, the echo and every
// status text, on this machine only (127.0.0.1 and a name that is refused
// before any lookup leaves it).

#include "LinkTestSupport.h"
#include "links/NetCheck.h"

#include <QDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace pim;
using pimtest::RecordingStatus;

namespace {
const int kLu = int(StatusLabel::LuState);
const int kLN = int(StatusLabel::LNstate);

// Runs the event loop until the check has ended (a generous bound: a
// check that hangs fails the test).
void waitFor(NetCheck &check)
{
    Waiter &w = defaultWaiter();
    QObject::connect(&check, &NetCheck::finished, [&w] { w.wake(); });
    const qint64 end = w.now() + 30000;
    while (check.running() && w.now() < end)
        w.wait(int(end - w.now()));
}

EchoResult reply(int rttMs, int size = 56)
{
    EchoResult r;
    r.replies = 1;
    r.rttMs = rttMs;
    r.dataSize = size;
    r.from = QStringLiteral("10.0.0.1");
    return r;
}

EchoResult failure(int status)
{
    EchoResult r;
    r.status = status;
    return r;
}
} // namespace

TEST(NetCheck, LoopbackAnswersOrTheCheckSaysItCannotAsk)
{
    pimtest::app();
    RecordingStatus status;
    NetCheck check(&status);
    check.check(QStringLiteral("127.0.0.1"));
    waitFor(check);
    ASSERT_FALSE(check.running());
    EXPECT_EQ(check.address(), QStringLiteral("127.0.0.1"));
    // Whatever way the echo went, loopback is never called unreachable.
    ASSERT_NE(check.reachable(), std::optional<bool>(false)) << qPrintable(check.mainText());
    if (check.reachable() == true) {
        EXPECT_EQ(status.texts[kLu], QStringLiteral("IP-АДРЕС 127.0.0.1 НА СВЯЗИ"));
        EXPECT_EQ(status.kinds[kLu], StatusKind::Ok);
        EXPECT_TRUE(status.texts[kLN].startsWith(QStringLiteral("скорость ответа ")));
        EXPECT_FALSE(check.timeText().isEmpty());
    } else {
        EXPECT_TRUE(check.mainText().contains(QStringLiteral("НЕВОЗМОЖНА")));
    }
}

TEST(NetCheck, NoWayToSendAnEchoIsSaidPlainly)
{
    pimtest::app();
    struct Case {
        QList<EchoProbe::Method> methods;
        QString program;
    };
    const Case cases[] = {
        {{}, QString()},
        {{EchoProbe::Program}, QDir::current().filePath(QStringLiteral("no-such-ping"))},
    };
    for (const Case &c : cases) {
        RecordingStatus status;
        NetCheck check(&status);
        check.probe().setMethods(c.methods);
        if (!c.program.isEmpty())
            check.probe().setProgram(c.program);
        check.check(QStringLiteral("127.0.0.1"));
        waitFor(check);
        EXPECT_FALSE(check.reachable().has_value());
        EXPECT_EQ(status.texts[kLu],
                  QStringLiteral("АДРЕС 127.0.0.1=127.0.0.1: ПРОВЕРКА СВЯЗИ НЕВОЗМОЖНА (нет права на эхо-запрос ICMP)"));
        EXPECT_EQ(status.texts[kLN], QStringLiteral("эхо-запрос здесь невозможен"));
        EXPECT_NE(status.kinds[kLu], StatusKind::Ok);
        EXPECT_NE(status.kinds[kLu], StatusKind::Fail);
    }
}

TEST(NetCheck, EmptyAndUnresolvableAddresses)
{
    pimtest::app();
    {
        RecordingStatus status;
        NetCheck check(&status);
        check.check(QStringLiteral("  "));
        EXPECT_FALSE(check.running());
        EXPECT_EQ(status.texts[kLu], QStringLiteral("ВВЕДИТЕ АДРЕС"));
        EXPECT_EQ(status.texts[kLN], QStringLiteral("НЕТ АДРЕСА"));
        EXPECT_EQ(status.calls.size(), 2);
    }
    // Not a host name at all: refused before any lookup is sent.
    const QString name = QStringLiteral("no such host.invalid");
    ASSERT_TRUE(QUrl::toAce(name).isEmpty());
    RecordingStatus status;
    NetCheck check(&status);
    check.check(name);
    waitFor(check);
    EXPECT_EQ(check.reachable(), std::optional<bool>(false));
    EXPECT_TRUE(check.address().isEmpty());
    EXPECT_EQ(status.texts[kLu], QStringLiteral("АДРЕС no such host.invalid НЕ СУЩЕСТВУЕТ"));
    EXPECT_EQ(status.texts[kLN], QStringLiteral("НЕТ ТАКОГО АДРЕСА"));
    EXPECT_EQ(status.kinds[kLu], StatusKind::Fail);
}

TEST(NetCheck, EchoOutcomes)
{
    pimtest::app();
    struct Case {
        EchoResult result;
        std::optional<bool> reachable;
        const char *lu;
        const char *ln;
        const char *time;
    };
    const Case cases[] = {
        // An answer within the millisecond counts as 1 ms: no division by 0.
        {reply(0), true, "IP-АДРЕС 10.0.0.1 НА СВЯЗИ", "скорость ответа 56000 Kb/ceк", "<1 мс"},
        {reply(3), true, "IP-АДРЕС 10.0.0.1 НА СВЯЗИ", "скорость ответа 18667 Kb/ceк", "3 мс"},
        // No reply is never "НА СВЯЗИ", not even with a status of no error.
        {failure(0), false, "АДРЕС host НЕ ОТВЕТИЛ", "0: No error", ""},
        {failure(11003), false, "АДРЕС host НЕ ОТВЕТИЛ", "11003: Destination host unreachable", ""},
        {failure(12345), false, "АДРЕС host НЕ ОТВЕТИЛ", "12345: ICMP error #12345", ""},
    };
    for (const Case &c : cases) {
        RecordingStatus status;
        NetCheck check(&status);
        // No echo leaves this machine: the outcome is given below.
        check.probe().setMethods({});
        check.setLookup([](const QString &) {}); // answered below
        check.check(QStringLiteral("host"));
        check.lookupDone(0, QStringLiteral("10.0.0.1")); // the lookup's answer, given here
        check.probe().cancel();
        check.echoDone(c.result);
        SCOPED_TRACE(c.ln);
        EXPECT_FALSE(check.running());
        EXPECT_EQ(check.reachable(), c.reachable);
        EXPECT_EQ(status.texts[kLu], QString::fromUtf8(c.lu));
        EXPECT_EQ(status.texts[kLN], QString::fromUtf8(c.ln));
        EXPECT_EQ(status.kinds[kLu], c.reachable == true ? StatusKind::Ok : StatusKind::Fail);
        EXPECT_EQ(check.timeText(), QString::fromUtf8(c.time));
    }
}

TEST(NetCheck, SecondTimeOutEndsTheCheck)
{
    pimtest::app();
    RecordingStatus status;
    NetCheck check(&status);
    check.setRetryDelayMs(0);
    // The echo never leaves: whatever would answer, the test says it timed out.
    check.probe().setMethods({});
    check.check(QStringLiteral("10.0.0.1"));
    check.lookupDone(0, QStringLiteral("10.0.0.1"));
    check.probe().cancel();
    check.echoDone(failure(11010));
    EXPECT_TRUE(check.running());
    EXPECT_EQ(status.texts[kLu], QStringLiteral("АДРЕС 10.0.0.1=10.0.0.1: ПРОВЕРКА СВЯЗИ..."));
    EXPECT_EQ(status.kinds[kLu], StatusKind::Busy);
    EXPECT_TRUE(status.calls.contains(QStringLiteral("fail 0 АДРЕС 10.0.0.1 НЕ ОТВЕТИЛ")));
    check.echoDone(failure(11010));
    EXPECT_FALSE(check.running());
    EXPECT_EQ(check.reachable(), std::optional<bool>(false));
    EXPECT_EQ(status.texts[kLu], QStringLiteral("АДРЕС 10.0.0.1 НЕ ОТВЕТИЛ"));
    EXPECT_EQ(status.texts[kLN], QStringLiteral("Превышено время ожидания"));
}

TEST(NetCheck, SystemPingOutput)
{
    struct Case {
        const char *output;
        bool reply;
        int size;
        int ms;
        const char *from;
    };
    const Case cases[] = {
        {"PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.\n64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.045 ms\n",
         true, 56, 0, "127.0.0.1"},
        {"PING 10.1.2.3 (10.1.2.3): 56 data bytes\n64 bytes from 10.1.2.3: seq=0 ttl=63 time=12.876 ms\n", true, 56, 12,
         "10.1.2.3"},
        {"PING 10.1.2.3 (10.1.2.3) 56(84) bytes of data.\n\n--- 10.1.2.3 ping statistics ---\n"
         "1 packets transmitted, 0 received, 100% packet loss, time 0ms\n",
         false, 0, 0, ""},
        {"From 10.0.0.1 icmp_seq=1 Destination Host Unreachable\n", false, 0, 0, ""},
    };
    for (const Case &c : cases) {
        const std::optional<EchoResult> r = EchoProbe::parsePingOutput(QString::fromLatin1(c.output));
        ASSERT_EQ(r.has_value(), c.reply) << c.output;
        if (!r)
            continue;
        EXPECT_EQ(r->replies, 1);
        EXPECT_EQ(r->dataSize, c.size);
        EXPECT_EQ(r->rttMs, c.ms);
        EXPECT_EQ(r->from, QString::fromLatin1(c.from));
    }
}
