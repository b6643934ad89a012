// pimctl through pimsim's modem front end: the call placed before the
// command and ended after it, the modem's refusals with the page's texts,
// phone-book entries, and the network check of this machine's loopback.

#include "e2e/E2eSupport.h"

#include "base/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace e2e;

namespace {
QJsonObject json(const CtlRun &r)
{
    return QJsonDocument::fromJson(r.out).object();
}

QStringList errLines(const CtlRun &r)
{
    return r.err.trimmed().split(QLatin1Char('\n'));
}

QStringList modemSim(const QStringList &extra = {})
{
    return QStringList{"--modem", "--modem-dial-ms", "50", "--clock", "2025-06-15 10:30", "--clock-stopped"} + extra;
}

} // namespace

TEST(E2eModem, ArchiveThroughTheModemEqualsADirectRead)
{
    Sim direct, modem;
    const QStringList same{"--clock", "2025-06-15 10:30", "--clock-stopped"};
    ASSERT_TRUE(direct.start(229, 4660, same)) << qPrintable(direct.error());
    ASSERT_TRUE(modem.start(229, 4660, modemSim())) << qPrintable(modem.error());
    QTemporaryDir dir;
    const QStringList read{"--json", "archive", "--kind", "daily", "--from", "2025-06-10", "--to", "2025-06-15"};
    const CtlRun a = pimtest::pimctlAt("2025-06-15 10:30:00", QStringList{"--port", direct.port()} + read, dir.path());
    ASSERT_EQ(a.code, 0) << qPrintable(a.err);
    const CtlRun b = pimtest::pimctlAt("2025-06-15 10:30:00",
                                       QStringList{"--port", modem.port(), "--dial", "525"} + read, dir.path());
    ASSERT_EQ(b.code, 0) << qPrintable(b.err);
    EXPECT_EQ(json(a)["rows"], json(b)["rows"]);
    EXPECT_EQ(json(a)["header"], json(b)["header"]);
    EXPECT_FALSE(json(b)["rows"].toArray().isEmpty());
    EXPECT_TRUE(b.err.contains("525 НА СВЯЗИ!")) << qPrintable(b.err);
    // Hung up after the command.
    EXPECT_EQ(errLines(b).last(), "ПИМ-229 № 4660: связь по модему отключена");

    // The call was dropped: the next one is placed afresh, in pulse mode.
    const CtlRun c = pimctl({"--port", modem.port(), "--dial", "525", "--pulse", "--json", "identify"}, dir.path());
    ASSERT_EQ(c.code, 0) << qPrintable(c.err);
    EXPECT_EQ(json(c)["number"].toInt(), 4660);
}

TEST(E2eModem, CallsThatDoNotConnect)
{
    struct Case {
        const char *number;
        QStringList sim;
        const char *last;
    };
    const Case cases[] = {
        {"1266", {}, "BUSY (занято)"},
        {"1277", {}, "NOCARRIER (нет несущей)"},
        {"1288", {}, "NODIALTONE (нет гудка)"},
        {"525", {"--modem-result", "none"}, "НЕТ ОТВЕТА"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.number);
        Sim sim;
        ASSERT_TRUE(sim.start(229, 4660, modemSim(c.sim))) << qPrintable(sim.error());
        const CtlRun r = pimctl({"--port", sim.port(), "--dial", c.number, "--dial-timeout", "1000", "state"});
        EXPECT_EQ(r.code, 1);
        const QStringList lines = errLines(r);
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines.last(), QString::fromUtf8(c.last));
        // A Cyrillic Н, then a Latin E and T: the page's own spelling.
        EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("номер: %1-\u041DET СВЯЗИ!").arg(c.number));
        EXPECT_TRUE(r.out.isEmpty());
        // The modem is free again: a call that connects goes through.
        const CtlRun again = pimctl({"--port", sim.port(), "--dial", "525", "--dial-timeout", "1000", "identify"});
        EXPECT_EQ(again.code, c.sim.isEmpty() ? 0 : 1) << qPrintable(again.err);
    }
    // With --json the failure names the result word.
    Sim sim;
    ASSERT_TRUE(sim.start(229, 4660, modemSim())) << qPrintable(sim.error());
    const CtlRun r = pimctl({"--port", sim.port(), "--dial", "1266", "--json", "identify"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(json(r)["error"].toString(), "BUSY (занято)");
}

TEST(E2eModem, PhoneBookEntry)
{
    Sim sim;
    // Only the full dial string of the entry gets through.
    ASSERT_TRUE(sim.start(229, 4660, modemSim({"--modem-expect", "P9W8W495123"}))) << qPrintable(sim.error());
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("ДАННЫЕ/МОДЕМ"));
    const QString book = dir.path() + "/ДАННЫЕ/МОДЕМ/СОЕДИНЕНИЯ.TXT";
    ASSERT_TRUE(pim::writeLines(book, {"НАИМЕНОВАНИЕ\tТЕЛЕФОН\tПОРТ\tТОН/ИМП\tКОД ГОР\tКОД В ГОР\tКОД МЕЖГОР\t",
                                       "Котельная\t123\t" + sim.port() + "\tP\t495\t9\t8",
                                       "Школа\t124\t" + sim.port() + "\tT\t\t\t\t"}));
    const CtlRun r = pimctlCopy(dir.path(), {"--entry", "Котельная", "--json", "identify"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["number"].toInt(), 4660);
    // Another entry's dial string is not the expected one.
    const CtlRun other = pimctlCopy(dir.path(), {"--entry", "Школа", "identify"});
    EXPECT_EQ(other.code, 1);
    EXPECT_EQ(errLines(other).last(), "NOCARRIER (нет несущей)");
    const CtlRun missing = pimctlCopy(dir.path(), {"--entry", "Баня", "identify"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains("\"Баня\"")) << qPrintable(missing.err);
    // The modem's port only.
    EXPECT_EQ(pimctl({"--imitation", "229", "--dial", "525", "identify"}).code, 2);
}

TEST(E2eModem, Ping)
{
    const CtlRun r = pimctl({"--json", "ping", "127.0.0.1"});
    const QJsonObject o = json(r);
    EXPECT_EQ(o["host"].toString(), "127.0.0.1");
    EXPECT_EQ(o["address"].toString(), "127.0.0.1");
    // Loopback answers, or this machine cannot send an echo at all.
    ASSERT_NE(o["reachable"], QJsonValue(false)) << qPrintable(r.err);
    if (o["reachable"].toBool()) {
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(o["text"].toString(), "IP-АДРЕС 127.0.0.1 НА СВЯЗИ");
    } else {
        EXPECT_TRUE(o["reachable"].isNull());
        EXPECT_EQ(r.code, 1);
    }

    // Not a host name at all: refused before any lookup leaves the machine.
    const CtlRun bad = pimctl({"--json", "ping", "no such host.invalid", "--count", "2"});
    EXPECT_EQ(bad.code, 1);
    const QJsonObject b = json(bad);
    EXPECT_EQ(b["reachable"], QJsonValue(false));
    EXPECT_TRUE(b["address"].isNull());
    EXPECT_EQ(b["text"].toString(), "АДРЕС no such host.invalid НЕ СУЩЕСТВУЕТ");

    const CtlRun text = pimctl({"ping", "127.0.0.1"});
    if (text.code == 0) {
        EXPECT_TRUE(QString::fromUtf8(text.out).startsWith("IP-АДРЕС 127.0.0.1 НА СВЯЗИ\nскорость ответа "));
    }
}

TEST(E2eModem, ADialThatIsNoDialNeverReachesThePort)
{
    // Each refused before the port is opened: the port does not even exist.
    const QString port = QDir::current().filePath("no-such-modem");
    struct Case {
        QStringList args;
        const char *said;
    } cases[] = {
        {{"--dial", "525\rAT&F\rAT&W"}, "недопустимый символ код 13"},
        {{"--dial", ""}, "нечего набирать"},
        {{"--dial", "Т525"}, "недопустимый символ \"Т\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.said);
        const CtlRun r = pimctl(QStringList{"--port", port} + c.args + QStringList{"identify"});
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.said))) << qPrintable(r.err);
        EXPECT_FALSE(r.err.contains("занят")) << qPrintable(r.err);
    }
    // A phone-book entry with a CR in its number is refused with its line,
    // for --entry and for a batch list that calls it.
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("ДАННЫЕ/МОДЕМ"));
    ASSERT_TRUE(pim::writeLines(dir.path() + "/ДАННЫЕ/МОДЕМ/СОЕДИНЕНИЯ.TXT",
                                {"НАИМЕНОВАНИЕ\tТЕЛЕФОН\tПОРТ\tТОН/ИМП\tКОД ГОР\tКОД В ГОР\tКОД МЕЖГОР\t",
                                 "Котельная\t123\rATZ\t" + port + "\tT\t\t\t\t"}));
    CtlRun r = pimctlCopy(dir.path(), {"--entry", "Котельная", "identify"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("СОЕДИНЕНИЯ.TXT, строка 2: запись \"Котельная\"")) << qPrintable(r.err);
    const QString list = QDir(dir.path()).filePath("list.txt");
    ASSERT_TRUE(pim::writeLines(list, {"дача;dial:Котельная;;"}));
    r = pimctlCopy(dir.path(), {"batch", list, "--out", QDir(dir.path()).filePath("out")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("list.txt:1: СОЕДИНЕНИЯ.TXT, строка 2")) << qPrintable(r.err);
    EXPECT_FALSE(QFileInfo::exists(QDir(dir.path()).filePath("out/summary.csv")));
}

TEST(E2eModem, PingOfNothingAndOfAnIpv6Address)
{
    EXPECT_EQ(pimctl({"ping", ""}).code, 2);
    EXPECT_EQ(pimctl({"ping", "  "}).code, 2);
    // The IPv6 loopback answers, or the check says why it cannot ask; it
    // is never an address that does not exist.
    const CtlRun r = pimctl({"--json", "ping", "::1"});
    const QJsonObject o = json(r);
    EXPECT_EQ(o["address"].toString(), "::1") << r.out.constData();
    EXPECT_FALSE(o["text"].toString().contains("НЕ СУЩЕСТВУЕТ")) << qPrintable(o["text"].toString());
    if (o["reachable"].toBool())
        EXPECT_EQ(o["text"].toString(), "IP-АДРЕС ::1 НА СВЯЗИ");
}
