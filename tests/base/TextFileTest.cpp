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

// A file the program reads whole is read up to its bound and refused past
// it, unread: a sparse file of gigabytes is refused by its size at once,
// and a device that never ends is refused one byte past the bound.
TEST(TextFile, ReadsAreBoundedAndSayTheBound)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ВЕРХ_СУТ_30.txt"));
    struct Case {
        qint64 size, bound;
        bool ok;
    };
    const Case cases[] = {{0, 10, true}, {10, 10, true}, {11, 10, false}, {200000, 100000, false}};
    for (const Case &c : cases) {
        ASSERT_TRUE(writeFileAtomic(path, QByteArray(c.size, 'a')));
        QByteArray data("old");
        QStringList lines{QStringLiteral("old")};
        QString error;
        EXPECT_EQ(readFileBytes(path, data, &error, c.bound), c.ok) << c.size;
        EXPECT_EQ(readLines(path, lines, &error, c.bound), c.ok) << c.size;
        if (c.ok) {
            EXPECT_EQ(data.size(), c.size);
        } else {
            EXPECT_EQ(data, QByteArray("old"));
            EXPECT_EQ(lines, QStringList{QStringLiteral("old")});
            EXPECT_TRUE(error.contains(QString::number(c.bound))) << error.toStdString();
            EXPECT_TRUE(error.contains(QStringLiteral("ВЕРХ_СУТ_30.txt"))) << error.toStdString();
        }
    }
    // 10 GB of nothing: the default bound, no allocation of its size.
    QFile sparse(path);
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(10) << 30));
    sparse.close();
    QByteArray data;
    QString error;
    EXPECT_FALSE(readFileBytes(path, data, &error));
    EXPECT_TRUE(error.contains(QString::number(kTextFileBound))) << error.toStdString();
    EXPECT_FALSE(readFileBytes(QStringLiteral("/dev/zero"), data, &error, 1000));
    EXPECT_TRUE(error.contains(QStringLiteral("1000"))) << error.toStdString();
}

// An operator's text file in UTF-8 (with or without a byte-order mark) is
// read as UTF-8; anything that is not valid UTF-8 is Windows-1251, byte for
// byte. Lines split as the program's own files do.
TEST(TextFile, TextLinesAreUtf8WhenValidElseWindows1251)
{
    const QString text = QStringLiteral("Тепло, Гкал\t№");
    const QByteArray utf8 = text.toUtf8(), cp = toCp1251(text);
    const std::vector<std::pair<QByteArray, QStringList>> cases = {
        {utf8 + "\r\nt°С\n", {text, QStringLiteral("t°С")}},
        {"\xEF\xBB\xBF" + utf8 + "\r\n", {text}},
        // Only the first mark is the file's: one after it is text.
        {"\xEF\xBB\xBF\xEF\xBB\xBFx\n\xEF\xBB\xBF", {QChar(0xFEFF) + QStringLiteral("x"), QString(QChar(0xFEFF))}},
        {cp + "\r\n\r\nx", {text, QString(), QStringLiteral("x")}},
        {"@06\t@07\r\n", {QStringLiteral("@06\t@07")}},
        {"", {}},
        // A sequence cut off at the end is no UTF-8: the bytes are 1251.
        {"\xD0\xA2\xD0", {fromCp1251("\xD0\xA2\xD0")}},
        // Valid UTF-8 in one line, not in the next: the whole file is 1251.
        {utf8 + "\r\n" + cp, {fromCp1251(utf8), text}},
    };
    for (const auto &[bytes, lines] : cases)
        EXPECT_EQ(splitTextLines(bytes), lines) << bytes.toHex().toStdString();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    ASSERT_TRUE(writeFileAtomic(path, "\xEF\xBB\xBF" + utf8));
    QStringList back;
    ASSERT_TRUE(readTextLines(path, back));
    EXPECT_EQ(back, QStringList{text});
}
