// pimctl and the window killed (SIGKILL) while they save: the previous file
// stays byte for byte, and the next run saves over it as if nothing had
// happened. The kill lands where it hurts most, through the save test seam
// PIM_TEST_KILL_SAVING: after the new contents are whole on the disk and
// before they replace the old file, or half-way through an appended line.

#include "e2e/E2eSupport.h"

#include "base/TextFile.h"
#include "workflows/StateFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace e2e;

namespace {

const char kClock[] = "2025-06-15 10:30";

// The library faketime preloads: the program itself is the child, so its
// death by a signal is seen as such.
QString faketimeLibrary()
{
    for (const QString &lib : QDir("/usr/lib").entryList({"*"}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString path = "/usr/lib/" + lib + "/faketime/libfaketime.so.1";
        if (QFileInfo::exists(path))
            return path;
    }
    return QFileInfo::exists("/usr/lib/faketime/libfaketime.so.1") ? QString("/usr/lib/faketime/libfaketime.so.1")
                                                                    : QString();
}

struct Ran {
    bool killed = false;
    int code = -1;
    QString err;
};

// Runs `program` in `dir` at the simulator's moment; with `killAt` the save
// of a file of that name pattern kills it.
Ran run(const QString &program, const QStringList &args, const QString &dir, const QString &killAt = {})
{
    Ran r;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString lib = faketimeLibrary();
    if (lib.isEmpty()) {
        r.err = "libfaketime is missing (scripts/setup installs faketime)";
        return r;
    }
    env.insert("LD_PRELOAD", lib);
    env.insert("FAKETIME", QString("@") + kClock + ":00");
    env.remove("PIM_TEST_KILL_SAVING");
    if (!killAt.isEmpty())
        env.insert("PIM_TEST_KILL_SAVING", killAt);
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.start(program, args);
    if (!p.waitForStarted(10000) || !p.waitForFinished(90000)) {
        p.kill();
        p.waitForFinished(10000);
        r.err = program + " did not finish";
        return r;
    }
    r.killed = p.exitStatus() == QProcess::CrashExit;
    r.code = r.killed ? -1 : p.exitCode();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray bytesOf(const QString &path)
{
    QByteArray data;
    pim::readFileBytes(path, data);
    return data;
}

// The temporary files a save of `path` left beside it.
QStringList leftovers(const QString &path)
{
    const QFileInfo fi(path);
    QStringList out;
    for (const QString &n : fi.dir().entryList(QDir::Files | QDir::Hidden))
        if (n.startsWith(fi.fileName() + ".~"))
            out << fi.dir().filePath(n);
    return out;
}

// The program copied into `dir`, so that its program folder (settings,
// ДАННЫЕ) is the test's own.
QString programIn(const QString &dir, const QString &name)
{
    const QString exe = QDir(dir).filePath(name);
    if (!QFile::exists(exe))
        QFile::copy(QDir(binDir()).filePath(name), exe);
    return exe;
}

} // namespace

TEST(E2eKill, PimctlKilledWhileSavingAnArchiveLeavesTheOldFiles)
{
    Sim sim;
    ASSERT_TRUE(sim.start(238, 31, {"--clock", kClock, "--clock-stopped"})) << qPrintable(sim.error());
    const QString dir = QDir::currentPath();
    const QString arh = dir + "/a.Arh", txt = dir + "/a.txt";
    const QByteArray oldArh(232, 'a'), oldTxt("old text\r\n");
    ASSERT_TRUE(pim::writeFileAtomic(arh, oldArh));
    ASSERT_TRUE(pim::writeFileAtomic(txt, oldTxt));
    const QString pimctl = QDir(binDir()).filePath("pimctl");
    const QStringList args{"--trace", dir, "--port", sim.port(), "--quiet", "archive", "--kind", "daily",
                           "--from", "2025-06-01", "--to", "2025-06-15", "--out", arh};

    const Ran killed = run(pimctl, args, dir, "*.Arh");
    ASSERT_TRUE(killed.killed) << killed.code << qPrintable(killed.err);
    EXPECT_EQ(bytesOf(arh), oldArh);
    EXPECT_EQ(bytesOf(txt), oldTxt);
    // The kill came with both new files whole beside the old ones.
    const QStringList arhLeft = leftovers(arh), txtLeft = leftovers(txt);
    ASSERT_EQ(arhLeft.size(), 1);
    ASSERT_EQ(txtLeft.size(), 1);
    const QByteArray newArh = bytesOf(arhLeft[0]), newTxt = bytesOf(txtLeft[0]);
    EXPECT_EQ(newArh.size(), 15 * 232);

    // The next run saves what the killed one meant to, and clears away
    // what it left.
    const Ran next = run(pimctl, args, dir);
    ASSERT_EQ(next.code, 0) << qPrintable(next.err);
    EXPECT_EQ(bytesOf(arh), newArh);
    EXPECT_EQ(bytesOf(txt), newTxt);
    EXPECT_EQ(leftovers(arh), QStringList());
    EXPECT_EQ(leftovers(txt), QStringList());
}

TEST(E2eKill, WindowKilledWhileSavingLeavesThePreviousFile)
{
    Sim sim;
    ASSERT_TRUE(sim.start(238, 32, {"--clock", kClock, "--clock-stopped"})) << qPrintable(sim.error());
    const QByteArray oldArh(232, 'a'), oldTxt("old text\r\n");
    const QByteArray oldState("h1\tx\t\r\nh2\ty\t\r\n1\t2\t\r\n");
    // "писать в файл" ticked (a check box stores "0" when ticked), to a
    // file in the program folder.
    const QByteArray settings("CBstinf=0\r\nEFst=state.txt\r\n");
    struct Case {
        const char *what;
        const char *killAt;
        QString script;
        QString file; // relative to the program folder
    } const cases[] = {
        {"settings", "ПАМЯТЬ.mem", "quit", "ДАННЫЕ/ПАМЯТЬ.mem"},
        {"archive file", "*.Arh", "port=" + sim.port() + ";identify;archive;save=%1/a.Arh;quit", "a.Arh"},
        {"state file", "state.txt", "port=" + sim.port() + ";identify;state;quit", "state.txt"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir tmp(QDir::current().filePath("XXXXXX"));
        ASSERT_TRUE(tmp.isValid());
        const QString dir = tmp.path();
        const QString pim = programIn(dir, "pim");
        ASSERT_TRUE(QFileInfo(pim).isExecutable());
        const QString file = dir + "/" + c.file;
        ASSERT_TRUE(pim::writeFileAtomic(dir + "/ДАННЫЕ/ПАМЯТЬ.mem", settings));
        ASSERT_TRUE(pim::writeFileAtomic(dir + "/a.Arh", oldArh));
        ASSERT_TRUE(pim::writeFileAtomic(dir + "/a.txt", oldTxt));
        ASSERT_TRUE(pim::writeFileAtomic(dir + "/state.txt", oldState));
        const QByteArray old = bytesOf(file);
        const QStringList args{"--demo", c.script.contains("%1") ? c.script.arg(dir) : c.script};

        const Ran killed = run(pim, args, dir, c.killAt);
        ASSERT_TRUE(killed.killed) << killed.code << qPrintable(killed.err);
        const QByteArray after = bytesOf(file);
        if (QString(c.what) != "state file") {
            EXPECT_EQ(after, old);
            ASSERT_EQ(leftovers(file).size(), 1);
        } else {
            // Killed half-way through the new row: what was there is
            // there still, the row is torn.
            EXPECT_TRUE(after.startsWith(old));
            EXPECT_GT(after.size(), old.size());
            EXPECT_FALSE(after.endsWith('\n'));
        }
        QList<QByteArray> meant;
        for (const QString &l : leftovers(file))
            meant << bytesOf(l);
        if (QString(c.what) == "archive file") {
            EXPECT_EQ(bytesOf(dir + "/a.txt"), oldTxt);
            ASSERT_EQ(leftovers(dir + "/a.txt").size(), 1);
            meant << bytesOf(leftovers(dir + "/a.txt")[0]);
        }

        const Ran next = run(pim, args, dir);
        ASSERT_EQ(next.code, 0) << qPrintable(next.err);
        EXPECT_EQ(leftovers(file), QStringList());
        if (QString(c.what) == "settings") {
            EXPECT_EQ(bytesOf(file), meant[0]);
        } else if (QString(c.what) == "archive file") {
            EXPECT_EQ(bytesOf(file), meant[0]);
            EXPECT_EQ(bytesOf(dir + "/a.txt"), meant[1]);
            EXPECT_EQ(leftovers(dir + "/a.txt"), QStringList());
        } else {
            // The torn row is ended and kept; the new one is whole on a
            // line of its own, and the file reads back.
            const QByteArray now = bytesOf(file);
            EXPECT_TRUE(now.startsWith(after));
            const QStringList lines = pim::splitLines(now);
            ASSERT_EQ(lines.size(), 5) << now.constData();
            // The torn row and the new one: the same counters first (the
            // instant values of the simulator vary from reading to reading),
            // the torn one shorter.
            EXPECT_EQ(lines[3].section('\t', 0, 0), lines[4].section('\t', 0, 0));
            EXPECT_LT(lines[3].count('\t'), lines[4].count('\t'));
            EXPECT_TRUE(lines[4].endsWith('\t')) << qPrintable(lines[4]);
            QList<QStringList> rows;
            ASSERT_TRUE(pim::StateFile::load(file, rows));
            EXPECT_EQ(rows.size(), 5);
        }
    }
}
