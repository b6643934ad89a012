// pimctl against pimsim: the JSON of its commands, the text output, CSV and
// archive files, offline decoding, and its exit status with the status text
// on stderr. pimsim runs unpaced and the time-outs are short, so the suite
// stays fast.

#include "base/Cp1251.h"
#include "e2e/E2eSupport.h"

#include "base/TextFile.h"

#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "protocol/Frame.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace e2e;

namespace {

QJsonObject json(const CtlRun &r)
{
    return QJsonDocument::fromJson(r.out).object();
}

// pimctl run in `dir`, where its dump and trace files land.
CtlRun pimctlIn(const QString &dir, const QStringList &args)
{
    return pimctl(args, dir);
}

QString lastLine(const QString &err)
{
    return err.trimmed().split(QLatin1Char('\n')).last();
}

// The replies a pimsim transcript holds for a command code.
QStringList repliesTo(const QString &transcript, int code)
{
    QFile f(transcript);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList replies;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const int at = int(line.indexOf(QStringLiteral(" < ")));
        if (at < 0)
            continue;
        const QStringList bytes = line.mid(at + 3).trimmed().split(QLatin1Char(' '));
        if (bytes.size() > 5 && bytes[4].toInt(nullptr, 16) == code)
            replies << bytes.join(QLatin1Char(' '));
    }
    return replies;
}

// Reads a running pimctl's stderr until `marker` shows; what came so far.
QByteArray stderrUntil(QProcess &p, const QByteArray &marker)
{
    QByteArray err;
    p.setReadChannel(QProcess::StandardError);
    while (!err.contains(marker) && p.waitForReadyRead(30000))
        err += p.readAllStandardError();
    return err;
}

// The request codes a pimsim transcript holds, in order.
QList<int> requestCodes(const QString &transcript)
{
    QFile f(transcript);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<int> codes;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const int at = int(line.indexOf(QStringLiteral(" > ")));
        if (at < 0)
            continue;
        const QStringList bytes = line.mid(at + 3).trimmed().split(QLatin1Char(' '));
        if (bytes.size() > 4)
            codes << bytes[4].toInt(nullptr, 16);
    }
    return codes;
}

QStringList strings(const QJsonValue &v)
{
    QStringList l;
    for (const auto &x : v.toArray())
        l << x.toString();
    return l;
}

} // namespace

// Every served type: identity, state and configuration in the contract's
// JSON shape, one entry per heating system, every value labelled; the dumps
// go to the current directory.
class E2eCtlType : public ::testing::TestWithParam<int> {};

TEST_P(E2eCtlType, IdentifyStateConfigArchive)
{
    const int type = GetParam();
    const pim::TypeInfo *info = pim::typeInfo(type);
    ASSERT_TRUE(info);
    Sim sim;
    ASSERT_TRUE(sim.start(type, 4660)) << qPrintable(sim.error());
    QTemporaryDir dir;
    // The line options are taken (a pseudo-terminal keeps 8 bits without
    // parity, so those two stay at what it accepts).
    CtlRun r = pimctlIn(dir.path(), {"--port", sim.port(), "--baud", "19200", "--parity", "none", "--data-bits", "8",
                                     "--stop-bits", "2", "--timeout", "300", "--json", "identify"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["type"].toInt(), type);
    EXPECT_EQ(json(r)["number"].toInt(), 4660);
    EXPECT_EQ(json(r)["model"].toString(), pim::ModelName(type));

    const int configSystems = info->systems == 2 ? 2 : 1;
    for (const auto &[command, systems] : {std::pair{"state", int(info->stateTabs.size())}, {"config", configSystems}}) {
        SCOPED_TRACE(command);
        r = pimctlIn(dir.path(), {"--port", sim.port(), "--timeout", "300", "--json", command});
        ASSERT_EQ(r.code, 0) << qPrintable(r.err);
        const QJsonObject o = json(r);
        EXPECT_EQ(o["type"].toInt(), type);
        EXPECT_EQ(o["number"].toInt(), 4660);
        const QJsonArray list = o["systems"].toArray();
        ASSERT_EQ(list.size(), systems);
        for (const auto &s : list) {
            const QStringList labels = strings(s.toObject()["labels"]), values = strings(s.toObject()["values"]);
            EXPECT_GT(values.size(), 3);
            EXPECT_EQ(labels.size(), values.size());
            EXPECT_FALSE(labels.contains(QString())) << qPrintable(labels.join('|'));
        }
    }
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("байты состояния")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("конфигурация.txt")));

    // A short read of both archives through each reader; the hourly one
    // saved and loaded back to the same grid.
    if (!info->hasArchive())
        return;
    const QString arh = dir.filePath("h.Arh");
    for (const auto &[kind, code] : {std::pair{"daily", 0}, {"hourly", 2}}) {
        SCOPED_TRACE(kind);
        r = pimctlIn(dir.path(), {"--port", sim.port(), "--timeout", "300", "--json", "archive", "--kind", kind,
                                  "--range", "day", "--out", arh});
        ASSERT_EQ(r.code, 0) << qPrintable(r.err);
        const QJsonObject o = json(r);
        EXPECT_EQ(o["kind"].toInt(), code);
        EXPECT_EQ(o["system"].toInt(), 1);
        EXPECT_EQ(o["missing"].toInt(), 0);
        EXPECT_TRUE(o["status"].toString().startsWith("архив прочитан от ")) << qPrintable(o["status"].toString());
        const QJsonArray rows = o["rows"].toArray();
        ASSERT_FALSE(rows.isEmpty());
        EXPECT_EQ(rows[0].toArray().size(), o["header"].toArray()[0].toArray().size());
        EXPECT_NE(rows[0].toArray()[0].toString(), "нет данных");
    }
    const QJsonObject hourly = json(r);
    r = pimctlIn(dir.path(), {"--json", "load", "--type", QString::number(type), arh});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["header"], hourly["header"]);
    EXPECT_EQ(json(r)["rows"], hourly["rows"]);
    EXPECT_EQ(json(r)["status"].toString(), "архива из файла: " + arh + " - прочитан");
}

INSTANTIATE_TEST_SUITE_P(Served, E2eCtlType,
                         ::testing::Values(128, 225, 227, 228, 229, 230, 234, 235, 236, 237, 238, 239));

TEST(E2eCtl, RussianTextWithoutJson)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 4660)) << qPrintable(sim.error());
    QTemporaryDir dir;
    CtlRun r = pimctlIn(dir.path(), {"--port", sim.port(), "identify"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(QString::fromUtf8(r.out).contains("номер: 4660"));

    r = pimctlIn(dir.path(), {"--port", sim.port(), "state"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    const QString out = QString::fromUtf8(r.out);
    EXPECT_TRUE(out.startsWith("ПИМ-229 № 4660\n")) << qPrintable(out);
    EXPECT_TRUE(out.contains("система 2:\n"));
    EXPECT_TRUE(out.contains("  тепло, Гкал: ")) << qPrintable(out);
    // Progress and the final status go to stderr as they come.
    EXPECT_TRUE(r.err.contains("Чтение состояния. Ждите... попытка № 1"));
    EXPECT_EQ(lastLine(r.err), "ПИМ-229 № 4660: Cостояние прочитано успешно");
}

// On a terminal the archive is a table a person can read: its columns
// aligned, as many as fit the width, and a line saying how to get them
// all; piped, the rows stay TAB-joined, every cell there.
TEST(E2eCtl, ArchiveOnATerminalFitsItsWidth)
{
    Sim sim;
    ASSERT_TRUE(sim.start(238, 7, {"--clock", "2026-03-10 12:30", "--clock-stopped"})) << qPrintable(sim.error());
    QTemporaryDir dir;
    const QStringList args{"--port", sim.port(), "archive", "--kind", "daily", "--range", "week"};
    const CtlRun piped = pimtest::pimctlAt("2026-03-10 12:30", args, dir.path());
    ASSERT_EQ(piped.code, 0) << qPrintable(piped.err);
    const QStringList pipedLines = QString::fromUtf8(piped.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(pipedLines.size(), 10);
    EXPECT_EQ(pipedLines[1].count('\t'), 27) << qPrintable(pipedLines[1]);

    // The same read, at the same moment, under a pseudo-terminal (script)
    // 100 columns wide.
    const QString faketime = QStandardPaths::findExecutable("faketime");
    ASSERT_FALSE(faketime.isEmpty());
    QStringList quoted;
    // Its traces go to the run's folder, not below the build's data folder.
    for (const QString &a : QStringList{faketime, "2026-03-10 12:30:00", QDir(binDir()).filePath("pimctl"), "--trace",
                                        dir.path()}
                                + args)
        quoted << "'" + a + "'";
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start("script", {"-qefc", "stty cols 100 rows 40; " + quoted.join(' ') + " 2>/dev/null", "/dev/null"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).remove('\r').split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), pipedLines.size() + 2) << qPrintable(lines.join('\n'));
    EXPECT_EQ(lines[0], pipedLines[0]); // the title
    for (const QString &l : lines) {
        EXPECT_LE(l.size(), 100) << qPrintable(l);
        EXPECT_FALSE(l.contains('\t')) << qPrintable(l);
    }
    EXPECT_TRUE(lines[3].startsWith("-----"));
    // Every row starts with its date, and the first column has the same
    // width in all of them.
    int width = 0;
    for (int i = 1; i < pipedLines.size() - 1; ++i)
        width = qMax(width, int(pipedLines[i].section('\t', 0, 0).trimmed().size()));
    for (int i = 4; i < lines.size() - 2; ++i) {
        EXPECT_TRUE(lines[i].startsWith(pipedLines[i - 1].section('\t', 0, 0))) << qPrintable(lines[i]);
        EXPECT_EQ(lines[i].mid(width, 2), "  ") << qPrintable(lines[i]);
    }
    const QString hint = lines[lines.size() - 2];
    EXPECT_TRUE(hint.startsWith("(столбцов ")) << qPrintable(hint);
    EXPECT_TRUE(hint.endsWith(" из 28; все: --csv FILE, --json или вывод через | cat)")) << qPrintable(hint);
    const int shownColumns = hint.section(' ', 1, 1).toInt();
    EXPECT_GE(shownColumns, 3);
    EXPECT_LT(shownColumns, 28);
    EXPECT_EQ(lines.last(), pipedLines.last()); // the status
}

TEST(E2eCtl, ArchiveJsonFileAndCsv)
{
    // The device and pimctl on one fixed day, so "today" cannot pass
    // midnight between the read and the checks.
    const QDate today(2025, 6, 15);
    Sim sim;
    ASSERT_TRUE(sim.start(238, 77, {"--clock", "2025-06-15 10:30"})) << qPrintable(sim.error());
    QTemporaryDir dir;
    const QString arh = dir.path() + "/a.Arh", csv = dir.path() + "/a.csv", png = dir.path() + "/a.png";
    CtlRun r = pimtest::pimctlAt("2025-06-15 10:30:00",
                                 {"--port", sim.port(), "--json", "archive", "--kind", "daily", "--diff", "--system",
                                  "2", "--from", today.addDays(-3).toString(Qt::ISODate), "--to",
                                  today.toString(Qt::ISODate), "--out", arh, "--csv", csv, "--png", png,
                                  "--png-size", "640x480"},
                                 dir.path());
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    const QJsonObject o = json(r);
    EXPECT_EQ(o["type"].toInt(), 238);
    EXPECT_EQ(o["number"].toInt(), 77);
    EXPECT_EQ(o["kind"].toInt(), 1);
    EXPECT_EQ(o["system"].toInt(), 2);
    EXPECT_EQ(o["header"].toArray().size(), 2);
    const QJsonArray rows = o["rows"].toArray();
    ASSERT_EQ(rows.size(), 4); // three differences and the totals
    EXPECT_EQ(rows.last().toArray()[0].toString(), "ИТОГО(3):");
    EXPECT_EQ(o["gap"].toArray(), QJsonArray({false, false, false, false}));
    EXPECT_FALSE(o["partial"].toBool());
    EXPECT_EQ(o["missing"].toInt(), 0);
    EXPECT_EQ(o["misordered"].toInt(), 0);
    EXPECT_TRUE(o["status"].toString().startsWith("архив прочитан от "));
    // The file holds the chosen system's half of each record.
    EXPECT_EQ(QFileInfo(arh).size(), 4 * pim::typeInfo(238)->arhRecordSize / 2);
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/a.txt"));
    // The plot of the same view, at the size asked for.
    QImage plot;
    ASSERT_TRUE(plot.load(png)) << qPrintable(r.err);
    EXPECT_EQ(plot.size(), QSize(640, 480));

    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray csvBytes = f.readAll();
    EXPECT_TRUE(csvBytes.endsWith("\r\n"));
    const QStringList lines = pim::fromCp1251(csvBytes).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 4);
    EXPECT_TRUE(lines[0].startsWith("ДАТА ГГГГ-ММ-ДД;")) << qPrintable(lines[0]);
    EXPECT_TRUE(lines[0].endsWith(";разрыв"));
    EXPECT_EQ(lines[0].count(';'), lines[1].count(';'));
    EXPECT_TRUE(lines[1].endsWith(";0"));
    EXPECT_TRUE(lines[1].startsWith(today.toString(Qt::ISODate) + ";")) << qPrintable(lines[1]);
    EXPECT_TRUE(lines[3].startsWith(today.addDays(-2).toString(Qt::ISODate) + ";")) << qPrintable(lines[3]);
    EXPECT_TRUE(lines[4].startsWith("ИТОГО(3):;"));
    f.close();

    // A range without records: the grid's "нет данных" row in the JSON; the
    // CSV asked for is not written over the one before, and that is a
    // failure that says why.
    r = pimctlIn(dir.path(), {"--port", sim.port(), "--json", "archive", "--kind", "hourly", "--from", "2001-01-01",
                              "--to", "2001-01-02", "--csv", csv});
    ASSERT_EQ(r.code, 1) << qPrintable(r.err);
    ASSERT_EQ(json(r)["rows"].toArray().size(), 1);
    EXPECT_EQ(json(r)["rows"].toArray()[0].toArray()[0].toString(), "нет данных");
    EXPECT_TRUE(lastLine(r.err).contains("ничего не записано")) << qPrintable(r.err);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), csvBytes);
}

TEST(E2eCtl, LinkLostMidReadKeepsWhatWasRead)
{
    // Requests 1..3 are the identity, the current numbers and the begin of
    // the read; from request 8 on all four attempts stay unanswered.
    Sim sim;
    ASSERT_TRUE(sim.start(229, 9, {"--fault", "silence@8,9,10,11"})) << qPrintable(sim.error());
    QTemporaryDir dir;
    const QString arh = dir.path() + "/lost.Arh";
    const CtlRun r = pimctlIn(dir.path(), {"--port", sim.port(), "--timeout", "100", "--json", "archive", "--kind",
                                           "daily", "--out", arh});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(lastLine(r.err), "НЕТ СВЯЗИ") << qPrintable(r.err);
    const QJsonObject o = json(r);
    EXPECT_EQ(o["status"].toString(), "НЕТ СВЯЗИ");
    const int rows = int(o["rows"].toArray().size());
    EXPECT_GE(rows, 1);
    EXPECT_EQ(QFileInfo(arh).size(), rows * pim::typeInfo(229)->arhRecordSize / 2);
}

TEST(E2eCtl, InterruptIsStop)
{
    // Ctrl+C during a long read ends it between two requests: what was read
    // is printed and saved, the read says it was cut short, and the exit
    // status says the run was stopped.
    Sim sim;
    ASSERT_TRUE(sim.start(238, 5)) << qPrintable(sim.error());
    QTemporaryDir dir;
    const QString arh = dir.filePath("stop.Arh");
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(binDir() + "/pimctl",
            {"--trace", dir.path(), "--port", sim.port(), "--json", "archive", "--kind", "daily", "--out", arh});
    ASSERT_TRUE(p.waitForStarted(5000));
    // The first progress line comes with the first record read.
    QByteArray err = stderrUntil(p, "архив: ");
    ASSERT_TRUE(err.contains("чтение архива. Ждите")) << err.constData();
    ASSERT_TRUE(err.contains("архив: ")) << err.constData();
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    err += p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 130) << err.constData();
    EXPECT_EQ(lastLine(QString::fromUtf8(err)), "чтение прервано");
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    EXPECT_EQ(o["error"].toString(), "чтение прервано");
    const int rows = int(o["rows"].toArray().size());
    EXPECT_GE(rows, 1);
    EXPECT_LT(rows, pim::typeInfo(238)->dailyEntries);
    // Not "архив прочитан": the range asked for was not read.
    EXPECT_TRUE(o["status"].toString().startsWith("чтение прервано: прочитано ")) << qPrintable(o["status"].toString());
    EXPECT_TRUE(o["partial"].toBool());
    EXPECT_EQ(QFileInfo(arh).size(), rows * pim::typeInfo(238)->arhRecordSize / 2);
}

TEST(E2eCtl, SignalEndsAnyWait)
{
    // SIGTERM while the identity waits for a device that never answers,
    // with a time-out far longer than the test's own: the wait ends at once.
    Sim silent;
    ASSERT_TRUE(silent.start(229, 5, {"--fault", "silence"}));
    QTemporaryDir dir;
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(binDir() + "/pimctl",
            {"--trace", dir.path(), "--port", silent.port(), "--timeout", "600000", "--json", "state"});
    ASSERT_TRUE(p.waitForStarted(5000));
    QByteArray err = stderrUntil(p, "определение");
    ASSERT_TRUE(err.contains("определение")) << err.constData();
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    err += p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 143) << err.constData();
    EXPECT_EQ(lastLine(QString::fromUtf8(err)), "чтение прервано");
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    EXPECT_EQ(o["error"].toString(), "чтение прервано");
    EXPECT_TRUE(o.contains("status"));
}

TEST(E2eCtl, InterruptDuringARecordWaitClosesTheRead)
{
    // A record request stays unanswered under a long time-out; Ctrl+C ends
    // its wait, the read is closed on the device with Q_ArhEnd and what was
    // read before is saved.
    QTemporaryDir dir;
    const QString transcript = dir.filePath("t.txt"), arh = dir.filePath("part.Arh");
    Sim sim;
    ASSERT_TRUE(sim.start(238, 12, {"--fault", "silence@9", "--transcript", transcript}));
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(binDir() + "/pimctl",
            {"--trace", dir.path(), "--port", sim.port(), "--timeout", "600000", "--json", "archive", "--kind", "daily",
             "--out", arh});
    ASSERT_TRUE(p.waitForStarted(5000));
    QByteArray err = stderrUntil(p, "архив: ");
    ASSERT_TRUE(err.contains("архив: ")) << err.constData();
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(30000));
    err += p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 130) << err.constData();
    EXPECT_EQ(lastLine(QString::fromUtf8(err)), "чтение прервано");
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    const int rows = int(o["rows"].toArray().size());
    EXPECT_GE(rows, 1);
    EXPECT_EQ(QFileInfo(arh).size(), rows * pim::typeInfo(238)->arhRecordSize / 2);
    sim.stop();
    const QList<int> codes = requestCodes(transcript);
    ASSERT_FALSE(codes.isEmpty());
    EXPECT_EQ(codes.last(), pim::Q_ArhEnd);
}

TEST(E2eCtl, ExitStatus)
{
    const QStringList usage[] = {
        {},
        {"--bogus", "identify"},
        {"fly"},
        {"--port"},
        {"--imitation", "229", "identify", "extra"},
        {"--imitation", "200", "identify"}, // no module, no imitation
        {"--parity", "odd2", "--imitation", "229", "state"},
        {"--data-bits", "9", "--imitation", "229", "state"},
        {"--stop-bits", "3", "--imitation", "229", "state"},
        {"--udp", ":5001", "state"},
        {"--udp", "localhost:", "state"},
        {"state"}, // no link
        {"--port", "/dev/null", "--udp", "127.0.0.1:5001", "state"},
        {"--imitation", "229", "--port", "/dev/null", "state"},
        {"--imitation", "229", "archive"},
        {"--imitation", "229", "archive", "--kind", "weekly"},
        {"--imitation", "229", "archive", "--kind", "daily", "--range", "fortnight"},
        {"--imitation", "229", "archive", "--kind", "daily", "--from", "2026-01-01"},
        {"--imitation", "229", "archive", "--kind", "daily", "--from", "2026-13-01", "--to", "2026-12-01"},
        {"--imitation", "229", "archive", "--kind", "daily", "--system", "3"},
        {"--imitation", "225", "archive", "--kind", "daily", "--system", "2"}, // one heating system
        {"--type", "229", "--number", "0", "state"},
        {"--type", "229", "--number", "-1", "state"},
        {"--type", "229", "--number", "70000", "state"},
        {"--type", "229", "state"},
        {"--number", "5", "state"},
        {"decode", "state", "--type", "229", "--number", "1"},
        {"decode", "state", "--type", "229", "--number", "1", ","},
        {"decode", "state", "--type", "229", "--number", "1", "0G"},
        {"decode", "state", "--type", "229", "--number", "70000", "06"},
        {"decode", "state", "06 E5 01 00 01 13"},
        {"decode", "bogus", "--type", "229", "--number", "1", "00"},
        {"frame", "--type", "229", "--number", "1"},
        {"frame", "--type", "229", "--number", "1", "--code", "256"},
        {"frame", "--type", "229", "--number", "1", "--code", "1", "--data", "0G"},
        {"load", "a.Arh"},
        {"load", "--type", "128", "a.Arh"}, // no archives
        {"load", "--type", "229"},
        {"--imitation", "229", "archive", "--kind", "daily", "--from", "2026-01-02", "--to", "2026-01-01"},
        {"--imitation", "229", "archive", "--kind", "daily", "--from", "2026-01-01", "--to", "2999-01-01"},
        {"--imitation", "229", "archive", "--kind", "daily", "--out", "x.Arh", "--csv", "x.Arh"},
        {"--imitation", "229", "archive", "--kind", "daily", "--out", "x.Arh", "--csv", "./x.txt"},
        {"--imitation", "229", "archive", "--kind", "daily", "--out", ""},
        {"--imitation", "229", "archive", "--kind", "daily", "--csv", ""},
        {"--imitation", "229", "archive", "--kind", "daily", "--png", ""},
        {"--imitation", "229", "archive", "--kind", "daily", "--csv", "x.png", "--png", "x.png"},
        {"--imitation", "229", "archive", "--kind", "daily", "--png", "x.png", "--png-size", "20x20"},
        {"--imitation", "128", "archive", "--kind", "daily"},                     // no archives
        {"--type", "128", "--number", "5", "--port", "/dev/null", "archive", "--kind", "daily"},
        {"--imitation", "229", "state", "--baud", "fast"},                        // a global option after the command
        {"frame", "--type", "229", "--number", "70000", "--code", "1"},
    };
    for (const QStringList &args : usage) {
        const CtlRun r = pimctl(args);
        EXPECT_EQ(r.code, 2) << qPrintable(args.join(' '));
        EXPECT_TRUE(r.err.contains("usage: pimctl")) << qPrintable(args.join(' '));
        EXPECT_TRUE(r.out.isEmpty()) << qPrintable(args.join(' '));
    }

    for (const QStringList &args : {QStringList{"--help"}, QStringList{"archive", "-h"}}) {
        const CtlRun r = pimctl(args);
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(r.out.startsWith("usage: pimctl")) << r.out.constData();
        EXPECT_TRUE(r.out.contains("decode identity|state|config|archive"));
    }

    // No port, a device that never answers, a type without archive: the
    // status text is the last line on stderr.
    CtlRun r = pimctl({"--port", "/dev/pim-no-such-port", "identify"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(lastLine(r.err), "НЕТ СВЯЗИ") << qPrintable(r.err);
    Sim silent;
    ASSERT_TRUE(silent.start(229, 5, {"--fault", "silence"})) << qPrintable(silent.error());
    for (const char *command : {"identify", "state", "config"}) {
        r = pimctl({"--port", silent.port(), "--timeout", "50", command});
        EXPECT_EQ(r.code, 1) << command;
        EXPECT_EQ(lastLine(r.err), "НЕТ СВЯЗИ") << command << qPrintable(r.err);
    }
    r = pimctl({"load", "--type", "229", "/nonexistent/a.Arh"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(lastLine(r.err).startsWith("файл /nonexistent/a.Arh ")) << qPrintable(r.err);
    // What is no archive is refused unread; a file without a whole record
    // has no data. Neither is "прочитан".
    QTemporaryDir files;
    ASSERT_TRUE(pim::writeFileAtomic(files.path() + "/short.Arh", QByteArray(100, 0)));
    for (const QString &path : {QString("/dev/zero"), files.path(), files.path() + "/short.Arh"}) {
        r = pimctl({"load", "--type", "229", path});
        EXPECT_EQ(r.code, 1) << qPrintable(path);
        EXPECT_FALSE(r.err.contains(" - прочитан")) << qPrintable(r.err);
        EXPECT_TRUE(lastLine(r.err).contains(path)) << qPrintable(r.err);
    }
    EXPECT_TRUE(lastLine(r.err).endsWith(" - нет данных (100 байт, а запись прибора 176 байт)")) << qPrintable(r.err);
    // A type without archives is a usage error that names the type.
    r = pimctl({"--imitation", "128", "archive", "--kind", "daily"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА TFpim.AreadArhExecute: 128")) << qPrintable(r.err);

    // Replies for another device, twenty times.
    Sim foreign;
    ASSERT_TRUE(foreign.start(229, 5, {"--fault", "wrong-number"})) << qPrintable(foreign.error());
    for (const char *command : {"state", "config"}) {
        r = pimctl({"--port", foreign.port(), "--timeout", "50", "--type", "229", "--number", "5", command});
        EXPECT_EQ(r.code, 1) << command;
        EXPECT_EQ(lastLine(r.err), "Ошибка связи Повторите...") << command << qPrintable(r.err);
    }
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
    EXPECT_EQ(json(r)["model"].toString(), "ПИМ-229");

    r = pimctl({"--json", "decode", "identity", "06", "E5", "34", "12", "00", "CE"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(json(r).keys(), QStringList{"error"});
    EXPECT_FALSE(json(r)["error"].toString().isEmpty());

    // A refused reply: the decoder's own words, in JSON on stdout, or
    // readable on stderr (its carriage returns made line ends).
    const QStringList foreign = {"decode", "state", "--type", "229", "--number", "1", "06", "E5", "34", "12", "01", "CE"};
    r = pimctl(QStringList{"--json"} + foreign);
    EXPECT_EQ(r.code, 1);
    const QString error = json(r)["error"].toString();
    EXPECT_TRUE(error.startsWith("unit U29:function DecState: erundec")) << qPrintable(error);
    r = pimctl(foreign);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err.trimmed(), QString(error).replace('\r', '\n').trimmed());
    EXPECT_FALSE(r.err.contains('\r'));
}

TEST(E2eCtl, DecodeGivesWhatTheReadGave)
{
    // The replies of a real read, decoded offline, give the same texts; and
    // those are SLfromState's own.
    QTemporaryDir dir;
    const QString transcript = dir.filePath("t.txt");
    Sim sim;
    ASSERT_TRUE(sim.start(229, 77, {"--transcript", transcript})) << qPrintable(sim.error());
    const CtlRun state = pimctlIn(dir.path(), {"--port", sim.port(), "--json", "state"});
    ASSERT_EQ(state.code, 0) << qPrintable(state.err);
    const CtlRun config = pimctlIn(dir.path(), {"--port", sim.port(), "--json", "config"});
    ASSERT_EQ(config.code, 0) << qPrintable(config.err);
    const CtlRun arh = pimctlIn(dir.path(), {"--port", sim.port(), "--json", "archive", "--kind", "daily", "--range", "day"});
    ASSERT_EQ(arh.code, 0) << qPrintable(arh.err);
    sim.stop();

    const QStringList stateReplies = repliesTo(transcript, 1), configReplies = repliesTo(transcript, 5),
                      arhReplies = repliesTo(transcript, 3);
    ASSERT_FALSE(stateReplies.isEmpty());
    ASSERT_FALSE(configReplies.isEmpty());
    ASSERT_FALSE(arhReplies.isEmpty());
    const QStringList id = {"--type", "229", "--number", "77"};

    CtlRun r = pimctl(QStringList{"--json", "decode", "state"} + id + stateReplies.last().split(' '));
    ASSERT_EQ(r.code, 0) << r.out.constData();
    EXPECT_EQ(json(r), json(state));
    pim::Tab reply;
    ASSERT_TRUE(pim::Tab::fromHex(stateReplies.last(), reply));
    pim::DeviceSession session;
    pim::StateCodec &codec = session.moduleFor(229)->state();
    ASSERT_TRUE(codec.DecState(reply, pim::Identity{229, 77}).isEmpty());
    const QJsonArray systems = json(r)["systems"].toArray();
    ASSERT_EQ(systems.size(), 2);
    for (int s = 0; s < 2; ++s)
        EXPECT_EQ(strings(systems[s].toObject()["values"]), codec.SLfromState(s));

    r = pimctl(QStringList{"--json", "decode", "config"} + id + configReplies.last().split(' '));
    ASSERT_EQ(r.code, 0) << r.out.constData();
    EXPECT_EQ(json(r), json(config));

    r = pimctl(QStringList{"--json", "decode", "archive"} + id + arhReplies.first().split(' '));
    ASSERT_EQ(r.code, 0) << r.out.constData();
    EXPECT_EQ(json(r)["error"].toString(), "");
    const QJsonArray cells = json(r)["systems"].toArray();
    ASSERT_EQ(cells.size(), 2);
    EXPECT_GT(cells[0].toObject()["cells"].toArray().size(), 5);
    // The record's date is the date of one of the grid's rows.
    QStringList dates;
    for (const auto &row : json(arh)["rows"].toArray())
        dates << row.toArray()[0].toString();
    EXPECT_TRUE(dates.contains(cells[0].toObject()["cells"].toArray()[0].toString())) << qPrintable(dates.join('|'));
}

TEST(E2eCtl, ImitationAndUdp)
{
    // The imitated records carry random dates: every record is asked for.
    CtlRun r = pimctl({"--imitation", "234", "--json", "archive", "--kind", "hourly", "--range", "records"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["type"].toInt(), 234);
    EXPECT_EQ(json(r)["kind"].toInt(), 2);

    Sim sim;
    ASSERT_TRUE(sim.start(225, 31, {"--udp", "0"})) << qPrintable(sim.error());
    r = pimctl({"--udp", sim.port(), "--json", "state"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["number"].toInt(), 31);
    r = pimctl({"--udp", sim.port(), "--json", "archive", "--kind", "daily", "--range", "day"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["rows"].toArray().size(), 2);
}

TEST(E2eCtl, CommandLineForms)
{
    // The version, and each command's own help beside the whole list.
    CtlRun r = pimctl({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("pimctl ")) << r.out.constData();
    r = pimctl({"archive", "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("usage: pimctl [global options] archive --kind")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("--csv FILE"));
    EXPECT_TRUE(r.out.contains("--port PATH"));
    r = pimctl({"state", "-h"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("usage: pimctl [global options] state\n")) << r.out.constData();

    // Global options after the command, or on both sides of it.
    r = pimctl({"state", "--imitation", "229", "--json"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["type"].toInt(), 229);
    r = pimctl({"--json", "archive", "--kind", "daily", "--imitation", "234", "--range", "records"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["type"].toInt(), 234);

    // Hex bytes as people type them: either case, with or without the
    // leading zero, a 0x, or one run of pairs.
    for (const QStringList &bytes : {QStringList{"06", "E5", "34", "12", "00", "CF"}, {"6", "e5", "34", "12", "0", "cf"},
                                     {"0x06", "0xE5", "0x34", "0x12", "0x0", "0xcf"}, {"06e5341200CF"}, {"06,E5,34,12,0,CF"}}) {
        r = pimctl(QStringList{"--json", "decode", "identity"} + bytes);
        EXPECT_EQ(r.code, 0) << qPrintable(bytes.join(' ')) << qPrintable(r.err);
        EXPECT_EQ(json(r)["type"].toInt(), 229) << qPrintable(bytes.join(' '));
        EXPECT_EQ(json(r)["number"].toInt(), 0x1234) << qPrintable(bytes.join(' '));
    }
    r = pimctl({"frame", "--type", "238", "--number", "4660", "--code", "3", "--data", "5", "80"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.trimmed(), "08 EE 34 12 03 05 80 3C");
    for (const char *bad : {"6E5", "0x", "1G"}) {
        r = pimctl({"decode", "identity", "06", bad});
        EXPECT_EQ(r.code, 2) << bad;
    }

    // Progress lines on stderr, none with --quiet; the status texts stay.
    Sim sim;
    ASSERT_TRUE(sim.start(229, 8));
    QTemporaryDir dir;
    for (bool quiet : {false, true}) {
        QStringList args = {"--port", sim.port(), "archive", "--kind", "hourly", "--range", "day"};
        if (quiet)
            args << "--quiet";
        r = pimctlIn(dir.path(), args);
        EXPECT_EQ(r.code, 0) << qPrintable(r.err);
        EXPECT_EQ(r.err.contains(QRegularExpression("\\nархив: 1 из 48 записей, прошло \\d+:\\d\\d")), !quiet)
            << qPrintable(r.err);
        EXPECT_TRUE(lastLine(r.err).startsWith("архив прочитан от ")) << qPrintable(r.err);
    }
}

TEST(E2eCtl, FailuresInJsonAndOnStderr)
{
    // A port that cannot be opened is named as the program names it; with
    // --json the failure is on stdout too.
    CtlRun r = pimctl({"--port", "/dev/pim-no-such-port", "--json", "state"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("/dev/pim-no-such-port занят (отсутсвует)")) << qPrintable(r.err);
    EXPECT_EQ(lastLine(r.err), "НЕТ СВЯЗИ");
    EXPECT_EQ(json(r)["error"].toString(), "/dev/pim-no-such-port занят (отсутсвует)");
    EXPECT_EQ(json(r)["status"].toString(), "НЕТ СВЯЗИ");

    Sim silent;
    ASSERT_TRUE(silent.start(229, 5, {"--fault", "silence"}));
    r = pimctl({"--port", silent.port(), "--timeout", "50", "--json", "config"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(json(r)["error"].toString(), "НЕТ СВЯЗИ");
    EXPECT_EQ(json(r)["status"].toString(), "НЕТ СВЯЗИ");

    // A converter name that does not resolve is named.
    r = pimctl({"--udp", "pim-no-such-host.invalid:5001", "--json", "state"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("pim-no-such-host.invalid")) << qPrintable(r.err);
    EXPECT_TRUE(json(r)["error"].toString().contains("pim-no-such-host.invalid"));

    // A result that cannot be written is a failure, not a success.
    for (const QStringList &args : {QStringList{"--json", "--imitation", "229", "state"},
                                    QStringList{"frame", "--type", "229", "--number", "1", "--code", "1"},
                                    QStringList{"--help"}}) {
        QProcess p;
        p.setStandardOutputFile("/dev/full");
        p.start(binDir() + "/pimctl", QStringList{"--trace", QDir::currentPath()} + args);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 1) << qPrintable(args.join(' '));
        EXPECT_TRUE(p.readAllStandardError().contains("stdout")) << qPrintable(args.join(' '));
    }
}

TEST(E2eCtl, IdentifyAsksTheDeviceAndChecksTheGivenIdentity)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 4660));
    CtlRun r = pimctl({"--port", sim.port(), "--type", "229", "--number", "4660", "--json", "identify"});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(json(r)["number"].toInt(), 4660);
    struct Case {
        const char *type, *number, *text;
    } cases[] = {
        {"238", "4660", "ответило устройство ПИМ-229 № 4660, а задано ПИМ-238 № 4660"},
        {"229", "5", "ответило устройство ПИМ-229 № 4660, а задано ПИМ-229 № 5"},
    };
    for (const Case &c : cases) {
        r = pimctl({"--port", sim.port(), "--type", c.type, "--number", c.number, "identify"});
        EXPECT_EQ(r.code, 1) << c.type << " " << c.number;
        EXPECT_EQ(lastLine(r.err), QString::fromUtf8(c.text)) << qPrintable(r.err);
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(E2eCtl, TracesAndFoldersOnlyWhereTheyBelong)
{
    // pimctl run from a folder of the user's: its trace and dump files go
    // below its data folder (or to --trace DIR), never into the folder it
    // runs from, and an archive saved elsewhere makes no device folders in
    // the data folder.
    Sim sim;
    ASSERT_TRUE(sim.start(229, 12)) << qPrintable(sim.error());
    QTemporaryDir program, work, elsewhere, traces;
    ASSERT_TRUE(QDir(program.path()).mkdir("ДАННЫЕ"));
    const QString exe = program.filePath("pimctl");
    ASSERT_TRUE(QFile::copy(QDir(binDir()).filePath("pimctl"), exe));
    auto run = [&](const QStringList &args) {
        QProcess p;
        p.setWorkingDirectory(work.path());
        p.start(exe, QStringList{"--port", sim.port(), "--timeout", "300"} + args);
        EXPECT_TRUE(p.waitForFinished(60000));
        CtlRun r;
        r.code = p.exitCode();
        r.out = p.readAllStandardOutput();
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    };
    CtlRun r = run({"state"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    const QString arh = elsewhere.filePath("F.Arh");
    r = run({"archive", "--kind", "daily", "--range", "week", "--out", arh});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_TRUE(QFileInfo::exists(arh));
    EXPECT_EQ(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    const QDir data(program.filePath("ДАННЫЕ"));
    EXPECT_EQ(data.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"ТРАССА"});
    EXPECT_TRUE(QFileInfo::exists(data.filePath("ТРАССА/байты состояния")));
    EXPECT_TRUE(QFileInfo::exists(data.filePath("ТРАССА/АРХИВ229230.txt")));

    r = run({"--trace", traces.path(), "config"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_TRUE(QFileInfo::exists(traces.filePath("конфигурация.txt")));
    EXPECT_FALSE(QFileInfo::exists(data.filePath("ТРАССА/конфигурация.txt")));
    EXPECT_EQ(run({"--trace", "", "config"}).code, 2);
    // The help says where they go.
    r = run({"--help"});
    EXPECT_TRUE(QString::fromUtf8(r.out).contains(data.filePath("ТРАССА"))) << r.out.constData();
}
