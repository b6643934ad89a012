// Range choice, the readers' date filter, file naming and the dump lines.

#include "base/DataPath.h"
#include "base/Dates.h"
#include "base/TextFile.h"
#include "devices/ArhCodec.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "workflows/ArchiveFiles.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveView.h"
#include "workflows/DumpLines.h"
#include "workflows/WorkflowUi.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace pim;

namespace {
QDate D(int y, int m, int d) { return QDate(y, m, d); }
}

TEST(ArchiveRange, ItemsSetBeginAndEnd)
{
    // Thursday 14 March 2024.
    const QDate today = D(2024, 3, 14);
    struct Case { int item; QDate begin, end; };
    const Case cases[] = {
        {ArchiveRange::Day, D(2024, 3, 13), today},
        {ArchiveRange::Week, D(2024, 3, 7), today},
        {ArchiveRange::Decade, D(2024, 3, 4), today},
        // Monday of this week is 11 March: the week before it.
        {ArchiveRange::WorkWeek, D(2024, 3, 4), D(2024, 3, 10)},
        {ArchiveRange::Month, today.addDays(-31), today},
        {ArchiveRange::PrevMonth, D(2024, 2, 1), D(2024, 2, 29)},
    };
    for (const Case &c : cases) {
        ArchiveRange r;
        r.setTolerance(99);
        const auto out = r.choose(c.item, today, 0, 229);
        EXPECT_TRUE(out.statusFail.isEmpty() && out.message.isEmpty());
        EXPECT_EQ(r.begin(), c.begin) << c.item;
        EXPECT_EQ(r.end(), c.end) << c.item;
        EXPECT_EQ(r.tolerance(), 2);
        EXPECT_FALSE(r.allRecords());
    }
}

TEST(ArchiveRange, WorkWeekOnMondayAndSunday)
{
    ArchiveRange r;
    r.choose(ArchiveRange::WorkWeek, D(2024, 3, 11), 0, 229); // a Monday
    EXPECT_EQ(r.begin(), D(2024, 3, 4));
    EXPECT_EQ(r.end(), D(2024, 3, 10));
    r.choose(ArchiveRange::WorkWeek, D(2024, 3, 17), 0, 229); // a Sunday
    EXPECT_EQ(r.begin(), D(2024, 3, 4));
    EXPECT_EQ(r.end(), D(2024, 3, 10));
}

TEST(ArchiveRange, WholeArchiveSpansPerTypeAndKind)
{
    const QDate today = D(2024, 3, 14);
    struct Case { int type; int daily; int hourly; };
    const Case cases[] = {{225, 127, 42}, {227, 127, 42}, {228, 61, 39}, {229, 61, 39}, {230, 61, 39},
                          {234, 365, 45}, {237, 365, 45}, {238, 4400, 150}, {239, 4400, 150}};
    const qint32 hoursSince2000 = qint32((dateToScale(today) - 36525) * 24);
    for (const Case &c : cases) {
        for (int kind = 0; kind < 4; ++kind) {
            ArchiveRange r;
            const auto out = r.choose(ArchiveRange::WholeArchive, today, kind, c.type);
            EXPECT_TRUE(out.statusFail.isEmpty());
            EXPECT_EQ(r.end(), today);
            EXPECT_EQ(r.begin(), kind < 2 ? today.addDays(-c.daily) : today.addDays(-c.hourly - 1))
                << c.type << " kind " << kind;
            EXPECT_EQ(r.tolerance(), hoursSince2000);
        }
    }
    ArchiveRange r;
    EXPECT_EQ(r.choose(ArchiveRange::WholeArchive, today, 0, 128).statusFail, "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
}

TEST(ArchiveRange, AllRecordsAndPickerChanges)
{
    ArchiveRange r;
    r.choose(ArchiveRange::Week, D(2024, 3, 14), 0, 229);
    r.choose(ArchiveRange::AllRecords, D(2024, 3, 14), 0, 229);
    EXPECT_TRUE(r.allRecords());
    EXPECT_EQ(r.begin(), D(2024, 3, 7)); // dates unchanged but end = today
    r.setTolerance(ArchiveRange::kAllRecordsTolerance);
    r.setBegin(D(2024, 3, 1));
    EXPECT_FALSE(r.allRecords());
    EXPECT_EQ(r.tolerance(), 2);

    const auto out = r.choose(9, D(2024, 3, 14), 0, 229);
    EXPECT_EQ(out.message, "TFpim.RGdtpClick:RGdtp.ItemIndex erundec: 9");
    EXPECT_EQ(r.end(), D(2024, 3, 14));
    EXPECT_EQ(r.begin(), D(2024, 3, 1));
}

TEST(ArchiveRange, FilterDoesNotOverflowWithAllRecordsTolerance)
{
    const QDate b = D(2024, 3, 1), e = D(2024, 3, 14);
    const int day = [](QDate d) { return dateToDayNumber(d); }(D(2024, 3, 15));
    EXPECT_FALSE(ArchiveRange::inFilter(day + 1, b, e, 2));
    EXPECT_FALSE(ArchiveRange::inFilter(day, b, e, 2)); // 24 hours past the end
    EXPECT_TRUE(ArchiveRange::inFilter(day, b, e, 24));
    EXPECT_TRUE(ArchiveRange::inFilter(dateToDayNumber(b), b, e, 2));
    // end·24 + 2147483647 overflows 32 bits; every day must still pass.
    for (int d : {-36525, 0, 1, day, 40000, 100000})
        EXPECT_TRUE(ArchiveRange::inFilter(d, b, e, ArchiveRange::kAllRecordsTolerance)) << d;
}

TEST(ArchiveRange, WholeReadArchiveNeedsRecords)
{
    ArchiveRange r;
    r.setBegin(D(2024, 1, 1));
    r.setEnd(D(2024, 1, 5));
    EXPECT_FALSE(r.setWhole({}));
    EXPECT_EQ(r.begin(), D(2024, 1, 1));
    EXPECT_EQ(r.end(), D(2024, 1, 5));
    ASSERT_TRUE(r.setWhole({dateToDayNumber(D(2024, 3, 10)), dateToDayNumber(D(2024, 2, 1))}));
    EXPECT_EQ(r.begin(), D(2024, 2, 1));
    EXPECT_EQ(r.end(), D(2024, 3, 10));
}

TEST(ArchiveFiles, ProposedName)
{
    const QDateTime at(D(2024, 2, 14), QTime(9, 30));
    EXPECT_EQ(ArchiveFiles::proposedName("СУТОЧНЫЙ", D(2024, 1, 1), D(2024, 1, 31), at),
              "СУТОЧНЫЙ_от0101до0131дз021409.Arh");
    EXPECT_EQ(ArchiveFiles::proposedName("СУТ 1-Я  РАЗНОСТЬ", D(2023, 12, 5), D(2024, 1, 6), at),
              "СУТ 1_Я  РАЗНОСТЬ_от1205до0106дз021409.Arh");
    EXPECT_EQ(ArchiveFiles::proposedName("a/\\:-+.b", D(2024, 1, 1), D(2024, 1, 1), at),
              "a_b_от0101до0101дз021409.Arh");
}

TEST(ArchiveFiles, FoldersAndCompanionName)
{
    QTemporaryDir dir;
    setProgramFolder(dir.path());
    const QString f = ArchiveFiles::deviceFolder(229, 123);
    EXPECT_TRUE(f.startsWith(dir.path() + "/ДАННЫЕ/АРХИВЫ/"));
    EXPECT_TRUE(f.endsWith("/00123"));
    EXPECT_TRUE(ArchiveFiles::deviceFolder(238, 123456).endsWith("/123456"));
    EXPECT_TRUE(ArchiveFiles::makeDeviceFolder(229, 123).isEmpty());
    EXPECT_TRUE(QFileInfo(f).isDir());
    EXPECT_EQ(ArchiveFiles::companionName("/a/b/x.Arh"), "/a/b/x.txt");
    EXPECT_EQ(ArchiveFiles::companionName("/a/b.c/x"), "/a/b.c/x.txt");
    // a ".txt" archive name keeps its records apart from its text
    EXPECT_EQ(ArchiveFiles::companionName("/a/x.txt"), "/a/x.txt.txt");
    setProgramFolder(QString());
}

TEST(ArchiveFiles, SaveWritesTextThenRecordsAndLoadCutsTail)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/СУТ.Arh";
    const QByteArray recs = QByteArray(176, 'a') + QByteArray(176, 'b');
    QString err;
    ASSERT_TRUE(ArchiveFiles::save(path, ArchiveFiles::gridLines({{"ДАТА", "Время"}, {"1", "2"}}), recs, &err)) << qPrintable(err);
    QFile txt(dir.path() + "/СУТ.txt");
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_EQ(txt.readAll(), QByteArray("\xC4\xC0\xD2\xC0\t\xC2\xF0\xE5\xEC\xFF\t\r\n1\t2\t\r\n"));

    auto l = ArchiveFiles::load(path);
    EXPECT_TRUE(l.ok());
    EXPECT_TRUE(l.warning.isEmpty());
    EXPECT_EQ(l.image, recs);

    // 1760 bytes: 10 records of 176 bytes, 7 of 232 with 136 left over.
    const QString big = dir.path() + "/big.arh";
    QFile b(big);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write(QByteArray(1760, 0));
    b.close();
    l = ArchiveFiles::load(big);
    EXPECT_EQ(l.records(176), 10);
    EXPECT_EQ(l.records(232), 7);
    EXPECT_EQ(l.leftover(232), 136);
    EXPECT_EQ(l.warning, "файл: " + big + " - не опознан как архивный");

    // Empty and short files load as no record; a missing file is an error.
    const QString empty = dir.path() + "/e.Arh";
    QFile e(empty);
    ASSERT_TRUE(e.open(QIODevice::WriteOnly));
    e.write(QByteArray(100, 0));
    e.close();
    l = ArchiveFiles::load(empty);
    EXPECT_TRUE(l.ok());
    EXPECT_EQ(l.records(176), 0);
    EXPECT_FALSE(ArchiveFiles::load(dir.path() + "/none.Arh").ok());
}

TEST(ArchiveFiles, LoadRefusesWhatNoArchiveCanBe)
{
    // The bound covers the largest archive of any type: the 238 daily ring
    // of 4401 records and a totals record, at a whole two-system element.
    const qint64 most = ArchiveFiles::largestArchive();
    EXPECT_GE(most, qint64(4401 + 1) * 232);
    EXPECT_LE(most, qint64(4402) * 464);

    QTemporaryDir dir;
    const QString fifo = dir.path() + "/канал.Arh";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = dir.path() + "/huge.Arh";
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(most + 1)); // sparse: nothing is really written
    }
    const QString largest = dir.path() + "/largest.Arh";
    {
        QFile f(largest);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(most));
    }
    struct Case { QString path; QString says; };
    const Case refused[] = {
        {dir.path(), "не обычный файл"},
        {"/dev/zero", "не обычный файл"},
        {fifo, "не обычный файл"}, // opening it would wait for a writer
        {huge, QString::number(most + 1) + " байт, а архив прибора не бывает больше " + QString::number(most) + " байт"},
        {dir.path() + "/нет.Arh", "не найден"},
    };
    for (const Case &c : refused) {
        const ArchiveFiles::Loaded l = ArchiveFiles::load(c.path);
        EXPECT_FALSE(l.ok()) << qPrintable(c.path);
        EXPECT_TRUE(l.image.isEmpty());
        EXPECT_TRUE(l.error.contains(c.path) && l.error.contains(c.says)) << qPrintable(l.error);
    }
    const ArchiveFiles::Loaded l = ArchiveFiles::load(largest);
    EXPECT_TRUE(l.ok()) << qPrintable(l.error);
    EXPECT_EQ(l.image.size(), most);
}

namespace {
struct Recorder : WorkflowUi {
    void report(StatusLabel, StatusKind k, const QString &t) override
    {
        last = t;
        if (k == StatusKind::Fail || k == StatusKind::Ok)
            failed = k == StatusKind::Fail;
    }
    QString last;
    bool failed = false;
};
} // namespace

TEST(ArchiveFiles, ShortFilesHaveNoDataAndTailsAreCounted)
{
    // Type 238 keeps 232-byte records in its files. Nothing names the
    // type of these files, so a tail after the last whole record, or a
    // record that cannot be a 238's (zeroed memory: day 0), refuses the
    // file with the likely cause instead of showing nonsense rows.
    QTemporaryDir dir;
    Recorder ui;
    ArchiveRange range;
    DeviceSession session;
    ArchiveView view(ui, range, session);
    struct Case { int bytes; bool ok; int leftover; const char *says; };
    const Case cases[] = {
        {0, false, 0, " - нет данных (0 байт, а запись прибора 232 байт)"},
        {231, false, 0, " - нет данных (231 байт, а запись прибора 232 байт)"},
        {232, false, 0, " - не прочитан: 1 из 1 записей не могут быть записями ПИМ-238"},
        {1760, false, 136, " - не прочитан: 1760 байт - не целое число записей ПИМ-238 по 232 байт; вероятно, это архив "
                           "прибора другого типа"},
    };
    for (const Case &c : cases) {
        const QString path = dir.path() + QString("/%1.Arh").arg(c.bytes);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(c.bytes, 0));
        f.close();
        const ArchiveView::Grid g = view.load(238, path);
        EXPECT_EQ(g.ok, c.ok) << c.bytes;
        EXPECT_EQ(g.leftover, c.leftover) << c.bytes;
        EXPECT_EQ(ui.failed, !c.ok) << c.bytes;
        EXPECT_TRUE(ui.last.contains(QString::fromUtf8(c.says))) << qPrintable(ui.last);
    }
}

TEST(ArchiveFiles, NoRecordNeverReplacesAFile)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/СУТ.Arh";
    ASSERT_TRUE(ArchiveFiles::save(path, {"старый"}, QByteArray(176, 'a')));
    QString err;
    EXPECT_FALSE(ArchiveFiles::save(path, {"новый"}, QByteArray(), &err));
    EXPECT_TRUE(err.contains("не записан")) << qPrintable(err);
    QByteArray data;
    ASSERT_TRUE(readFileBytes(path, data));
    EXPECT_EQ(data, QByteArray(176, 'a'));
    QStringList txt;
    ASSERT_TRUE(readLines(ArchiveFiles::companionName(path), txt));
    EXPECT_EQ(txt, QStringList{"старый"});

    // The view: a range without a record saves nothing, neither the archive
    // nor a spreadsheet file.
    setProgramFolder(dir.path());
    for (int type : {225, 238}) {
        DeviceSession session;
        Recorder ui;
        ArchiveRange range;
        range.setDates(QDate(2020, 1, 1), QDate(2020, 1, 31));
        ArchiveView view(ui, range, session);
        for (int tab : {0, 1}) {
            const ArchiveView::Saved s = view.save(type, 7, tab, path);
            EXPECT_FALSE(s.ok);
            EXPECT_TRUE(s.nothing);
            const QString csv = dir.path() + "/a.csv";
            ASSERT_TRUE(writeFileAtomic(csv, "old"));
            EXPECT_FALSE(view.saveCsv(type, view.build(type, tab), csv).isEmpty());
            ASSERT_TRUE(readFileBytes(csv, data));
            EXPECT_EQ(data, "old");
        }
        ASSERT_TRUE(readFileBytes(path, data));
        EXPECT_EQ(data, QByteArray(176, 'a'));
    }
    setProgramFolder(QString());
}

TEST(DumpLines, FormatsOfDumpsAndTraces)
{
    const Tab reply = {6, 0xE5, 0x34, 0x12, 1, 0xCE};
    const QStringList s = DumpLines::stateDump({"v1"}, reply);
    EXPECT_EQ(s, (QStringList{"v1", "000=6 hex=06", "001=229 hex=E5", "002=52 hex=34", "003=18 hex=12",
                              "004=1 hex=01", "005=206 hex=CE", "0"}));
    const QStringList c = DumpLines::configDump({}, Tab{6, 0xE5, 0x34, 0x12, 1, 0xCF});
    EXPECT_EQ(c.first(), "000=6(06)");
    EXPECT_EQ(c.last(), "255"); // checksum of an unsound reply is not 0
    EXPECT_EQ(DumpLines::bytesLine("cap", Tab{5, 200}), "cap\t0=05(05)\t1=200(C8)\t");
    EXPECT_EQ(DumpLines::remainingText(125), "чтение архива. Ждите... 2 мин 5 сек");
    EXPECT_EQ(DumpLines::remainingText(59), "чтение архива. Ждите... 0 мин 59 сек");
}
