// pimctl's change log and state polling against pimsim: the table's JSON,
// the types without a log, the state file and CSV that grow by one row per
// reading across runs, a failed reading that does not end the logger, a
// file that cannot be written that does, and a signal that loses no row
// written.

#include "e2e/E2eSupport.h"

#include "base/TextFile.h"
#include "protocol/Frame.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace e2e;

namespace {

QStringList fileLines(const QString &path)
{
    QStringList lines;
    pim::readLines(path, lines);
    return lines;
}

QStringList outLines(const CtlRun &r)
{
    return QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// `count` changes written to the device's configuration, one change-log
// record each (the slots of a new device are erased memory, no records).
void fillLog(Sim &sim, int type, int number, int count)
{
    Bench b(sim);
    b.session.setIdentity(type, number);
    for (int i = 0; i < count; ++i) {
        pim::Tab p = pim::SQ(b.session.identity(), pim::Q_Param);
        ASSERT_TRUE(b.road->exchange(p));
        pim::Tab data = p.mid(5, p.size() - 6);
        data.set(19 - 5, 7 + i); // cold-water temperature 1
        pim::Tab w = pim::SQ(b.session.identity(), pim::Q_SetParam, data);
        ASSERT_TRUE(b.road->exchange(w));
        ASSERT_EQ(w.at(5), 0) << "the write was refused";
    }
}

} // namespace

TEST(E2eCtlLog, ChangelogPrintsTheWindowsTable)
{
    Sim sim;
    ASSERT_TRUE(sim.start(236, 9)) << qPrintable(sim.error());
    fillLog(sim, 236, 9, 3);
    const CtlRun r = pimctl({"--port", sim.port(), "--json", "changelog"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o["type"].toInt(), 236);
    EXPECT_EQ(o["number"].toInt(), 9);
    const QJsonArray header = o["header"].toArray();
    ASSERT_EQ(header.size(), 2);
    EXPECT_EQ(header[0].toArray()[0].toString(), "блок,запись,№ сист");
    EXPECT_EQ(header[1].toArray()[15].toString(), "исп 2-й t°C");
    const QJsonArray rows = o["rows"].toArray();
    // Three records; the 30 slots no change was written to are no rows.
    ASSERT_EQ(rows.size(), 6);
    for (const QJsonValue &row : rows)
        ASSERT_EQ(row.toArray().size(), 16);
    EXPECT_TRUE(rows[5].toArray()[0].toString().startsWith("0 02 2 ")) << qPrintable(rows[5].toArray()[0].toString());
    EXPECT_EQ(o["erased"].toInt(), 30);
    EXPECT_EQ(o["skipped"].toArray().size(), 0);
    EXPECT_TRUE(r.err.trimmed().endsWith("Журнал учета изменений успешно прочитан: записей 3, пустых 30")) << qPrintable(r.err);
}

TEST(E2eCtlLog, ChangelogWithARecordLeftOutPrintsTheRestAndFails)
{
    // Three changes written (the simulator's requests 1..6), the identity
    // given by hand: the log's second record (requests 8..11) is answered
    // six bytes short every time it is asked.
    Sim sim;
    ASSERT_TRUE(sim.start(230, 4, {"--fault", "short@8,9,10,11"})) << qPrintable(sim.error());
    fillLog(sim, 230, 4, 3);
    const CtlRun r = pimctl({"--port", sim.port(), "--type", "230", "--number", "4", "--json", "changelog"});
    EXPECT_EQ(r.code, 1) << qPrintable(r.err);
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o["rows"].toArray().size(), 4);
    EXPECT_EQ(o["erased"].toInt(), 30);
    EXPECT_EQ(o["skipped"].toArray(), QJsonArray{"ЖУИ блок=0 запись=1 пропущена: неполный ответ: 40 байт"});
    EXPECT_TRUE(r.err.contains("ЖУИ блок=0 запись=1 пропущена: неполный ответ: 40 байт")) << qPrintable(r.err);
    EXPECT_TRUE(r.err.trimmed().endsWith("пропущено записей 1")) << qPrintable(r.err);
}

TEST(E2eCtlLog, ChangelogOfATypeWithoutALogIsAUsageError)
{
    Sim sim;
    ASSERT_TRUE(sim.start(228, 3)) << qPrintable(sim.error());
    const QStringList cases[] = {
        {"--port", sim.port(), "changelog"},                                // the device says its type
        {"--port", sim.port(), "--type", "225", "--number", "3", "changelog"}, // the type given by hand
    };
    for (const QStringList &args : cases) {
        const CtlRun r = pimctl(args);
        EXPECT_EQ(r.code, 2) << qPrintable(args.join(' ')) << qPrintable(r.err);
        EXPECT_TRUE(r.err.contains("229, 230, 234..239")) << qPrintable(r.err);
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(E2eCtlLog, PollAppendsOneRowPerReadingAcrossRuns)
{
    Sim sim;
    ASSERT_TRUE(sim.start(238, 21, {"--clock", "2026-03-04 10:20"})) << qPrintable(sim.error());
    QTemporaryDir dir;
    const QString out = dir.filePath("СОСТОЯНИЕ.TXT"), csv = dir.filePath("state.csv");
    const QStringList args{"--port", sim.port(), "poll", "--interval", "1", "--count", "3", "--out", out, "--csv", csv};
    const CtlRun first = pimctl(args, dir.path());
    ASSERT_EQ(first.code, 0) << qPrintable(first.err);
    ASSERT_EQ(outLines(first).size(), 3) << first.out.constData();
    QStringList lines = fileLines(out);
    ASSERT_EQ(lines.size(), 5);
    // Header rows 1 and 2, then one row per reading, as printed; every
    // cell followed by a tab.
    const int cells = int(lines[0].count('\t'));
    EXPECT_GT(cells, 10);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(lines[2 + i].count('\t'), cells) << qPrintable(lines[2 + i]);
        EXPECT_EQ(outLines(first)[i].section('\t', 1) + '\t', lines[2 + i]);
    }
    const QByteArray head = [&] {
        QFile f(out);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();

    const CtlRun second = pimctl(args, dir.path());
    ASSERT_EQ(second.code, 0) << qPrintable(second.err);
    lines = fileLines(out);
    ASSERT_EQ(lines.size(), 8);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(outLines(second)[i].section('\t', 1) + '\t', lines[5 + i]);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith(head)); // appended, never rewritten

    const QStringList csvLines = fileLines(csv);
    ASSERT_EQ(csvLines.size(), 7);
    EXPECT_TRUE(csvLines[0].startsWith("время;"));
    EXPECT_TRUE(csvLines[1].startsWith("20")); // an ISO time first
}

TEST(E2eCtlLog, PollJsonLinesAreTheStateWithTheTime)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 8, {"--clock", "2026-03-04 10:20"})) << qPrintable(sim.error());
    const CtlRun r = pimctl({"--port", sim.port(), "--json", "poll", "--interval", "1", "--count", "2"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    const QStringList lines = outLines(r);
    ASSERT_EQ(lines.size(), 2);
    const QJsonObject state = QJsonDocument::fromJson(pimctl({"--port", sim.port(), "--json", "state"}).out).object();
    ASSERT_FALSE(state.isEmpty());
    // The same object as `state` (the live values aside), and the time.
    for (const QString &l : lines) {
        const QJsonObject o = QJsonDocument::fromJson(l.toUtf8()).object();
        EXPECT_TRUE(QDateTime::fromString(o["time"].toString(), Qt::ISODate).isValid()) << qPrintable(l);
        EXPECT_EQ(o["type"], state["type"]);
        EXPECT_EQ(o["number"], state["number"]);
        const QJsonArray systems = o["systems"].toArray();
        ASSERT_EQ(systems.size(), state["systems"].toArray().size());
        for (int s = 0; s < systems.size(); ++s) {
            const QJsonObject got = systems[s].toObject(), want = state["systems"].toArray()[s].toObject();
            EXPECT_EQ(got["labels"], want["labels"]);
            EXPECT_EQ(got["values"].toArray().size(), want["values"].toArray().size());
        }
    }
}

TEST(E2eCtlLog, PollKeepsGoingAfterAFailedReading)
{
    // The identity given by hand: reading n is request n, and the second
    // reading's four attempts go unanswered.
    Sim sim;
    ASSERT_TRUE(sim.start(230, 6, {"--clock", "2026-03-04 10:20", "--fault", "silence@2,3,4,5"})) << qPrintable(sim.error());
    QTemporaryDir dir;
    const QString out = dir.filePath("s.txt");
    const CtlRun r = pimctl({"--port", sim.port(), "--type", "230", "--number", "6", "--timeout", "200", "poll",
                             "--interval", "1", "--count", "3", "--out", out},
                            dir.path());
    EXPECT_EQ(r.code, 1) << qPrintable(r.err);
    EXPECT_EQ(outLines(r).size(), 2) << r.out.constData();
    EXPECT_TRUE(r.err.contains(QRegularExpression("\\d\\d:\\d\\d:\\d\\d НЕТ СВЯЗИ"))) << qPrintable(r.err);
    EXPECT_EQ(fileLines(out).size(), 4);
}

TEST(E2eCtlLog, PollEndsAtTheFirstFileItCannotWrite)
{
    // A poll that records nothing is no poll: the first failed write ends
    // it with its reason last on stderr, before any more readings.
    Sim sim;
    ASSERT_TRUE(sim.start(230, 6, {"--clock", "2026-03-04 10:20"})) << qPrintable(sim.error());
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("папка"));
    ASSERT_TRUE(pim::writeFileAtomic(dir.filePath("файл"), "x"));
    for (const QString &option : {QString("--out"), QString("--csv")})
        for (const QString &target : {dir.filePath("папка"), dir.filePath("файл/внутри.txt")}) {
            SCOPED_TRACE(qPrintable(option + " " + target));
            const CtlRun r = pimctl({"--port", sim.port(), "--timeout", "300", "poll", "--interval", "1", "--count", "3",
                                     option, target},
                                    dir.path());
            EXPECT_EQ(r.code, 1) << qPrintable(r.err);
            EXPECT_EQ(outLines(r).size(), 0) << r.out.constData();
            const QStringList err = r.err.split('\n', Qt::SkipEmptyParts);
            ASSERT_FALSE(err.isEmpty());
            EXPECT_TRUE(err.last().contains("не записан") && err.last().contains(QFileInfo(target).fileName()))
                << qPrintable(r.err);
        }
    QByteArray kept;
    ASSERT_TRUE(pim::readFileBytes(dir.filePath("файл"), kept));
    EXPECT_EQ(kept, "x");
}

TEST(E2eCtlLog, SignalDuringPollLosesNoRow)
{
    Sim sim;
    ASSERT_TRUE(sim.start(234, 2, {"--clock", "2026-03-04 10:20"})) << qPrintable(sim.error());
    QTemporaryDir dir;
    const QString out = dir.filePath("s.txt");
    for (int sig : {SIGINT, SIGTERM}) {
        QFile::remove(out);
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(binDir() + "/pimctl", {"--trace", dir.path(), "--port", sim.port(), "poll", "--interval", "1", "--out", out});
        ASSERT_TRUE(p.waitForStarted(5000));
        QByteArray printed;
        while (printed.count('\n') < 2 && p.waitForReadyRead(30000))
            printed += p.readAllStandardOutput();
        ASSERT_EQ(printed.count('\n'), 2) << qPrintable(p.readAllStandardError());
        ::kill(pid_t(p.processId()), sig);
        ASSERT_TRUE(p.waitForFinished(30000));
        printed += p.readAllStandardOutput();
        EXPECT_EQ(p.exitCode(), 128 + sig);
        const QStringList lines = fileLines(out);
        EXPECT_EQ(lines.size(), 2 + printed.count('\n'));
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll().endsWith("\t\r\n"));
    }
}
