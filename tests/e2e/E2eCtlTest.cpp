// pimctl against pimsim: the JSON of its commands, CSV and archive files,
// and its exit status.

#include "e2e/E2eSupport.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace e2e;

namespace {
QJsonObject json(const CtlRun &r)
{
    return QJsonDocument::fromJson(r.out).object();
}
} // namespace

TEST(E2eCtl, IdentifyStateConfig)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 4660));
    QTemporaryDir dir;
    CtlRun r = pimctl({"--port", sim.port(), "--json", "identify"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["type"].toInt(), 229);
    EXPECT_EQ(json(r)["number"].toInt(), 4660);
    EXPECT_FALSE(json(r)["model"].toString().isEmpty());

    r = pimctl({"--port", sim.port(), "--json", "state"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    const QJsonArray systems = json(r)["systems"].toArray();
    ASSERT_EQ(systems.size(), 2);
    for (const auto &s : systems) {
        EXPECT_EQ(s.toObject()["labels"].toArray().size(), s.toObject()["values"].toArray().size());
        EXPECT_GT(s.toObject()["values"].toArray().size(), 5);
    }
    EXPECT_TRUE(r.err.contains("Cостояние прочитано успешно"));

    r = pimctl({"--port", sim.port(), "--json", "config"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["systems"].toArray().size(), 2);

    // Russian text without --json.
    r = pimctl({"--port", sim.port(), "identify"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(QString::fromUtf8(r.out).contains("номер: 4660"));
}

TEST(E2eCtl, ArchiveJsonFileAndCsv)
{
    Sim sim;
    ASSERT_TRUE(sim.start(238, 77));
    QTemporaryDir dir;
    const QString arh = dir.path() + "/a.Arh", csv = dir.path() + "/a.csv";
    const QDate today = QDate::currentDate();
    const CtlRun r = pimctl({"--port", sim.port(), "--json", "archive", "--kind", "daily", "--diff", "--system", "2",
                             "--from", today.addDays(-3).toString(Qt::ISODate), "--to", today.toString(Qt::ISODate),
                             "--out", arh, "--csv", csv});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    const QJsonObject o = json(r);
    EXPECT_EQ(o["type"].toInt(), 238);
    EXPECT_EQ(o["kind"].toInt(), 1);
    EXPECT_EQ(o["system"].toInt(), 2);
    EXPECT_EQ(o["header"].toArray().size(), 2);
    const QJsonArray rows = o["rows"].toArray();
    ASSERT_EQ(rows.size(), 4); // three differences and the totals
    EXPECT_EQ(rows.last().toArray()[0].toString(), "ИТОГО(3):");
    EXPECT_EQ(o["missing"].toInt(), 0);
    EXPECT_TRUE(o["status"].toString().startsWith("архив прочитан от "));
    EXPECT_EQ(QFileInfo(arh).size(), 4 * 232);
    EXPECT_TRUE(QFileInfo(dir.path() + "/a.txt").exists());

    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 4);
    EXPECT_TRUE(lines[0].startsWith("ДАТА дд.мм.гггг;"));
    EXPECT_TRUE(lines[1].startsWith(today.toString(Qt::ISODate) + ";")) << qPrintable(lines[1]);
    EXPECT_TRUE(lines[4].startsWith("ИТОГО(3):;"));
}

TEST(E2eCtl, ExitStatus)
{
    // Usage errors.
    for (const QStringList &args : {QStringList{}, QStringList{"--bogus", "identify"}, QStringList{"fly"},
                                    QStringList{"--imitation", "229", "archive"},
                                    QStringList{"--imitation", "229", "archive", "--kind", "weekly"},
                                    QStringList{"--type", "229", "--number", "0", "state"}})
        EXPECT_EQ(pimctl(args).code, 2) << qPrintable(args.join(' '));

    // No port, and a device that never answers: the status text on stderr.
    CtlRun r = pimctl({"--port", "/dev/pim-no-such-port", "identify"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("НЕТ СВЯЗИ")) << qPrintable(r.err);
    Sim silent;
    ASSERT_TRUE(silent.start(229, 5, {"--fault", "silence"}));
    r = pimctl({"--port", silent.port(), "--timeout", "50", "state"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("НЕТ СВЯЗИ")) << qPrintable(r.err);
    // Replies for another device, twenty times.
    Sim foreign;
    ASSERT_TRUE(foreign.start(229, 5, {"--fault", "wrong-number"}));
    r = pimctl({"--port", foreign.port(), "--timeout", "50", "--type", "229", "--number", "5", "state"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.trimmed().endsWith("Ошибка связи Повторите...")) << qPrintable(r.err);
}

TEST(E2eCtl, DecodeAndFrame)
{
    CtlRun r = pimctl({"frame", "--type", "238", "--number", "4660", "--code", "3", "--data", "05", "80"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.trimmed(), "08 EE 34 12 03 05 80 3C");

    r = pimctl({"--json", "decode", "identity", "06", "E5", "34", "12", "00", "CF"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["type"].toInt(), 229);
    EXPECT_EQ(json(r)["number"].toInt(), 0x1234);

    r = pimctl({"--json", "decode", "identity", "06", "E5", "34", "12", "00", "CE"});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(json(r)["error"].toString().isEmpty());

    // A state reply for another number: the decoder's own words.
    r = pimctl({"--json", "decode", "state", "--type", "229", "--number", "1", "06", "E5", "34", "12", "01", "CE"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(json(r)["error"].toString().contains("erundec")) << r.out.constData();
}

TEST(E2eCtl, ImitationAndUdp)
{
    CtlRun r = pimctl({"--imitation", "234", "--json", "archive", "--kind", "hourly", "--range", "day"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["type"].toInt(), 234);

    Sim sim;
    ASSERT_TRUE(sim.start(225, 31, {"--udp", "0"}));
    r = pimctl({"--udp", sim.port(), "--json", "archive", "--kind", "daily", "--range", "day"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["rows"].toArray().size(), 2);
}
