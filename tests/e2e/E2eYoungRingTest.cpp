// Archives of calculators whose rings have not wrapped yet: past the oldest
// record the device answers with erased slots. Every reader takes that as
// the end of the archive and says "архив прочитан"; records refused between
// written ones are still counted and said; pimctl and its batch agree.

#include "e2e/E2eSupport.h"
#include "support/OneDay.h"

#include "base/Dates.h"
#include "base/TextFile.h"
#include "devices/ArhCodec.h"
#include "devices/Registry.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveReading.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

using namespace pim;
using namespace e2e;

namespace {

// Hours since day 1 of the records read, in reading order.
QList<qint64> hoursRead(DeviceSession &session, int kind)
{
    QList<qint64> h;
    const ArhCodec &c = *session.module()->arh();
    for (const ArhRec &r : c.readRecords(kind))
        h << qint64(c.day(r)) * 24 + (arhKindIsDaily(kind) ? 0 : c.hour(r));
    return h;
}

QString readText(const QDate &from, const QDate &to)
{
    return "архив прочитан от " + shortDateText(from) + " г. до " + shortDateText(to) + " г.";
}

} // namespace

TEST(E2eYoungRing, EveryReaderReadsToItsOldestRecord)
{
    // One type per reader, daily and hourly; the archive began three days
    // ago, far less than any ring holds. A refused record in the middle
    // (the third one asked, spoilt as often as the reader asks) is missing.
    struct Case { int type; int firstRecordRequest; };
    // Requests before the first record: the bench's identity, then the
    // reader's identity, current numbers and begin as the reader has them.
    const Case cases[] = {{225, 3}, {227, 3}, {228, 4}, {229, 5}, {234, 5}, {238, 5}};
    for (const Case &c : cases) {
        for (int kind : {int(ArhDaily), int(ArhHourly)}) {
            for (bool gap : {false, true}) {
                const bool daily = arhKindIsDaily(kind);
                SCOPED_TRACE(QString("type %1 %2%3").arg(c.type).arg(daily ? "daily" : "hourly", gap ? " gap" : "")
                                 .toStdString());
                pimtest::onOneDay([&](const QDate &today) {
                    const QDate start = today.addDays(-3);
                    QStringList extra{"--archive-start", start.toString(Qt::ISODate)};
                    if (gap) {
                        QStringList at;
                        for (int k = 0; k < ArchiveReading::kRecordAttempts; ++k)
                            at << QString::number(c.firstRecordRequest + 2 + k);
                        extra << "--fault" << "bad-checksum@" + at.join(',');
                    }
                    Sim sim;
                    ASSERT_TRUE(sim.start(c.type, 31, extra)) << qPrintable(sim.error());
                    Bench b(sim);
                    ASSERT_TRUE(b.identify());
                    QTemporaryDir dir;
                    ArchiveRange range;
                    range.choose(ArchiveRange::WholeArchive, today, kind, c.type);
                    const QDate rangeBegin = range.begin();
                    ArchiveReading reader(*b.road, b.ui, range, b.session);
                    reader.setTraceFolder(dir.path());
                    const ArchiveReading::Result r = reader.read(kind);

                    EXPECT_TRUE(r.ringEnd);
                    EXPECT_FALSE(r.endedEarly);
                    EXPECT_FALSE(r.failed) << qPrintable(r.status);
                    EXPECT_EQ(r.missing, gap ? 1 : 0) << qPrintable(r.status);
                    EXPECT_EQ(r.partial(), gap);
                    // The daily range narrows to the records; the hourly one stays.
                    QString want = daily ? readText(start, today) : readText(rangeBegin, today);
                    if (gap)
                        want += "... 1 записей отсутствует";
                    EXPECT_EQ(r.status, want);

                    // Every period from the newest down to the first of the
                    // archive, but the refused one.
                    QList<qint64> h = hoursRead(b.session, kind);
                    std::sort(h.begin(), h.end(), std::greater<>());
                    ASSERT_GE(h.size(), 3);
                    EXPECT_EQ(h.last(), qint64(dateToDayNumber(start)) * 24);
                    for (int i = 1; i < h.size(); ++i)
                        EXPECT_EQ(h[i - 1] - h[i], (gap && i == 2 ? 2 : 1) * (daily ? 24 : 1)) << "record " << i;
                });
            }
        }
    }
}

TEST(E2eYoungRing, PimctlAndBatchReadAYoung238Whole)
{
    // A 238 in service since 1 June: 184 days of its 4401-day ring.
    const QString clock = "2026-12-01 12:00";
    Sim sim;
    ASSERT_TRUE(sim.start(238, 12, {"--clock", clock, "--archive-start", "2026-06-01"})) << qPrintable(sim.error());
    QTemporaryDir dir;
    const CtlRun r = pimtest::pimctlAt(clock + ":00", {"--port", sim.port(), "--json", "archive", "--kind", "daily",
                                                       "--range", "all"},
                                       dir.path());
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o["status"].toString(), readText(QDate(2026, 6, 1), QDate(2026, 12, 1)));
    EXPECT_FALSE(o["partial"].toBool());
    EXPECT_EQ(o["missing"].toInt(), 0);
    EXPECT_FALSE(o.contains("error"));
    EXPECT_EQ(o["rows"].toArray().size(), 184);

    // The nightly batch lists it as read.
    const QString list = dir.path() + "/list.txt";
    ASSERT_TRUE(writeLines(list, {"котельная;" + sim.port() + ";;"}));
    const CtlRun bt = pimtest::pimctlAt(clock + ":00", {"--timeout", "300", "--json", "batch", list, "--kinds",
                                                        "daily", "--out", dir.path() + "/out"},
                                        dir.path());
    EXPECT_EQ(bt.code, 0) << qPrintable(bt.err);
    const QJsonArray devices = QJsonDocument::fromJson(bt.out).object()["devices"].toArray();
    ASSERT_EQ(devices.size(), 1) << bt.out.constData();
    EXPECT_EQ(devices[0].toObject()["status"].toString(), "ok")
        << qPrintable(devices[0].toObject()["text"].toString());
}
