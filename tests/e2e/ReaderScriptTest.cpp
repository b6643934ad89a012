// The workflows on a scripted road: the requests the archive readers send,
// in what order, and what they make of replies a simulator does not give
// (refused current numbers, dates off by a day, a ring with its newest
// record in slot 0); the state attempts; the identity set by hand.

#include "support/OneDay.h"
#include "base/Dates.h"
#include "base/TextFile.h"
#include "devices/ArhCodec.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "links/Waiter.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"
#include "protocol/Imitation.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveReading.h"
#include "workflows/ArchiveView.h"
#include "workflows/DumpLines.h"
#include "workflows/DeviceRoad.h"
#include "workflows/IdentityCheck.h"
#include "workflows/StateReading.h"
#include "workflows/WorkflowUi.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <functional>

using namespace pim;

namespace {

class ScriptRoad : public DeviceRoad {
public:
    bool exchange(Tab &io) override
    {
        requests << io;
        Tab reply;
        if (!answer || !answer(io, reply))
            return false;
        io = reply;
        return true;
    }
    void identify() override {}
    Waiter &waiter() override { return clock; }
    bool imitation() const override { return imitating; }

    std::function<bool(const Tab &request, Tab &reply)> answer;
    QList<Tab> requests;
    FakeWaiter clock;
    bool imitating = false;

    QList<int> codes() const
    {
        QList<int> c;
        for (const Tab &r : requests)
            c << r[4];
        return c;
    }
};

class Ui : public WorkflowUi {
public:
    void report(pim::StatusLabel, pim::StatusKind, const QString &t) override { statuses << t; }
    bool memoVisible() const override { return true; }
    void memoAppend(const QString &t) override { memo += t; }
    QStringList statuses;
    QString memo;
};

// The scripted device, whose identity the replies carry; each bench sets it.
Identity &scriptDevice()
{
    static Identity device;
    return device;
}

// A reply frame of the scripted device: header, data, checksum.
Tab frame(int length, int code, const std::function<void(Tab &)> &fill = {})
{
    Tab t(length);
    t.set(0, length);
    t.set(1, scriptDevice().type);
    PutW(scriptDevice().number, t, 2);
    t.set(4, code);
    if (fill)
        fill(t);
    t.set(length - 1, CalcCS(t.mid(0, length - 1)));
    return t;
}

Tab arhNo(int hourly, int daily, bool dailyWord, int length = 10)
{
    return frame(length, Q_ArhNo, [&](Tab &t) {
        PutW(hourly, t, 5);
        if (dailyWord)
            PutW(daily, t, 7);
        else
            t.set(7, daily);
    });
}

struct Bench {
    explicit Bench(int type)
    {
        session.setIdentity(type, 0x1234);
        scriptDevice() = session.identity();
    }
    ArchiveReading::Result read(int kind, int item, const QDate &today = QDate::currentDate())
    {
        range.choose(item, today, kind, session.type());
        ArchiveReading reader(road, ui, range, session);
        reader.setTraceFolder(dir.path());
        return reader.read(kind);
    }
    DeviceSession session;
    ScriptRoad road;
    Ui ui;
    ArchiveRange range;
    QTemporaryDir dir;
};

} // namespace

TEST(ReaderScript, NewestInSlotZeroAndAllRecords)
{
    Bench b(229);
    b.road.answer = [](const Tab &req, Tab &reply) {
        switch (req[4]) {
        case Q_ArhNo: reply = arhNo(5, 1, false); return true; // daily slot 0 is the newest
        case Q_Arhiv: reply = frame(6, Q_Arhiv); return true;    // refused: too short
        case Q_ArhBegin: case Q_ArhEnd: reply = frame(6, req[4]); return true;
        default: return false;
        }
    };
    const ArchiveReading::Result r = b.read(ArhDaily, ArchiveRange::AllRecords);
    // Identity request, current numbers, begin, 62 records, end.
    const int ask = ArchiveReading::kRecordAttempts;
    ASSERT_EQ(b.road.requests.size(), 3 + 62 * ask);
    EXPECT_EQ(b.road.codes().mid(0, 3), (QList<int>{Q_NoTu, Q_ArhNo, Q_ArhBegin}));
    QList<int> slotOrder;
    for (int i = 3; i < 3 + 62 * ask; i += ask) {
        EXPECT_EQ(b.road.requests[i][6], 0x80) << i; // daily: high byte + 128
        EXPECT_EQ(b.road.requests[i + ask - 1], b.road.requests[i]) << i;
        slotOrder << b.road.requests[i][5];
    }
    QList<int> expected{0};
    for (int s = 61; s >= 1; --s)
        expected << s;
    EXPECT_EQ(slotOrder, expected);
    // Each refused record is asked for as often as the exchange asks, then
    // counted missing; even "все записи" never keeps its empty record as
    // data of 30 December 1899. Nothing read: the read ends without Q_ArhEnd.
    EXPECT_EQ(r.records, 0);
    EXPECT_TRUE(b.session.module()->arh()->readRecords(ArhDaily).isEmpty());
    EXPECT_EQ(r.missing, 62);
    EXPECT_EQ(r.status, "в архиве нет ни одной записи");
    EXPECT_TRUE(b.ui.memo.contains("архив есть, но устройство его не отдает"));
}

TEST(ReaderScript, RefusedCurrentNumbersEndTheReadAsNoLink)
{
    // Each reply to Q_ArhNo is unsound in one way; none may be read on.
    struct Case { const char *what; int type; std::function<Tab()> reply; };
    const Case cases[] = {
        {"short", 229, [] { return Tab{5, 229, 0x34, 0x12, Q_ArhNo}; }},
        {"length byte lies", 229, [] { Tab t = arhNo(5, 3, false); t.set(0, 40); return t; }},
        {"other code", 229, [] { return frame(10, Q_State); }},
        {"checksum", 229, [] { Tab t = arhNo(5, 3, false); t.set(9, t[9] + 1); return t; }},
        {"other device", 229, [] { Tab t = arhNo(5, 3, false); t.set(2, 0x35); t.set(9, CalcCS(t.mid(0, 9))); return t; }},
        {"no daily word", 234, [] { return arhNo(5, 3, false, 9); }},
        {"228 too", 228, [] { return Tab{6, 228, 0x34, 0x12, Q_ArhNo, 0}; }},
    };
    for (const Case &c : cases) {
        Bench b(c.type);
        b.road.answer = [&](const Tab &req, Tab &reply) {
            if (req[4] != Q_ArhNo)
                return false;
            reply = c.reply();
            return true;
        };
        const ArchiveReading::Result r = b.read(ArhDaily, ArchiveRange::Week);
        EXPECT_EQ(r.status, "НЕТ СВЯЗИ") << c.what;
        // Asked once: the readers but 225 make one attempt.
        EXPECT_EQ(b.road.codes().count(Q_ArhNo), 1) << c.what;
        EXPECT_FALSE(b.road.codes().contains(Q_ArhBegin)) << c.what;
        EXPECT_FALSE(b.road.codes().contains(Q_Arhiv)) << c.what;
    }
}

TEST(ReaderScript, ImitationDrawsTheCurrentNumbers)
{
    // The imitation echoes Q_ArhNo: the numbers are drawn, never read from
    // the echo. Drawn at the top of the range they are still inside the ring.
    for (int type : {228, 229, 234}) {
        Bench b(type);
        b.road.imitating = true;
        b.road.answer = [](const Tab &req, Tab &reply) {
            reply = req;
            return true;
        };
        b.range.choose(ArchiveRange::AllRecords, QDate::currentDate(), ArhDaily, type);
        ArchiveReading reader(b.road, b.ui, b.range, b.session);
        reader.setTraceFolder(b.dir.path());
        reader.setRandom([] { return 0.9999999; });
        reader.read(ArhDaily);
        EXPECT_EQ(b.road.codes().count(Q_ArhNo), 1) << type;
        const int ring = b.session.module()->arh()->highestNumber(ArhDaily) + 1;
        ASSERT_EQ(b.road.codes().count(Q_Arhiv), ring) << type;
        const Tab first = b.road.requests[b.road.codes().indexOf(Q_Arhiv)];
        // The newest record is drawn in the top slot but one.
        EXPECT_EQ(first[5] | ((first[6] & 0x7F) << 8), ring - 2) << type;
    }
}

TEST(ReaderScript, DailyLimitOf234)
{
    // 366 (0-based 365) is the last slot of the ring; 367 is beyond it.
    for (int raw : {366, 367}) {
        for (bool all : {false, true}) {
            Bench b(234);
            b.road.answer = [&](const Tab &req, Tab &reply) {
                if (req[4] != Q_ArhNo)
                    return false; // the read stops at Q_ArhBegin
                reply = arhNo(5, raw, true);
                return true;
            };
            const ArchiveReading::Result r = b.read(ArhDaily, all ? ArchiveRange::AllRecords : ArchiveRange::Week);
            const bool accepted = raw == 366 || all;
            EXPECT_EQ(b.road.codes().contains(Q_ArhBegin), accepted) << raw << all;
            EXPECT_EQ(r.status, accepted ? "НЕТ СВЯЗИ" : "в архиве нет ни одной записи") << raw << all;
        }
    }
}

TEST(ReaderScript, CurrentNumbersOf225TakeTenAttempts)
{
    Bench b(225);
    b.road.answer = [](const Tab &req, Tab &reply) {
        if (req[4] != Q_ArhNo)
            return false;
        reply = frame(6, Q_ArhNo);
        return true;
    };
    const ArchiveReading::Result r = b.read(ArhHourly, ArchiveRange::Day);
    EXPECT_EQ(b.road.codes(), QList<int>(10, Q_ArhNo));
    EXPECT_TRUE(b.ui.statuses.contains(" Определение текущих номеров записей... Попытка № 10"));
    EXPECT_EQ(r.status, "-3:Ошибка чтения текущих номеров записей. Повторите...");
}

TEST(ReaderScript, DatesOffByADay)
{
    pimtest::onOneDay([](const QDate &today) {
        // Every record carries tomorrow's date (the read plans its days from
        // the computer's clock).
        const int tomorrow = dateToDayNumber(today) + 1;
        auto answer = [tomorrow](const Tab &req, Tab &reply) {
            if (req[4] == Q_ArhNo)
                reply = arhNo(5, 30, false);
            else if (req[4] == Q_Arhiv)
                reply = frame(166, Q_Arhiv, [&](Tab &t) { PutW(tomorrow, t, 161); });
            else
                reply = frame(6, req[4]);
            return true;
        };
        // The 229 family asks again; five bad dates in a row end the read.
        {
            Bench b(229);
            b.road.answer = answer;
            const ArchiveReading::Result r = b.read(ArhDaily, ArchiveRange::Week, today);
            EXPECT_EQ(b.road.codes().count(Q_Arhiv), 5);
            EXPECT_TRUE(b.ui.memo.contains("паленые даты 24"));
            EXPECT_TRUE(r.endedEarly);
            EXPECT_EQ(r.missing, 8); // the week asked for, none read
            EXPECT_FALSE(b.road.codes().contains(Q_ArhEnd));
            // The archive holds records, a day ahead of the computer: the
            // device clock is named, not an empty archive.
            EXPECT_TRUE(r.clockOff);
            EXPECT_TRUE(r.failed);
            EXPECT_TRUE(r.status.contains("часы прибора (по его последней записи " + shortDateText(today.addDays(1)) + ")"))
                << qPrintable(r.status);
            EXPECT_TRUE(r.status.contains("часами компьютера (" + shortDateText(today)));
        }
        // The older readers count it as missing and go on.
        {
            Bench b(228);
            b.road.answer = answer;
            const ArchiveReading::Result r = b.read(ArhDaily, ArchiveRange::Week, today);
            EXPECT_EQ(b.road.codes().count(Q_Arhiv), 8);
            EXPECT_EQ(r.missing, 8);
            EXPECT_TRUE(r.clockOff);
            EXPECT_TRUE(b.ui.memo.isEmpty());
        }
    });
}

namespace {

// A sound daily record of type 229 for a request, dated as the plan
// expects the slot asked for.
Tab plannedRecord(const DeviceSession &session, const Tab &req)
{
    for (const ArhPlanEntry &e : const_cast<DeviceSession &>(session).module()->arh()->plan())
        if (e.lo == req[5] && e.hi == req[6])
            return frame(166, Q_Arhiv, [&](Tab &t) {
                PutW(e.day, t, 161);
                t.set(160, e.hour);
            });
    return Tab();
}

} // namespace

TEST(ReaderScript, RefusedRecordsAreAskedAgainThenMissing)
{
    // A week of the daily archive of 229 (eight records); the replies to
    // some record requests fail their checks (a checksum here).
    struct Case {
        const char *what;
        std::function<bool(int entry, int attempt)> refuse;
        int records, missing;
        bool early;
    };
    const int ask = ArchiveReading::kRecordAttempts;
    const Case cases[] = {
        {"refused all but the last time", [&](int, int a) { return a < ask; }, 8, 0, false},
        {"the third always refused", [](int e, int) { return e == 2; }, 7, 1, false},
        // Five records in a row refused end the read: the rest of the week
        // is missing too, and nothing says it was read.
        {"five in a row", [](int e, int) { return e >= 1 && e <= 5; }, 1, 7, true},
    };
    for (const Case &c : cases) pimtest::onOneDay([&](const QDate &today) {
        Bench b(229);
        QMap<int, int> attempts; // slot -> requests so far
        QList<int> entryOfSlot;
        b.road.answer = [&](const Tab &req, Tab &reply) {
            switch (req[4]) {
            case Q_ArhNo: reply = arhNo(5, 30, false); return true;
            case Q_Arhiv: {
                if (!entryOfSlot.contains(req[5]))
                    entryOfSlot << req[5];
                const int a = ++attempts[req[5]];
                reply = plannedRecord(b.session, req);
                if (c.refuse(int(entryOfSlot.indexOf(req[5])), a))
                    reply.set(165, reply[165] + 1);
                return true;
            }
            default: reply = frame(6, req[4]); return true;
            }
        };
        const ArchiveReading::Result r = b.read(ArhDaily, ArchiveRange::Week, today);
        EXPECT_EQ(r.records, c.records) << c.what;
        EXPECT_EQ(r.missing, c.missing) << c.what;
        EXPECT_EQ(r.endedEarly, c.early) << c.what;
        EXPECT_EQ(r.partial(), c.missing > 0) << c.what;
        EXPECT_EQ(b.road.codes().last(), Q_ArhEnd) << c.what;
        for (auto it = attempts.cbegin(); it != attempts.cend(); ++it)
            EXPECT_LE(it.value(), ask) << c.what;
        if (c.early) {
            EXPECT_TRUE(r.failed) << c.what;
            EXPECT_TRUE(r.status.startsWith("чтение архива закончено досрочно")) << qPrintable(r.status);
            EXPECT_TRUE(r.status.endsWith("... 7 записей отсутствует")) << qPrintable(r.status);
        } else {
            EXPECT_FALSE(r.failed) << c.what;
            EXPECT_TRUE(r.status.startsWith("архив прочитан от ")) << qPrintable(r.status);
            EXPECT_EQ(r.status.contains("1 записей отсутствует"), c.missing == 1) << qPrintable(r.status);
        }
    });
}

TEST(ReaderScript, DifferenceAcrossAMissingRecordIsMarked)
{
    // The hourly archive of 229 over a day, one hour always refused: the
    // difference that spans it covers two hours and is marked, and no other.
    pimtest::onOneDay([](const QDate &today) {
        Bench b(229);
        b.road.answer = [&](const Tab &req, Tab &reply) {
            switch (req[4]) {
            case Q_ArhNo: reply = arhNo(300, 30, false); return true;
            case Q_Arhiv:
                reply = plannedRecord(b.session, req);
                if ((req[5] | (req[6] << 8)) == 290)
                    reply = frame(6, Q_Arhiv);
                return true;
            default: reply = frame(6, req[4]); return true;
            }
        };
        const ArchiveReading::Result r = b.read(ArhHourlyDiff, ArchiveRange::Day, today);
        ASSERT_EQ(r.missing, 1);
        ArchiveView view(b.ui, b.range, b.session);
        auto tabOf = [](int kind) {
            for (int t = 0; t < typeInfo(229)->arhTabs.size(); ++t)
                if (typeInfo(229)->arhTabs[t].kind == kind)
                    return t;
            return -1;
        };
        const ArchiveView::Grid g = view.build(229, tabOf(ArhHourlyDiff));
        ASSERT_TRUE(g.ok);
        QList<int> marked;
        for (int row = 2; row < g.cells.size(); ++row)
            if (g.gap(row))
                marked << row;
        // Slots 299 (row 2) down to 291 (row 10), then 289: the row of 291 spans
        // the hour of 290.
        EXPECT_EQ(marked, QList<int>{10});
        const QStringList csv = view.csvLines(229, g);
        EXPECT_TRUE(csv.first().endsWith(";разрыв"));
        EXPECT_TRUE(csv.first().startsWith("ДАТА ГГГГ-ММ-ДД;")) << qPrintable(csv.first());
        EXPECT_TRUE(csv[10 - 1].endsWith(";1")) << qPrintable(csv[9]);
        EXPECT_TRUE(csv[2 - 1].endsWith(";0"));
        // The cumulative view has no differences to mark.
        const ArchiveView::Grid cum = view.build(229, tabOf(ArhHourly));
        EXPECT_FALSE(cum.gaps.contains(true));
    });
}

TEST(ReaderScript, TimeLeftFollowsTheMeasuredRate)
{
    // Type 238 over its whole daily archive: 4401 records asked for (the
    // ring, all inside the range); each request takes 100 ms. The time
    // left comes from the rate measured so far, never from the length of
    // the range in days taken as seconds.
    Bench b(238);
    b.road.answer = [&](const Tab &req, Tab &reply) {
        switch (req[4]) {
        case Q_ArhNo: reply = arhNo(5, 4401, true); return true;
        case Q_Arhiv:
            b.road.clock.advance(100);
            reply = frame(6, Q_Arhiv); // refused: cheap to script, same timing
            return true;
        default: reply = frame(6, req[4]); return true;
        }
    };
    struct Progress : Ui {
        void archiveProgress(int read, int asked, qint64 ms, qint64 left) override
        {
            calls << std::array<qint64, 4>{read, asked, ms, left};
        }
        QList<std::array<qint64, 4>> calls;
    } ui;
    b.range.choose(ArchiveRange::AllRecords, QDate::currentDate(), ArhDaily, 238);
    ArchiveReading reader(b.road, ui, b.range, b.session);
    reader.setTraceFolder(b.dir.path());
    reader.read(ArhDaily);
    ASSERT_EQ(ui.calls.size(), 4401);
    // After the first record: 4400 records left at 4 × 100 ms each.
    EXPECT_EQ(ui.calls.first()[1], 4401);
    EXPECT_EQ(ui.calls.first()[3], 1760);
    EXPECT_EQ(ui.calls[2200][3], 880);
    EXPECT_EQ(ui.calls.last()[3], 0);
    EXPECT_EQ(ui.calls.last()[2], 4401 * 4 * 100);
    EXPECT_FALSE(ui.statuses.contains(DumpLines::remainingText(4400)));
    EXPECT_TRUE(ui.statuses.contains(DumpLines::remainingText(1760)));
}

TEST(ReaderScript, TypeWithoutArchive)
{
    DeviceSession session;
    session.setIdentity(128, 5);
    ScriptRoad road;
    struct : WorkflowUi {
        void message(const QString &t) override { text = t; }
        QString text;
    } ui;
    ArchiveRange range;
    ArchiveReading reader(road, ui, range, session);
    EXPECT_FALSE(reader.read(ArhDaily).ran);
    EXPECT_EQ(ui.text, "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА TFpim.AreadArhExecute: 128");
    EXPECT_TRUE(road.requests.isEmpty());
}

// ---------------------------------------------------------------- state, identity by hand

TEST(StateScript, TwentyAttemptsAtMost)
{
    // A sound state reply of type 229 from the imitation, and a foreign one.
    registerImitationGenerators();
    const Identity dev{229, 0x1234};
    const Tab good = imitator().ImitReply(SQ(dev, Q_State), dev).reply;
    Tab foreign = good;
    foreign.set(2, 0x35);
    foreign.set(foreign.size() - 1, CalcCS(foreign.mid(0, foreign.size() - 1)));
    for (int goodAt : {20, 21}) {
        ScriptRoad road;
        int n = 0;
        road.answer = [&](const Tab &, Tab &reply) {
            reply = ++n == goodAt ? good : foreign;
            return true;
        };
        Ui ui;
        QTemporaryDir dir;
        DeviceSession session;
        session.setIdentity(dev.type, dev.number);
        StateReading reading(road, ui, session);
        reading.setDumpFolder(dir.path());
        const StateReading::Result r = reading.read(1);
        EXPECT_EQ(road.requests.size(), 20) << goodAt;
        EXPECT_EQ(r.ok, goodAt == 20);
        EXPECT_EQ(ui.statuses.last(), goodAt == 20 ? "Cостояние прочитано успешно" : "Ошибка связи Повторите...");
        EXPECT_EQ(QFileInfo::exists(dir.path() + "/байты состояния"), goodAt == 20);
    }
}

TEST(IdentityByHand, NumberAndType)
{
    DeviceSession session;
    // No type chosen and none known: the number is refused.
    IdentityCheck::Hand h = IdentityCheck::setByHand(session, 5, QString());
    EXPECT_FALSE(h.ok);
    EXPECT_EQ(h.status, "номер должен быть от 1 до 65535");
    EXPECT_EQ(session.number(), -1);
    // A model name sets the type too.
    h = IdentityCheck::setByHand(session, 5, ModelName(234));
    EXPECT_TRUE(h.ok);
    EXPECT_EQ(h.status, "номер правильный");
    EXPECT_EQ(session.type(), 234);
    EXPECT_EQ(session.number(), 5);
    EXPECT_EQ(h.imitationType, 234);
    EXPECT_TRUE(h.changeLog);
    // Only the number changes when no type is chosen.
    h = IdentityCheck::setByHand(session, 65535, QString());
    EXPECT_TRUE(h.ok);
    EXPECT_EQ(session.type(), 234);
    EXPECT_EQ(h.eno, "65535");
    for (int bad : {0, 65536}) {
        h = IdentityCheck::setByHand(session, bad, QString());
        EXPECT_FALSE(h.ok) << bad;
        EXPECT_EQ(session.number(), -1);
    }
    h = IdentityCheck::setByHand(session, 7, ModelName(228));
    EXPECT_FALSE(h.changeLog);
}

TEST(ReaderScript, OlderReadersKeepAByteTraceOfAllRecords)
{
    for (int type : {227, 228}) {
        Bench b(type);
        const int length = type == 227 ? 41 : 166;
        // Every second record refused: those are missing and leave no trace;
        // the others, of any date (here 25 March 2003), are kept with their bytes.
        int asked = 0;
        const auto dated = [&](Tab &t) { PutW(1180, t, typeInfo(type)->reader.dateOffset); };
        b.road.answer = [&](const Tab &req, Tab &reply) {
            if (req[4] == Q_ArhNo)
                reply = arhNo(5, 1, false, 9);
            else if (req[4] == Q_Arhiv)
                reply = (asked++ / ArchiveReading::kRecordAttempts) % 2 == 0 || req[5] % 2 == 0
                            ? frame(length, Q_Arhiv, dated)
                            : frame(6, Q_Arhiv);
            else
                reply = frame(6, req[4]);
            return true;
        };
        const ArchiveReading::Result r = b.read(ArhDaily, ArchiveRange::AllRecords);
        const int ring = b.session.module()->arh()->highestNumber(ArhDaily) + 1;
        EXPECT_EQ(r.records + r.missing, ring) << type;
        EXPECT_GT(r.missing, 0) << type;
        EXPECT_GT(r.records, 0) << type;
        EXPECT_EQ(r.status, "архив прочитан... " + QString::number(r.missing) + " записей отсутствует") << type;
        // No refused record passes for one of 30 December 1899.
        const ArhCodec &codec = *b.session.module()->arh();
        for (const ArhRec &rec : codec.readRecords(ArhDaily))
            EXPECT_NE(codec.day(rec), kArhNoDay) << type;
        // 228 opens and closes the read; 227 knows neither command.
        EXPECT_EQ(b.road.codes().contains(Q_ArhBegin), type == 228);
        EXPECT_EQ(b.road.codes().contains(Q_ArhEnd), type == 228);
        QStringList lines;
        ASSERT_TRUE(readLines(b.dir.path() + "/байты архива.txt", lines)) << type;
        EXPECT_EQ(lines.value(0), "запрос=128[1] 0[0]");
        EXPECT_EQ(lines.value(1), QString("000=%1 hex=%2").arg(length).arg(length, 2, 16, QChar('0')).toUpper().replace("HEX", "hex"));
        EXPECT_EQ(lines.size(), r.records * (1 + length));
        EXPECT_TRUE(b.ui.memo.contains("запрос=128[1] 0[0]"));
    }
}

namespace {

// A sound record reply of the bench's type for a request, dated as the plan
// expects the slot asked for, or with the given day word.
Tab recordFor(const DeviceSession &session, const Tab &req, int day = -1)
{
    const ArhReaderInfo &traits = typeInfo(session.type())->reader;
    for (const ArhPlanEntry &e : const_cast<DeviceSession &>(session).module()->arh()->plan())
        if (e.lo == req[5] && e.hi == req[6])
            return frame(traits.replyLength, Q_Arhiv, [&](Tab &t) {
                PutW(day < 0 ? e.day : day, t, traits.dateOffset);
                t.set(traits.hourOffset, e.hour);
            });
    return Tab();
}

} // namespace

TEST(ReaderScript, RingNotWrappedEndsAtItsUnwrittenSlots)
{
    // The slots in the order the read asks them: W a record of the expected
    // date, F erased memory (every data byte 0xFF), Z a slot never dated
    // (day 0), R a reply always refused; the script goes on with F.
    struct Case {
        const char *what;
        int type, kind, item;
        QString script;
        int records, missing, asked; // asked: slots requested
        int oldest;                  // daily: days back to the oldest record read
    };
    const QString full = QString(60, 'W') + "FF";
    const Case cases[] = {
        {"four records", 229, ArhDaily, ArchiveRange::WholeArchive, "WWWW", 4, 0, 9, 3},
        {"never dated", 238, ArhDaily, ArchiveRange::WholeArchive, "WWWZZZZZ", 3, 0, 8, 2},
        {"older reader, hourly", 225, ArhHourly, ArchiveRange::WholeArchive, "WWWWWW", 6, 0, 11, 0},
        {"227 daily", 227, ArhDaily, ArchiveRange::WholeArchive, "WW", 2, 0, 7, 1},
        // An erased slot between written records is a hole in the ring.
        {"hole", 229, ArhDaily, ArchiveRange::WholeArchive, "WWFWW", 4, 1, 10, 4},
        {"hole, hourly", 228, ArhHourly, ArchiveRange::WholeArchive, "WFFWW", 3, 2, 10, 0},
        // A refused slot before the first erased one may be a record the
        // line spoilt: missing. After it, it lies in the unwritten part.
        {"refused before the end", 229, ArhDaily, ArchiveRange::WholeArchive, "WWR", 2, 1, 8, 1},
        {"refused in the end", 234, ArhDaily, ArchiveRange::WholeArchive, "WWFRFFF", 2, 0, 7, 1},
        // Two slots short of wrapping: the plan ends before five erased ones.
        {"nearly full", 229, ArhDaily, ArchiveRange::WholeArchive, full, 60, 0, 62, 59},
        {"nothing written", 238, ArhHourly, ArchiveRange::WholeArchive, "", 0, 0, 5, 0},
        // "все записи" keeps records of any date, never an erased slot.
        {"all records", 228, ArhDaily, ArchiveRange::AllRecords, "WWW", 3, 0, 8, 0},
    };
    for (const Case &c : cases) pimtest::onOneDay([&](const QDate &today) {
        Bench b(c.type);
        const ArhReaderInfo &traits = typeInfo(c.type)->reader;
        QList<int> order; // the slots in the order first asked
        b.road.answer = [&](const Tab &req, Tab &reply) {
            switch (req[4]) {
            case Q_ArhNo: reply = arhNo(500, 30, traits.dailyWord, traits.arhNoLength); return true;
            case Q_Arhiv: {
                const int slot = req[5] | (req[6] << 8);
                if (!order.contains(slot))
                    order << slot;
                const int at = int(order.indexOf(slot));
                const QChar s = at < c.script.size() ? c.script[at] : QLatin1Char('F');
                if (s == 'R') {
                    reply = frame(6, Q_Arhiv);
                } else {
                    reply = recordFor(b.session, req, s == 'Z' ? 0 : -1);
                    if (s == 'F') {
                        for (int k = 5; k < reply.size() - 1; ++k)
                            reply.set(k, 0xFF);
                        reply.set(reply.size() - 1, CalcCS(reply.mid(0, reply.size() - 1)));
                    }
                }
                return true;
            }
            default: reply = frame(6, req[4]); return true;
            }
        };
        const ArchiveReading::Result r = b.read(c.kind, c.item, today);
        EXPECT_EQ(r.records, c.records) << c.what;
        EXPECT_EQ(r.missing, c.missing) << c.what;
        EXPECT_EQ(order.size(), c.asked) << c.what;
        EXPECT_TRUE(r.ringEnd) << c.what;
        EXPECT_FALSE(r.endedEarly) << c.what;
        EXPECT_FALSE(r.failed) << c.what << qPrintable(r.status);
        EXPECT_EQ(r.partial(), c.missing > 0) << c.what;
        const ArhCodec &codec = *b.session.module()->arh();
        for (const ArhRec &rec : codec.readRecords(c.kind))
            EXPECT_FALSE(codec.unwritten(rec)) << c.what;
        QString want;
        if (c.records == 0)
            want = "в архиве нет ни одной записи";
        else if (c.item == ArchiveRange::AllRecords)
            want = "архив прочитан";
        else if (arhKindIsDaily(c.kind))
            // The daily range narrows to the records read.
            want = "архив прочитан от " + shortDateText(today.addDays(-c.oldest)) + " г. до "
                + shortDateText(today) + " г.";
        else
            want = "архив прочитан от " + shortDateText(b.range.begin()) + " г. до " + shortDateText(today) + " г.";
        if (c.missing > 0)
            want += "... " + QString::number(c.missing) + " записей отсутствует";
        EXPECT_EQ(r.status, want) << c.what;
        EXPECT_EQ(b.road.codes().contains(Q_ArhEnd), traits.beginEnd && c.records > 0) << c.what;
    });
}
