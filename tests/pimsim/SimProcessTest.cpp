// The real pimsim binary over its pseudo-terminal, UDP and modem front end,
// driven by a small host that builds and checks frames with the protocol
// layer only.

#include "SimClient.h"
#include "support/PimSim.h"

#include "devices/Registry.h"
#include "base/Dates.h"
#include "base/SimulatorPorts.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace simtest;
using pimtest::PimSim;
using pim::Tab;

namespace {

void ensureApp()
{
    static int argc = 1;
    static char name[] = "test_pimsim";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

class SimOnPty : public ::testing::Test {
protected:
    void start(const QStringList &args)
    {
        ensureApp();
        ASSERT_TRUE(sim.start(args)) << qPrintable(sim.error());
        ASSERT_TRUE(sim.firstLine().startsWith(QLatin1Char('/'))) << sim.firstLine().toStdString();
        ASSERT_TRUE(port.open(sim.firstLine())) << sim.firstLine().toStdString();
    }
    PimSim sim;
    PtyClient port;
};

const Tab kIdentityReply229 = Tab::fromHex(u"06 E5 01 00 00 14");

} // namespace

TEST_F(SimOnPty, PrintsAndPublishesItsPortAndAnswersTheIdentityTemplate)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    // A file left by a process that is gone is not offered and is removed.
    QDir().mkpath(pim::simulatorPortsDir());
    QFile stale(pim::simulatorPortsDir() + QStringLiteral("/999999999"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("/dev/pts/999\n");
    stale.close();

    start({QStringLiteral("--type"), QStringLiteral("229"), QStringLiteral("--number"), QStringLiteral("4660")});
    EXPECT_EQ(pim::publishedSimulatorPorts(), QStringList{sim.firstLine()});
    EXPECT_FALSE(QFile::exists(stale.fileName()));

    int number = -1, type = -1;
    EXPECT_EQ(pim::DecNoTu(port.exchange(pim::IdentityTemplate()), number, type), QString());
    EXPECT_EQ(number, 4660);
    EXPECT_EQ(type, 229);

    sim.stop();
    EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.process().exitCode(), 0);
    EXPECT_TRUE(pim::publishedSimulatorPorts().isEmpty());
    EXPECT_TRUE(QDir(pim::simulatorPortsDir()).entryList(QDir::Files).isEmpty());
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
}

TEST(SimOnUdp, EveryTypeAnswersAStateReplyThatPassesTheCheck)
{
    ensureApp();
    for (int type : pim::ServedTypes()) {
        SCOPED_TRACE(type);
        PimSim sim;
        ASSERT_TRUE(sim.start({QStringLiteral("--udp"), QStringLiteral("0"), QStringLiteral("--type"),
                               QString::number(type), QStringLiteral("--number"), QStringLiteral("7")}))
            << qPrintable(sim.error());
        const quint16 udpPort = sim.udpPort();
        ASSERT_NE(udpPort, 0) << sim.firstLine().toStdString();
        UdpClient client;
        ASSERT_TRUE(client.open(udpPort));
        const pim::Identity id{type, 7};
        int number = -1, gotType = -1;
        EXPECT_EQ(pim::DecNoTu(client.exchange(pim::IdentityTemplate()), number, gotType), QString());
        EXPECT_EQ(gotType, type);
        EXPECT_EQ(pim::TestAnswer(client.exchange(pim::SQ(id, pim::Q_State)), pim::replyLength(type, 1), 1, id),
                  QString());
    }
}

TEST_F(SimOnPty, FullDailyRingReadStepsBackOneDayPerSlotAndWraps)
{
    start({QStringLiteral("--type"), QStringLiteral("229"), QStringLiteral("--number"), QStringLiteral("1"),
           QStringLiteral("--clock"), QStringLiteral("2025-06-15 10:30")});
    const pim::Identity id{229, 1};
    ASSERT_EQ(port.exchange(pim::SQ(id, pim::Q_NoTu)), kIdentityReply229);
    const Tab no = port.exchange(pim::SQ(id, pim::Q_ArhNo));
    ASSERT_EQ(no.size(), 10);
    ASSERT_TRUE(pim::TestCS(no));
    const int current = no.at(7) - 1; // slot of the newest daily record
    ASSERT_GE(current, 0);
    ASSERT_LE(current, 61);
    ASSERT_EQ(port.exchange(pim::SQ(id, pim::Q_ArhBegin)).size(), 6);

    // Newest first: current, current-1 .. 0, then 61 down to current+1.
    const int today = pim::dateToDayNumber(QDate(2025, 6, 15));
    QList<int> order;
    for (int k = 0; k < 62; ++k) {
        const int slot = current - k >= 0 ? current - k : current - k + 62;
        order.append(slot);
        const Tab r = port.exchange(pim::SQ(id, pim::Q_Arhiv, Tab{slot & 0xFF, 0x80 + (slot >> 8)}));
        ASSERT_EQ(pim::TestAnswer(r, 166, 3, id), QString()) << "slot " << slot;
        EXPECT_EQ(pim::GetW(r, 161), today - k) << "slot " << slot;
    }
    EXPECT_EQ(order.indexOf(61), current + 1); // the wrap follows slot 0
    EXPECT_EQ(port.exchange(pim::SQ(id, pim::Q_ArhEnd)).size(), 6);
}

TEST_F(SimOnPty, WriteIsRefusedWithTheJumperOpen)
{
    start({QStringLiteral("--type"), QStringLiteral("234"), QStringLiteral("--jumper"), QStringLiteral("open")});
    const pim::Identity id{234, 1};
    const Tab before = port.exchange(pim::SQ(id, pim::Q_Param));
    ASSERT_EQ(pim::TestAnswer(before, 100, 5, id), QString());
    Tab data = before.mid(5, before.size() - 6);
    data.set(95 - 5, 20); // report day
    const Tab st = port.exchange(pim::SQ(id, pim::Q_SetParam, data));
    ASSERT_EQ(st.size(), 7);
    EXPECT_EQ(st.at(5), 1); // "не замкнута перемычка"
    EXPECT_EQ(port.exchange(pim::SQ(id, pim::Q_Param)), before);
}

TEST_F(SimOnPty, NumberChangeIsAnsweredUnderTheNewNumber)
{
    start({QStringLiteral("--type"), QStringLiteral("238"), QStringLiteral("--number"), QStringLiteral("5")});
    const Tab st = port.exchange(pim::SQ(pim::Identity{238, 5}, pim::Q_SetNo, Tab{0x55, 0xAA, 0xE8, 0x03}));
    ASSERT_EQ(st.size(), 7);
    EXPECT_EQ(st.at(5), 0);
    EXPECT_TRUE(port.exchange(pim::SQ(pim::Identity{238, 5}, pim::Q_State), 300).isEmpty());
    const pim::Identity renamed{238, 1000};
    EXPECT_EQ(pim::TestAnswer(port.exchange(pim::SQ(renamed, pim::Q_State)), 161, 1, renamed), QString());
}

TEST_F(SimOnPty, StateFileKeepsWhatTheClientWroteAcrossARestart)
{
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("sim.json"));
    const QStringList args{QStringLiteral("--type"), QStringLiteral("229"), QStringLiteral("--state"), state};
    start(args);
    const Tab p = port.exchange(pim::SQ(pim::Identity{229, 1}, pim::Q_Param));
    Tab data = p.mid(5, p.size() - 6);
    data.set(41 - 5, 12);
    ASSERT_EQ(port.exchange(pim::SQ(pim::Identity{229, 1}, pim::Q_SetParam, data)).at(5), 0);
    ASSERT_EQ(port.exchange(pim::SQ(pim::Identity{229, 1}, pim::Q_SetNo, Tab{0x55, 0xAA, 0x41, 0x01})).at(5), 0);
    port.close();
    sim.stop();

    start(args);
    int number = -1, type = -1;
    EXPECT_EQ(pim::DecNoTu(port.exchange(pim::IdentityTemplate()), number, type), QString());
    EXPECT_EQ(number, 0x141);
    EXPECT_EQ(port.exchange(pim::SQ(pim::Identity{229, 0x141}, pim::Q_Param)).at(41), 12);
}

TEST(SimFaults, EachFaultKindAppearsWhenAskedFor)
{
    ensureApp();
    const Tab clean = kIdentityReply229;
    const Tab request = pim::IdentityTemplate();
    struct Case {
        const char *kind;
        std::function<void(const QList<Arrival> &, const QByteArray &)> check;
    };
    const Case cases[] = {
        {"junk",
         [&](const QList<Arrival> &, const QByteArray &all) {
             EXPECT_GT(all.size(), clean.size());
             EXPECT_TRUE(all.endsWith(clean.bytes()));
         }},
        {"echo", [&](const QList<Arrival> &, const QByteArray &all) { EXPECT_EQ(all, request.bytes() + clean.bytes()); }},
        {"truncate",
         [&](const QList<Arrival> &, const QByteArray &all) {
             EXPECT_LT(all.size(), clean.size());
             EXPECT_FALSE(all.isEmpty());
             EXPECT_TRUE(clean.bytes().startsWith(all));
         }},
        {"silence", [&](const QList<Arrival> &, const QByteArray &all) { EXPECT_TRUE(all.isEmpty()); }},
        {"wrong-number",
         [&](const QList<Arrival> &, const QByteArray &all) {
             const Tab r = Tab::fromBytes(all);
             EXPECT_EQ(pim::TestAnswer(r, 6, 0, pim::Identity{229, 1}), QStringLiteral("\rНЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА"));
         }},
        {"bad-checksum",
         [&](const QList<Arrival> &, const QByteArray &all) {
             EXPECT_EQ(all.size(), clean.size());
             EXPECT_FALSE(pim::TestCS(Tab::fromBytes(all)));
         }},
        {"split",
         [&](const QList<Arrival> &arrivals, const QByteArray &all) {
             EXPECT_EQ(all, clean.bytes());
             ASSERT_GE(arrivals.size(), 2);
             EXPECT_GE(arrivals.back().atMs - arrivals.front().atMs, 100);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        PimSim sim;
        ASSERT_TRUE(sim.start({QStringLiteral("--fault"), QStringLiteral("%1@2").arg(QLatin1String(c.kind)),
                               QStringLiteral("--split-gap"), QStringLiteral("120")}))
            << qPrintable(sim.error());
        PtyClient port;
        ASSERT_TRUE(port.open(sim.firstLine()));
        port.write(request.bytes());
        EXPECT_EQ(port.readThrough(clean.bytes()), clean.bytes()); // request 1 is clean
        port.write(request.bytes());
        const QList<Arrival> arrivals = port.readUntilQuiet(400);
        QByteArray all;
        for (const Arrival &a : arrivals)
            all += a.bytes;
        c.check(arrivals, all);
    }
}

TEST(SimFaults, ProbabilityStrikesSomeRepliesAndDelayHoldsEveryReply)
{
    ensureApp();
    PimSim sim;
    ASSERT_TRUE(sim.start({QStringLiteral("--udp"), QStringLiteral("0"), QStringLiteral("--seed"), QStringLiteral("3"),
                           QStringLiteral("--fault"), QStringLiteral("bad-checksum=0.5")})) << qPrintable(sim.error());
    UdpClient client;
    ASSERT_TRUE(client.open(sim.udpPort()));
    int bad = 0;
    for (int k = 0; k < 40; ++k)
        bad += pim::TestCS(client.exchange(pim::IdentityTemplate())) ? 0 : 1;
    EXPECT_GT(bad, 5);
    EXPECT_LT(bad, 35);

    PimSim slow;
    ASSERT_TRUE(slow.start({QStringLiteral("--delay"), QStringLiteral("300")})) << qPrintable(slow.error());
    PtyClient port;
    ASSERT_TRUE(port.open(slow.firstLine()));
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(port.exchange(pim::IdentityTemplate()), kIdentityReply229);
    EXPECT_GE(t.elapsed(), 280);
}

TEST_F(SimOnPty, PacesRepliesAtTheLineRate)
{
    start({QStringLiteral("--baud"), QStringLiteral("2400")});
    QElapsedTimer t;
    t.start();
    const Tab r = port.exchange(pim::SQ(pim::Identity{229, 1}, pim::Q_State), 5000);
    ASSERT_EQ(r.size(), 105);
    EXPECT_GE(t.elapsed(), 105 * 10 * 1000 / 2400 - 30); // 437 ms of line time
}

TEST_F(SimOnPty, RequestsSplitOrAfterNoiseAreAssembledAndAPausedOneIsGivenUp)
{
    // Pieces a few milliseconds apart are far inside the default gap of a
    // second however slow the machine; a quiet spell longer than the gap is
    // sure to exceed it.
    start({});
    const QByteArray req = pim::SQ(pim::Identity{229, 1}, pim::Q_NoTu).bytes();
    port.write(QByteArray::fromHex("00ff03") + req.left(2));
    QThread::msleep(20);
    port.write(req.mid(2, 2));
    QThread::msleep(20);
    port.write(req.mid(4));
    EXPECT_EQ(port.readFrame(), kIdentityReply229);

    port.write(req.left(3));
    EXPECT_TRUE(port.readAllQuiet(1300).isEmpty()); // the gap abandons the half frame
    port.write(req);
    EXPECT_EQ(port.readFrame(), kIdentityReply229);
}

TEST_F(SimOnPty, TranscriptListsRequestsAndRepliesInHex)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    start({QStringLiteral("--transcript"), path, QStringLiteral("--fault"), QStringLiteral("silence@2")});
    port.exchange(pim::IdentityTemplate());
    port.exchange(pim::IdentityTemplate(), 300);
    sim.stop();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" > 06 00 00 00 00 FA"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" < 06 E5 01 00 00 14"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(" > 06 00 00 00 00 FA")));
    EXPECT_TRUE(lines.mid(3).join(QLatin1Char('\n')).contains(QStringLiteral("silence")));
}

TEST(SimTranscript, ReplyLinesCarryTheTimeTheReplyWentOut)
{
    // With a delay before every reply, the reply's line is stamped when it
    // was sent, the delay after its request's line: on the pseudo-terminal
    // and over UDP.
    ensureApp();
    for (const bool udp : {false, true}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.txt"));
        PimSim sim;
        QStringList args{QStringLiteral("--transcript"), path, QStringLiteral("--delay"), QStringLiteral("250")};
        if (udp)
            args << QStringLiteral("--udp") << QStringLiteral("0");
        ASSERT_TRUE(sim.start(args)) << qPrintable(sim.error());
        if (udp) {
            UdpClient client;
            ASSERT_TRUE(client.open(sim.udpPort()));
            EXPECT_EQ(client.exchange(pim::IdentityTemplate(), 3000), kIdentityReply229);
        } else {
            PtyClient port;
            ASSERT_TRUE(port.open(sim.firstLine()));
            EXPECT_EQ(port.exchange(pim::IdentityTemplate(), 3000), kIdentityReply229);
        }
        sim.stop();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << udp;
        auto stamp = [](const QString &line) {
            return QDateTime::fromString(line.left(23), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        };
        ASSERT_TRUE(stamp(lines[0]).isValid()) << lines[0].toStdString();
        ASSERT_TRUE(lines[1].mid(23).startsWith(QStringLiteral(" < "))) << lines[1].toStdString();
        EXPECT_GE(stamp(lines[0]).msecsTo(stamp(lines[1])), 250) << udp;
    }
}

TEST_F(SimOnPty, UnansweredCallEndsWithNoAnswerAfterTheAnswerTime)
{
    start({QStringLiteral("--modem"), QStringLiteral("--modem-dial-ms"), QStringLiteral("20"),
           QStringLiteral("--modem-answer-ms"), QStringLiteral("400")});
    QElapsedTimer t;
    t.start();
    port.write("ATDT12399\r");
    QByteArray got;
    qint64 resultAt = -1;
    while (t.elapsed() < 5000 && resultAt < 0) {
        for (const Arrival &a : port.readUntilQuiet(100, 100))
            got.append(a.bytes);
        if (got.contains("NO ANSWER"))
            resultAt = t.elapsed();
    }
    EXPECT_EQ(got, QByteArray("ATDT12399\r\r\nNO ANSWER\r\n"));
    EXPECT_GE(resultAt, 400); // rang for the answer time, not the dial time
    // The modem takes commands again.
    port.write("AT\r");
    EXPECT_EQ(port.readAllQuiet(200), QByteArray("AT\r\r\nOK\r\n"));
}

TEST_F(SimOnPty, ModemConnectsPassesFramesAndHangsUp)
{
    start({QStringLiteral("--modem"), QStringLiteral("--modem-dial-ms"), QStringLiteral("50"),
           QStringLiteral("--modem-guard-ms"), QStringLiteral("100")});
    const Tab ident = pim::IdentityTemplate();

    port.write("AT\r");
    EXPECT_EQ(port.readThrough("OK\r\n"), QByteArray("AT\r\r\nOK\r\n")); // echo, then the result
    port.write(ident.bytes());
    EXPECT_EQ(port.readThrough(ident.bytes()), ident.bytes()); // off line: echoed,
    EXPECT_TRUE(port.readAllQuiet(200).isEmpty());                 // not answered

    for (const auto &[number, result] : {std::pair{"ATDT5566\r", "BUSY"}, std::pair{"ATDP77\r", "NO CARRIER"},
                                         std::pair{"ATDT88\r", "NO DIALTONE"}}) {
        port.write(number);
        EXPECT_EQ(port.readThrough(QByteArray(result) + "\r\n"), QByteArray(number) + "\r\n" + result + "\r\n");
    }

    port.write("ATDT9W8W495123\r");
    EXPECT_TRUE(port.readThrough("\r\nCONNECT 9600\r\n").endsWith("\r\nCONNECT 9600\r\n"));
    EXPECT_EQ(port.exchange(ident), kIdentityReply229);

    QThread::msleep(150);
    port.write("+++");
    EXPECT_EQ(port.readThrough("\r\nOK\r\n"), QByteArray("\r\nOK\r\n"));
    port.write(ident.bytes());
    EXPECT_EQ(port.readThrough(ident.bytes()), ident.bytes()); // command mode: echoed,
    EXPECT_TRUE(port.readAllQuiet(200).isEmpty());                 // not answered
    port.write("ATO\r");
    EXPECT_TRUE(port.readThrough("\r\nCONNECT 9600\r\n").endsWith("\r\nCONNECT 9600\r\n"));
    EXPECT_EQ(port.exchange(ident), kIdentityReply229);
    QThread::msleep(150);
    port.write("+++");
    EXPECT_EQ(port.readThrough("\r\nOK\r\n"), QByteArray("\r\nOK\r\n"));
    port.write("ATH\r");
    EXPECT_EQ(port.readThrough("OK\r\n"), QByteArray("ATH\r\r\nOK\r\n"));
    port.write("ATO\r");
    EXPECT_TRUE(port.readThrough("\r\nNO CARRIER\r\n").endsWith("\r\nNO CARRIER\r\n"));

    // Closing the port drops a call.
    port.write("ATD1\r");
    EXPECT_TRUE(port.readThrough("\r\nCONNECT 9600\r\n").endsWith("\r\nCONNECT 9600\r\n"));
    port.close();
    QThread::msleep(100);
    ASSERT_TRUE(port.open(sim.firstLine()));
    port.write("AT\r");
    EXPECT_EQ(port.readThrough("OK\r\n"), QByteArray("AT\r\r\nOK\r\n"));
}

TEST(SimCommandLine, HelpDocumentsTheOptionsAndBadOptionsAreRefused)
{
    ensureApp();
    QProcess help;
    help.start(PimSim::binary(), {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(5000));
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    for (const char *word : {"--type", "--number", "--udp", "--modem", "--baud", "--seed", "--state", "--transcript",
                             "--fault", "--jumper", "--password-mismatch", "--archive-days", "--delay", "wrong-number",
                             "--modem-answer-ms", "NO ANSWER", "--clock", "--clock-stopped", "--carrier"})
        EXPECT_TRUE(text.contains(QLatin1String(word))) << word;

    for (const QStringList &bad : {QStringList{QStringLiteral("--type"), QStringLiteral("226")},
                                   QStringList{QStringLiteral("--number"), QStringLiteral("0")},
                                   QStringList{QStringLiteral("--fault"), QStringLiteral("gremlins")},
                                   // Type 227 has no carrier files.
                                   QStringList{QStringLiteral("--type"), QStringLiteral("227"), QStringLiteral("--carrier"),
                                               QStringLiteral("c")}}) {
        QProcess p;
        p.start(PimSim::binary(), bad);
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_NE(p.exitCode(), 0) << bad.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(p.readAllStandardError().isEmpty());
    }
}
