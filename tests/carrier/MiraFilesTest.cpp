// The carrier window's file work: the list, the proposed names and the copy.
#include "base/DataPath.h"
#include "carrier/MiraFiles.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace pim;

namespace {

void touch(const QString &path, const QByteArray &bytes = QByteArray(2, '\0'))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

} // namespace

TEST(MiraFiles, ListMatchesMasksWithoutCaseAndSorts)
{
    const QString dir = QDir::current().filePath(QStringLiteral("носилка, 2"));
    for (const char *n : {"b00002H.225", "a00001d.229", "C3D.235", "x1D.236", "y1D.txt", "z1Q.229", "A2D.227"})
        touch(dir + QLatin1Char('/') + QString::fromUtf8(n));
    QDir().mkpath(dir + QStringLiteral("/d1D.229")); // a folder is no file
    EXPECT_EQ(mira::fileList(dir), (QStringList{"a00001d.229", "A2D.227", "b00002H.225", "C3D.235"}));
    EXPECT_TRUE(mira::fileList(QDir::current().filePath(QStringLiteral("нет такой"))).isEmpty());
}

TEST(MiraFiles, ProposalCopyPairsAndCopy)
{
    setProgramFolder(QDir::currentPath());
    const ArchiveDescription table;
    const QString src = QDir::current().filePath(QStringLiteral("с носилки, 1"));
    touch(src + QStringLiteral("/abc00022D.229"), "new");
    touch(src + QStringLiteral("/bad.229"), "bad");
    ASSERT_TRUE(mira::makeProgramFolder());
    const QDateTime now(QDate(2026, 5, 14), QTime(9, 5));
    bool folderFailed = false;
    QString err;
    const QString line = mira::proposal(src, QStringLiteral("abc00022D.229"), table, now, &folderFailed, &err);
    const QString sep = QDir::toNativeSeparators(QStringLiteral("/"));
    EXPECT_EQ(line, "..." + sep + "ПИМ-229" + sep + "00022" + sep + "СУТОЧНЫЙ от 051409_abc00022D.229");
    EXPECT_FALSE(folderFailed);
    EXPECT_TRUE(QFileInfo(mira::programFolder() + QStringLiteral("/ПИМ-229/00022")).isDir());
    EXPECT_EQ(mira::proposal(src, QStringLiteral("bad.229"), table, now, &folderFailed, &err), QString());
    // "bad" ends in a kind letter ("d", either case goes) but holds no number.
    EXPECT_EQ(err, QStringLiteral("Сер.№ не определен:"));

    // The head line and the proposal join where "......" was; a ticked file
    // without a proposal and unticked ones are left out.
    const QStringList lines{mira::proposalHead(), mira::untickedLine(), line, QString()};
    const QList<mira::CopyPair> pairs =
        mira::copyPairs(src, {"a1D.229", "abc00022D.229", "bad.229"}, {false, true, true}, lines);
    ASSERT_EQ(pairs.size(), 1);
    const QString dst = mira::programFolder() + QStringLiteral("/ПИМ-229/00022/СУТОЧНЫЙ от 051409_abc00022D.229");
    EXPECT_EQ(pairs[0].source, src + QStringLiteral("/abc00022D.229"));
    EXPECT_EQ(pairs[0].destination, dst);

    // Into a folder that has the file already: kept when the operator
    // declines, replaced whole when he agrees.
    touch(dst, "old");
    QStringList asked;
    EXPECT_EQ(mira::copyFiles(pairs, [&](const QString &d) { asked << d; return false; }),
              mira::CopyResult::Cancelled);
    EXPECT_EQ(asked, QStringList{dst});
    EXPECT_EQ(contents(dst), "old");
    EXPECT_EQ(mira::copyFiles(pairs, [](const QString &) { return true; }), mira::CopyResult::Done);
    EXPECT_EQ(contents(dst), "new");
    EXPECT_FALSE(QFile::exists(dst + QStringLiteral(".part")));
    // A source that went away fails and names it.
    QFile::remove(src + QStringLiteral("/abc00022D.229"));
    QString why;
    EXPECT_EQ(mira::copyFiles(pairs, {}, &why), mira::CopyResult::Failed);
    EXPECT_TRUE(why.contains(QStringLiteral("abc00022D.229")));
    EXPECT_EQ(mira::copyResultText(mira::CopyResult::Failed), QStringLiteral("Ошибка выполнения операции"));
    setProgramFolder(QString());
}
