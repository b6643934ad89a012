// The state file on disk: a row goes on a line of its own even after a
// file cut short, a row the code page cannot hold leaves the file as it
// was, loading gives back the cells without the tab after the last, and
// processes appending at once lose no row.

#include "base/TextFile.h"
#include "support/PimSim.h"
#include "workflows/StateFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

using namespace pim;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

} // namespace

TEST(StateFile, AppendsWholeRowsAndNeverTouchesWhatIsThere)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("s.txt");
    struct Case {
        const char *before; // null: no file
        QStringList values;
        bool ok;
        const char *after;
    };
    const Case cases[] = {
        {nullptr, {"1", "2"}, true, "h1\t\r\nh2\t\r\n1\t2\t\r\n"},
        {"h1\t\r\nh2\t\r\n1\t\r\n", {"2"}, true, "h1\t\r\nh2\t\r\n1\t\r\n2\t\r\n"},
        {"h1\t\r\nh2\t\r\n1\t", {"2"}, true, "h1\t\r\nh2\t\r\n1\t\r\n2\t\r\n"}, // cut short elsewhere
        {"h1\t\r\nh2\t\r\n1\t\r", {"2"}, true, "h1\t\r\nh2\t\r\n1\t\r\n2\t\r\n"}, // cut between CR and LF
        {"", {"т"}, true, "h1\t\r\nh2\t\r\n\xF2\t\r\n"},                           // an empty file gets the header too
        {"h1\t\r\n", {"€ ∞"}, false, "h1\t\r\n"},                                   // no Windows-1251 for it
        {nullptr, {"∞"}, false, nullptr},
    };
    for (const Case &c : cases) {
        QFile::remove(path);
        if (c.before) {
            ASSERT_TRUE(writeFileAtomic(path, QByteArray(c.before)));
        }
        QString error;
        bool created = false;
        EXPECT_EQ(StateFile::append(path, {"h1"}, {"h2"}, c.values, &error, &created), c.ok) << c.before;
        EXPECT_EQ(created, c.ok && (!c.before || !*c.before));
        if (c.after) {
            EXPECT_EQ(bytesOf(path), QByteArray(c.after)) << c.before;
        } else {
            EXPECT_FALSE(QFile::exists(path));
        }
        if (!c.ok) {
            EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
        }
    }
}

TEST(StateFile, LoadsTheRowsItWrote)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("s.txt");
    ASSERT_TRUE(writeFileAtomic(path, "a\tb\t\r\n\r\nc\t\t\r\nd"));
    QList<QStringList> rows;
    ASSERT_TRUE(StateFile::load(path, rows));
    EXPECT_EQ(rows, (QList<QStringList>{{"a", "b"}, {"c", ""}, {"d"}}));
    EXPECT_FALSE(StateFile::load(dir.filePath("missing"), rows));
}

// The window, `pimctl poll` runs and batch workers append to one file at
// once. Processes started together on a missing file: it is created once,
// with one header, and holds every row of every process whole, each on its
// line (the CSV file of the batch workers too).
TEST(StateFile, ProcessesAppendingAtOnceLoseNoRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("состояние.txt"), csv = dir.filePath("состояние.csv");
    const QString helper = QDir(pimtest::binDir()).filePath("state_appender");
    ASSERT_TRUE(QFileInfo(helper).isExecutable()) << qPrintable(helper);
    constexpr int kProcesses = 6, kRows = 60;
    std::vector<std::unique_ptr<QProcess>> procs;
    QSet<QString> pids;
    for (int p = 0; p < kProcesses; ++p) {
        procs.push_back(std::make_unique<QProcess>());
        procs.back()->start(helper, {path, csv, QString::number(kRows)});
        ASSERT_TRUE(procs.back()->waitForStarted(10000));
        pids.insert(QString::number(procs.back()->processId()));
    }
    int headers = 0;
    for (auto &p : procs) {
        ASSERT_TRUE(p->waitForFinished(60000));
        ASSERT_EQ(p->exitCode(), 0) << p->readAllStandardError().constData();
        headers += p->readAllStandardOutput().trimmed().toInt();
    }
    EXPECT_EQ(headers, 1);

    QByteArray bytes;
    ASSERT_TRUE(readFileBytes(path, bytes));
    EXPECT_TRUE(bytes.endsWith("\t\r\n"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    QStringList lines = splitLines(bytes);
    ASSERT_EQ(lines.size(), 2 + kProcesses * kRows);
    EXPECT_EQ(lines.mid(0, 2), (QStringList{"h1\t", "h2\t"}));
    QStringList csvLines;
    ASSERT_TRUE(readLines(csv, csvLines));
    ASSERT_EQ(csvLines.size(), 1 + kProcesses * kRows);
    EXPECT_EQ(csvLines[0], "время");

    // Every row of every process, whole, once.
    QSet<QString> rows, csvRows;
    for (const QString &l : lines.mid(2))
        rows.insert(l);
    for (const QString &l : csvLines.mid(1))
        csvRows.insert(l);
    for (const QString &pid : pids)
        for (int i = 0; i < kRows; ++i) {
            EXPECT_TRUE(rows.contains(pid + "\t" + QString::number(i) + "\tТепло\t")) << qPrintable(pid) << " " << i;
            EXPECT_TRUE(csvRows.contains(pid + ";" + QString::number(i) + ";Тепло")) << qPrintable(pid) << " " << i;
        }
    EXPECT_EQ(rows.size(), kProcesses * kRows);
    EXPECT_EQ(csvRows.size(), kProcesses * kRows);
}
