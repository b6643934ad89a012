// The change log against pimsim: a whole read of every record, the date and
// time of a change, records that cannot be taken, the configuration the
// session holds, and a link lost half-way.

#include "e2e/E2eSupport.h"

#include "devices/ParamCodec.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"
#include "workflows/ChangeLog.h"
#include "workflows/ConfigReading.h"

#include <gtest/gtest.h>

using namespace pim;
using namespace e2e;

namespace {

// The configuration of the device written back to it with one byte
// changed: the device notes the change in its log.
void writeConfig(Bench &b, int offset, int value)
{
    Tab p = SQ(b.session.identity(), Q_Param);
    ASSERT_TRUE(b.road->exchange(p));
    Tab data = p.mid(5, p.size() - 6);
    data.set(offset - 5, value);
    Tab w = SQ(b.session.identity(), Q_SetParam, data);
    ASSERT_TRUE(b.road->exchange(w));
    ASSERT_EQ(w.at(5), 0) << "the write was refused";
}

} // namespace

TEST(ChangeLog, ReadsEveryRecordIntoTwoRowsWithoutTouchingTheSessionConfiguration)
{
    // One heating system, so the second row of a record is the decoder's
    // second half all the same; two changes made at 12:34 on 1 January 2000
    // (day 1, minute 754).
    Sim sim;
    ASSERT_TRUE(sim.start(239, 4321, {QStringLiteral("--clock"), QStringLiteral("2000-01-01 12:34"),
                                      QStringLiteral("--clock-stopped")}))
        << sim.error().toStdString();
    Bench b(sim);
    ASSERT_TRUE(b.identify());
    writeConfig(b, 19, 7); // cold-water temperature 1
    writeConfig(b, 19, 8);

    // The configuration read and then edited on its page stays as it is.
    ASSERT_TRUE(ConfigReading(*b.road, b.ui, b.session).read().ok);
    ParamCodec &working = b.session.module()->param();
    working.loadDefaults();
    const QStringList before = working.SLfromParam(0);

    b.ui.memoOn = true;
    int shown = 0;
    const ChangeLog::Result r = ChangeLog(*b.road, b.ui, b.session).read([&](const QList<QStringList> &rows) {
        EXPECT_EQ(rows.size(), 2);
        shown += int(rows.size());
    });
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.requests, 33);
    // The slots no change was written to are erased memory, no records:
    // never "05.06.2179 1092:15", 65535.00, type 256 or NAN.
    EXPECT_EQ(r.erased, 31);
    ASSERT_EQ(r.rows.size(), 4);
    EXPECT_EQ(shown, 4);
    EXPECT_EQ(b.ui.statuses.last(), QStringLiteral("Журнал учета изменений успешно прочитан: записей 2, пустых 31"));
    EXPECT_EQ(working.SLfromParam(0), before);

    for (int i = 0; i < r.rows.size(); ++i) {
        ASSERT_EQ(r.rows[i].size(), ChangeLog::kColumns);
        const int record = i / 2;
        EXPECT_TRUE(r.rows[i][0].startsWith(
            QStringLiteral("%1 %2 %3 ").arg(record / 11).arg(record % 11, 2, 10, QLatin1Char('0')).arg(i % 2 + 1)))
            << r.rows[i][0].toStdString();
        // The report day and the two flags are not in a record.
        EXPECT_EQ(r.rows[i].mid(13), QStringList(3, QString()));
        for (const QString &cell : r.rows[i])
            EXPECT_FALSE(cell.contains(QStringLiteral("2179")) || cell.startsWith(QStringLiteral("65535"))
                         || cell == QStringLiteral("256") || cell.contains(QStringLiteral("NAN"), Qt::CaseInsensitive))
                << cell.toStdString();
    }
    // The writes filled the first slots, the oldest first.
    EXPECT_EQ(r.rows[0][0], QStringLiteral("0 00 1 01.01.2000 12:34"));
    EXPECT_EQ(r.rows[1][0], QStringLiteral("0 00 2 01.01.2000 12:34"));
    EXPECT_EQ(r.rows[0][5], QStringLiteral("7"));
    EXPECT_EQ(r.rows[2][0], QStringLiteral("0 01 1 01.01.2000 12:34"));
    EXPECT_EQ(r.rows[2][5], QStringLiteral("8"));

    EXPECT_TRUE(b.ui.memo.contains(QStringLiteral("ЖУИ блок=0 запись=0\r\n00.46=2E\r\n01.239=EF\r\n")));
    EXPECT_TRUE(b.ui.memo.contains(QStringLiteral("ЖУИ блок=2 запись=10\r\n")));
    EXPECT_TRUE(b.ui.memo.contains(QStringLiteral("ЖУИ блок=2 запись=10: пустая (изменений не записано)\r\n")));
}

TEST(ChangeLog, AsksDamagedRecordsAgainAndSaysWhatIsStillMissing)
{
    // The identity given by hand and three changes written (two requests
    // each), so the log's requests are the simulator's requests 7 on:
    // record 0 comes whole; record 1 comes short four times and stays
    // missing; record 2 comes with a bad checksum, then whole; slot 3 (no
    // change written) comes with another number, then erased.
    Sim sim;
    ASSERT_TRUE(sim.start(238, 77,
                          {QStringLiteral("--fault"), QStringLiteral("short@8,9,10,11"), QStringLiteral("--fault"),
                           QStringLiteral("bad-checksum@12"), QStringLiteral("--fault"), QStringLiteral("wrong-number@14")}))
        << sim.error().toStdString();
    Bench b(sim);
    b.session.setIdentity(238, 77);
    for (int v : {7, 8, 9})
        writeConfig(b, 19, v);
    b.ui.memoOn = true;
    const ChangeLog::Result r = ChangeLog(*b.road, b.ui, b.session).read();
    EXPECT_TRUE(r.answered);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.requests, 33 + 3 + 1 + 1);
    ASSERT_EQ(r.rows.size(), 4);
    EXPECT_TRUE(r.rows[0][0].startsWith(QStringLiteral("0 00 1 ")));
    EXPECT_TRUE(r.rows[2][0].startsWith(QStringLiteral("0 02 1 ")));
    EXPECT_EQ(r.rows[2][5], QStringLiteral("9"));
    EXPECT_EQ(r.erased, 30);
    ASSERT_EQ(r.skipped.size(), 1);
    EXPECT_EQ(r.skipped[0], QStringLiteral("ЖУИ блок=0 запись=1 пропущена: неполный ответ: 40 байт"));
    EXPECT_TRUE(b.ui.memo.contains(r.skipped[0] + QStringLiteral("\r\n")));
    EXPECT_TRUE(b.ui.memo.contains(QStringLiteral("ЖУИ блок=0 запись=2: НЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ")));
    EXPECT_TRUE(b.ui.memo.contains(QStringLiteral("ЖУИ блок=0 запись=3: НЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА")));
    // A short record is listed with the bytes that came, and no further.
    const QStringList lines = b.ui.memo.split(QStringLiteral("\r\n"));
    const qsizetype at = lines.lastIndexOf(QStringLiteral("ЖУИ блок=0 запись=1"));
    ASSERT_GE(at, 0);
    EXPECT_TRUE(lines[at + 40].startsWith(QStringLiteral("39.")));
    EXPECT_EQ(lines[at + 41], r.skipped[0]);
    EXPECT_EQ(b.ui.fails.last(), QStringLiteral("Журнал учета изменений прочитан не весь: пропущено записей 1"));
}

TEST(ChangeLog, StopsWhenARecordIsNotAnsweredKeepingTheRowsRead)
{
    Sim sim;
    ASSERT_TRUE(sim.start(229, 5, {QStringLiteral("--fault"), QStringLiteral("silence")})) << sim.error().toStdString();
    Bench b(sim);
    b.session.setIdentity(229, 5);
    const ChangeLog::Result none = ChangeLog(*b.road, b.ui, b.session).read();
    EXPECT_FALSE(none.answered);
    EXPECT_EQ(none.requests, 1);
    EXPECT_EQ(b.ui.fails.last(), QStringLiteral("НЕТ СВЯЗИ"));

    // Two changes written (requests 1..4), then the silence from the
    // log's fifth request on: the two records stay, the two erased slots
    // after them are counted.
    Sim later;
    ASSERT_TRUE(later.start(229, 5, {QStringLiteral("--fault"), QStringLiteral("silence@9,10,11,12,13,14")}))
        << later.error().toStdString();
    Bench c(later);
    c.session.setIdentity(229, 5);
    writeConfig(c, 19, 7);
    writeConfig(c, 19, 8);
    const ChangeLog::Result part = ChangeLog(*c.road, c.ui, c.session).read();
    EXPECT_FALSE(part.answered);
    EXPECT_EQ(part.rows.size(), 4);
    EXPECT_EQ(part.erased, 2);
    EXPECT_EQ(c.ui.fails.last(), QStringLiteral("НЕТ СВЯЗИ"));
}

TEST(ChangeLog, TypesWithoutALogAreNotAsked)
{
    Sim sim;
    ASSERT_TRUE(sim.start(228, 3)) << sim.error().toStdString();
    Bench b(sim);
    b.session.setIdentity(228, 3);
    const ChangeLog::Result r = ChangeLog(*b.road, b.ui, b.session).read();
    EXPECT_FALSE(r.served);
    EXPECT_EQ(r.requests, 0);
    EXPECT_EQ(ChangeLog::servedText(), QStringLiteral("229, 230, 234..239"));
}
