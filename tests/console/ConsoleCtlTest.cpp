// pimctl eval and table: the console's core from the command line, and
// a frame made from a table sent to the simulator and read back with
// another table.

#include "base/TextFile.h"
#include "support/PimSim.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pimtest;

namespace {

QString table(const QDir &dir, const QString &name, const QStringList &cells)
{
    QStringList lines{QStringLiteral("№\tполе\tячейка")};
    int i = 0;
    for (const QString &c : cells) {
        // Hand-written lines: no TAB at the end.
        const QStringList parts = c.split(QLatin1Char('|'));
        lines << QStringLiteral("%1\t%2\t%3").arg(i++, 2, 10, QLatin1Char('0')).arg(parts.value(0), parts.value(1));
    }
    const QString path = dir.filePath(name);
    EXPECT_TRUE(pim::writeLines(path, lines));
    return path;
}

QJsonObject json(const CtlRun &r)
{
    return QJsonDocument::fromJson(r.out).object();
}

} // namespace

TEST(ConsoleCtl, EvalAndEncodeDecode)
{
    CtlRun r = pimctl({"eval", "8/2*2"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.trimmed(), "2");
    r = pimctl({"--json", "eval", "1/0"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(json(r)["ok"].toBool(true), false);
    EXPECT_EQ(json(r)["text"].toString(), "Значение не распознано");

    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString request = table(dir, "state.txt",
                                  {"длина|B@01", "тип|B@03", "номер|W@04", "|", "код|B=1", "КС|B@02"});
    r = pimctl({"table", "encode", request, "--type", "229", "--number", "7"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    const QStringList lines = QString::fromUtf8(r.out).split('\n');
    EXPECT_EQ(lines.value(0), "06 E5 07 00 01 0D");
    EXPECT_EQ(lines.value(1), "табл ф-т №зн зн итого");

    // A value its format cannot hold: no frame, exit 1.
    const QString bad = table(dir, "bad.txt", {"длина|B@01", "x|B=300"});
    r = pimctl({"--json", "table", "encode", bad});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(json(r)["frame"].isNull());
    EXPECT_TRUE(json(r)["report"].toArray().last().toString().endsWith("Значение не распознано"));

    r = pimctl({"--json", "table", "decode", request, "06", "e5", "d2 04", "00"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["report"].toArray().at(2).toString(), "номер=1234");
    EXPECT_EQ(pimctl({"table", "decode", dir.filePath("missing.txt"), "06"}).code, 1);
}

TEST(ConsoleCtl, SendToTheSimulatorAndReadTheReply)
{
    PimSim sim;
    ASSERT_TRUE(sim.start(229, 7)) << qPrintable(sim.error());
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString request = table(dir, "state.txt",
                                  {"длина|B@01", "тип|B@03", "номер|W@04", "|", "код|B=1", "КС|B@02"});
    const QString reply = table(dir, "reply.txt", {"длина|B", "тип|B", "номер|W", "|", "код|B"});
    CtlRun r = pimctl({"--port", sim.port(), "--json", "table", "send", request, "--decode", reply, "--type", "229",
                       "--number", "7"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    const QJsonObject o = json(r);
    EXPECT_EQ(o["request"].toString(), "06 E5 07 00 01 0D");
    EXPECT_TRUE(o["reply"].toString().startsWith("69 E5 07 00 01")) << qPrintable(o["reply"].toString());
    const QJsonArray listing = o["listing"].toArray();
    EXPECT_EQ(listing.at(listing.size() - 2).toString(), "номер=7");
    EXPECT_EQ(listing.last().toString(), "код=1");

    // Another number: nobody answers, said as such.
    r = pimctl({"--port", sim.port(), "--timeout", "300", "table", "send", request, "--number", "8"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.trimmed().endsWith("НЕТ ОТВЕТА")) << qPrintable(r.err);
    // A refused table sends nothing.
    const QString bad = table(dir, "bad.txt", {"длина|B@01", "x|W=-1"});
    r = pimctl({"--port", sim.port(), "table", "send", bad});
    EXPECT_EQ(r.code, 1);
    // Nor does one without rows: no port is even opened.
    for (const QStringList &lines : {QStringList{}, QStringList{"№\tполе\tячейка"}}) {
        const QString empty = dir.filePath("empty.txt");
        ASSERT_TRUE(pim::writeLines(empty, lines));
        r = pimctl({"--port", dir.filePath("no-port"), "table", "send", empty});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.trimmed().endsWith("нет строк")) << qPrintable(r.err);
        r = pimctl({"--json", "table", "encode", empty});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(json(r)["frame"].isNull());
    }
}
