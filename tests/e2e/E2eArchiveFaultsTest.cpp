// Archive reads against pimsim when replies fail their checks and when the
// device clock is far from the computer's: a spoilt record reply is asked
// for again, a record still missing is counted and its difference marked,
// and an archive whose dates are all off names the device clock instead of
// passing for empty; nothing is then saved over an existing file.

#include "e2e/E2eSupport.h"
#include "support/OneDay.h"

#include "base/Dates.h"
#include "base/TextFile.h"
#include "devices/ArhCodec.h"
#include "devices/Registry.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveReading.h"
#include "workflows/ArchiveView.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pim;
using namespace e2e;

namespace {

int tabOf(int type, int kind)
{
    const TypeInfo *info = typeInfo(type);
    for (int t = 0; t < info->arhTabs.size(); ++t)
        if (info->arhTabs[t].kind == kind && info->arhTabs[t].system == 1)
            return t;
    return -1;
}

// Hours since day 1 of the records read, newest first.
QList<qint64> hours(DeviceSession &session)
{
    QList<qint64> h;
    const ArhCodec &c = *session.module()->arh();
    for (const ArhRec &r : c.readRecords(ArhHourly))
        h << qint64(c.day(r)) * 24 + c.hour(r);
    return h;
}

} // namespace

TEST(E2eArchiveFaults, SpoiltRecordRepliesAreAskedAgain)
{
    // Request 1 is the bench's identity, 2..4 the reader's identity, current
    // numbers and begin; 5 is the newest hourly record, 6 the next one. The
    // hourly reader has no date retry: before, a spoilt reply was a record
    // lost.
    struct Case { QStringList faults; int missing; };
    const Case cases[] = {
        {{"--fault", "bad-checksum@6,7,8"}, 0},   // asked four times, the last reply sound
        {{"--fault", "bad-checksum@6,7,8,9"}, 1}, // refused four times: missing
        {{"--fault", "wrong-number@6", "--fault", "bad-checksum@7"}, 0},
    };
    for (const Case &c : cases) {
        const QStringList &extra = c.faults;
        const std::string what = c.faults.join(' ').toStdString();
        pimtest::onOneDay([&](const QDate &today) {
            Sim sim;
            ASSERT_TRUE(sim.start(229, 31, extra)) << qPrintable(sim.error());
            Bench b(sim);
            ASSERT_TRUE(b.identify());
            QTemporaryDir dir;
            ArchiveRange range;
            range.choose(ArchiveRange::Day, today, ArhHourlyDiff, 229);
            ArchiveReading reader(*b.road, b.ui, range, b.session);
            reader.setTraceFolder(dir.path());
            const ArchiveReading::Result r = reader.read(ArhHourlyDiff);
            EXPECT_FALSE(r.linkLost) << what;
            EXPECT_EQ(r.missing, c.missing) << what << qPrintable(r.status);
            const QList<qint64> h = hours(b.session);
            ASSERT_GT(h.size(), 3) << what;
            // Consecutive hours but where a record is missing.
            EXPECT_EQ(h[0] - h[1], 1 + c.missing) << what;
            for (int i = 2; i < h.size(); ++i)
                EXPECT_EQ(h[i - 1] - h[i], 1) << what << " record " << i;
            EXPECT_TRUE(r.status.startsWith("архив прочитан от ")) << qPrintable(r.status);
            EXPECT_EQ(r.status.contains("... 1 записей отсутствует"), c.missing == 1) << qPrintable(r.status);

            // The difference of the newest record spans the missing hour.
            ArchiveView view(b.ui, range, b.session);
            const ArchiveView::Grid g = view.build(229, tabOf(229, ArhHourlyDiff));
            ASSERT_TRUE(g.ok);
            EXPECT_EQ(g.gap(2), c.missing == 1) << what;
            for (int row = 3; row < g.cells.size(); ++row)
                EXPECT_FALSE(g.gap(row)) << what << " row " << row;
        });
    }
}

TEST(E2eArchiveFaults, DeviceClockFarOffIsNamed)
{
    // The device lives in March 2020: its archive is full, but not a record
    // falls in the last week of the computer's calendar.
    Sim sim;
    ASSERT_TRUE(sim.start(229, 8, {"--clock", "2020-03-01 12:00", "--archive-start", "2019-01-01"}));
    Bench b(sim);
    ASSERT_TRUE(b.identify());
    QTemporaryDir dir;
    ArchiveRange range;
    range.choose(ArchiveRange::Week, QDate::currentDate(), ArhDaily, 229);
    ArchiveReading reader(*b.road, b.ui, range, b.session);
    reader.setTraceFolder(dir.path());
    const ArchiveReading::Result r = reader.read(ArhDaily);
    EXPECT_EQ(r.records, 0);
    EXPECT_TRUE(r.clockOff);
    EXPECT_TRUE(r.failed);
    EXPECT_TRUE(r.status.contains("часы прибора (по его последней записи " + shortDateText(QDate(2020, 3, 1)) + ")"))
        << qPrintable(r.status);
    EXPECT_TRUE(r.status.contains("часами компьютера")) << qPrintable(r.status);

}

TEST(E2eArchiveFaults, PimctlSavesNothingOverAnArchiveWhenNoRecordFits)
{
    Sim sim;
    ASSERT_TRUE(sim.start(238, 8, {"--clock", "2020-03-01 12:00", "--archive-start", "2019-01-01"}));
    QTemporaryDir dir;
    const QString arh = dir.path() + "/a.Arh", txt = dir.path() + "/a.txt", csv = dir.path() + "/a.csv";
    ASSERT_TRUE(writeFileAtomic(arh, QByteArray(232, 'a')));
    ASSERT_TRUE(writeFileAtomic(txt, "old text\r\n"));
    ASSERT_TRUE(writeFileAtomic(csv, "old csv\r\n"));
    const CtlRun r = pimctl({"--port", sim.port(), "--json", "archive", "--kind", "daily", "--range", "week", "--out",
                             arh, "--csv", csv},
                            dir.path());
    EXPECT_EQ(r.code, 1) << qPrintable(r.err);
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_TRUE(o["status"].toString().contains("часы прибора")) << r.out.constData();
    EXPECT_TRUE(o["partial"].toBool());
    EXPECT_TRUE(r.err.contains("ничего не записано")) << qPrintable(r.err);
    QByteArray data;
    ASSERT_TRUE(readFileBytes(arh, data));
    EXPECT_EQ(data, QByteArray(232, 'a'));
    ASSERT_TRUE(readFileBytes(txt, data));
    EXPECT_EQ(data, "old text\r\n");
    ASSERT_TRUE(readFileBytes(csv, data));
    EXPECT_EQ(data, "old csv\r\n");
}
