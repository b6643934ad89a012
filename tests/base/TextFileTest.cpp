#include "base/Cp1251.h"
#include "base/TextFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pim;

TEST(Cp1251, RoundTripOfTheCharactersFilesUse)
{
    const QString text = QStringLiteral("№°ёЁ АЯая «»—");
    bool ok = false;
    const QByteArray b = toCp1251(text, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(b, QByteArray("\xB9\xB0\xB8\xA8\x20\xC0\xDF\xE0\xFF\x20\xAB\xBB\x97"));
    EXPECT_EQ(fromCp1251(b), text);
}

// The table agrees with the platform's converter on every byte.
TEST(Cp1251, AgreesWithTheSystemConverter)
{
    QStringDecoder dec("windows-1251");
    ASSERT_TRUE(dec.isValid()) << "no windows-1251 converter on this system";
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98)
            continue; // unassigned in the code page
        const QByteArray one(1, char(b));
        QStringDecoder d("windows-1251");
        const QString sys = d(one);
        EXPECT_EQ(fromCp1251(one), sys) << "byte " << b;
        EXPECT_EQ(toCp1251(sys), one) << "byte " << b;
    }
}

TEST(Cp1251, CharactersOutsideTheCodePageAreReported)
{
    bool ok = true;
    QChar bad;
    const QByteArray b = toCp1251(QStringLiteral("a€b✓c"), &ok, &bad);
    EXPECT_FALSE(ok);
    EXPECT_EQ(bad, QChar(0x2713));
    EXPECT_EQ(b, QByteArray("a\x88" "b?c"));
    EXPECT_FALSE(fitsCp1251(u"✓"));
}

TEST(TextFile, LinesWithCrLfAndBareLf)
{
    const std::vector<std::pair<QByteArray, QStringList>> cases = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"", {}},
        {"\xCF\xC8\xCC\r\n", {QStringLiteral("ПИМ")}},
    };
    for (const auto &[bytes, lines] : cases)
        EXPECT_EQ(splitLines(bytes), lines) << bytes.toStdString();
}

TEST(TextFile, WriteReadAndRefusal)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ДАННЫЕ/ПАМЯТЬ.mem"));
    ASSERT_TRUE(writeLines(path, {QStringLiteral("cbC=1"), QStringLiteral("Ename=№ 5")}));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("cbC=1\r\nEname=\xB9 5\r\n"));
    f.close();

    QString error;
    EXPECT_FALSE(writeLines(path, {QStringLiteral("x=✓")}, &error));
    EXPECT_TRUE(error.contains(QChar(0x2713)));
    QStringList back;
    ASSERT_TRUE(readLines(path, back));
    EXPECT_EQ(back, QStringList({QStringLiteral("cbC=1"), QStringLiteral("Ename=№ 5")}));
}

TEST(TextFile, TemporaryFilesOfAGoneWriterAreClearedAtTheNextSave)
{
    // A writer killed between its temporary file and the rename leaves the
    // file behind, named with its pid. The next save of the same file
    // removes it; one of a writer still running, or of another file, stays.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.Arh"));
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const QString dead = path + QStringLiteral(".~%1.k3j").arg(gone);
    const QString alive = path + QStringLiteral(".~%1.k3j").arg(::getppid());
    const QString other = dir.filePath(QStringLiteral("b.Arh.~%1.k3j").arg(gone));
    for (const QString &f : {dead, alive, other})
        ASSERT_TRUE(writeFileAtomic(f, "half a save"));
    ASSERT_TRUE(writeFileAtomic(path, "new"));
    EXPECT_FALSE(QFile::exists(dead));
    EXPECT_TRUE(QFile::exists(alive));
    EXPECT_TRUE(QFile::exists(other));
    QByteArray data;
    ASSERT_TRUE(readFileBytes(path, data));
    EXPECT_EQ(data, QByteArray("new"));
}

TEST(TextFile, FilesSavedTogetherStayOldTogether)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.Arh")), b = dir.filePath(QStringLiteral("a.txt"));
    ASSERT_TRUE(writeFilesAtomic({{a, "old a"}, {b, "old b"}}));
    // Stopped at the second file: the first is not replaced either.
    setBeforeCommitHook([&](const QString &p) { return p != a; });
    EXPECT_FALSE(writeFilesAtomic({{b, "new b"}, {a, "new a"}}));
    setBeforeCommitHook({});
    QByteArray data;
    ASSERT_TRUE(readFileBytes(a, data));
    EXPECT_EQ(data, QByteArray("old a"));
    ASSERT_TRUE(readFileBytes(b, data));
    EXPECT_EQ(data, QByteArray("old b"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("a.Arh"), QStringLiteral("a.txt")}));
    ASSERT_TRUE(writeFilesAtomic({{b, "new b"}, {a, "new a"}}));
    ASSERT_TRUE(readFileBytes(a, data));
    EXPECT_EQ(data, QByteArray("new a"));
}

TEST(TextFile, InterruptedWriteLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.Arh"));
    ASSERT_TRUE(writeFileAtomic(path, "old contents"));
    setBeforeCommitHook([](const QString &) { return false; });
    QString error;
    EXPECT_FALSE(writeFileAtomic(path, "new", &error));
    setBeforeCommitHook({});
    EXPECT_FALSE(error.isEmpty());
    QByteArray data;
    ASSERT_TRUE(readFileBytes(path, data));
    EXPECT_EQ(data, QByteArray("old contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("a.Arh")}));
}

// A disk that fills up during the write: the file size limit makes every
// write past it fail with EFBIG (the signal that would kill the process is
// ignored), as a full disk or an exhausted quota would. The write runs in a
// child so that the limit binds nothing else. Small contents fail only at
// the flush, large ones already at a write: both must leave the old file.
TEST(TextFile, FullDiskNeverReplacesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("СУТОЧНЫЙ.Arh"));
    const QByteArray old(300, 'o');
    ASSERT_TRUE(writeFileAtomic(path, old));
    for (const qsizetype size : {qsizetype(301), qsizetype(1 << 20)}) {
        int pipeFd[2];
        ASSERT_EQ(::pipe(pipeFd), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFd[0]);
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{300, 300};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            QString error;
            const bool ok = writeFileAtomic(path, QByteArray(size, 'n'), &error);
            const QByteArray text = error.toUtf8();
            (void)!::write(pipeFd[1], text.constData(), size_t(text.size()));
            ::_exit(ok ? 0 : 3);
        }
        ::close(pipeFd[1]);
        QByteArray text;
        char buf[512];
        for (ssize_t n; (n = ::read(pipeFd[0], buf, sizeof buf)) > 0;)
            text.append(buf, n);
        ::close(pipeFd[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << size;
        EXPECT_EQ(WEXITSTATUS(status), 3) << "a failed write was reported as done, size " << size;
        const QString error = QString::fromUtf8(text);
        EXPECT_TRUE(error.contains(QStringLiteral("СУТОЧНЫЙ.Arh"))) << error.toStdString();
        QByteArray data;
        ASSERT_TRUE(readFileBytes(path, data));
        EXPECT_EQ(data, old) << size;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("СУТОЧНЫЙ.Arh")}));
    }
}

TEST(TextFile, WhatCannotBeReplacedIsRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("папка")));
    ASSERT_TRUE(writeFileAtomic(dir.filePath(QStringLiteral("файл")), "x"));
    for (const QString &name : {QStringLiteral("папка"), QStringLiteral("файл/внутри.txt")}) {
        QString error;
        EXPECT_FALSE(writeFileAtomic(dir.filePath(name), "new", &error)) << name.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
    QByteArray data;
    ASSERT_TRUE(readFileBytes(dir.filePath(QStringLiteral("файл")), data));
    EXPECT_EQ(data, "x");
}
