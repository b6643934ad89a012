#include "workflows/ArchiveReading.h"

#include "base/DataPath.h"
#include "base/Cp1251.h"
#include "base/Dates.h"
#include "base/Format.h"
#include "base/TextFile.h"
#include "devices/ArhCodec.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "links/Waiter.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"
#include "workflows/ArchiveRange.h"
#include "workflows/DeviceRoad.h"
#include "workflows/DumpLines.h"
#include "workflows/IdentityCheck.h"
#include "workflows/WorkflowUi.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cmath>
#include <memory>

namespace pim {

struct ArchiveReading::Run {
    ArhCodec *codec = nullptr;
    int kind = 0;
    Result result;
    QStringList trace;
    // The trace file, open for the whole read: reopening it for each line
    // cost more than the exchange itself on a fast link.
    std::unique_ptr<QFile> traceFile;
    QStringList byteTrace; // 227, 228 in all-records mode
    int hourly = -1;       // 0-based current numbers
    int daily = -1;
    QDateTime planned;     // the computer's clock the plan was made by
    bool misdated = false; // a record came with another date than expected
    ArhRec newest;         // the record of the newest slot, when read
};

namespace {

const QString kNoLink = QStringLiteral("НЕТ СВЯЗИ");
const QString kNoRecord = QStringLiteral("в архиве нет ни одной записи");

QString endedEarlyText(const ArchiveReading::Result &r, int read, const QString &span)
{
    return Format(QStringLiteral("чтение архива закончено досрочно: прибор не отдает записи подряд; "
                                 "прочитано %d записей%s... %d записей отсутствует"),
                  {read, span, r.missing});
}

} // namespace

ArchiveReading::ArchiveReading(DeviceRoad &road, WorkflowUi &ui, ArchiveRange &range, DeviceSession &session)
    : m_road(road), m_ui(ui), m_range(range), m_session(session)
{
}

bool ArchiveReading::arhNoReplyOk(const Tab &reply, int minLength, const Identity &id)
{
    // Any length from the shortest sound one up, checked like every reply.
    return reply.size() >= minLength && TestAnswer(reply, reply.size(), Q_ArhNo, id).isEmpty();
}

// ------------------------------------------------------------- status

void ArchiveReading::busy(Run &run, const QString &text)
{
    m_ui.statusBusy(text);
    run.result.status = text;
    run.result.failed = false;
}

void ArchiveReading::fail(Run &run, const QString &text)
{
    m_ui.statusFail(text);
    run.result.status = text;
    run.result.failed = true;
}

void ArchiveReading::progress(Run &run, const QString &text)
{
    m_ui.statusText(StatusKind::Progress, text);
    run.result.status = text;
    run.result.failed = false;
}

void ArchiveReading::done(Run &run, const QString &text)
{
    m_ui.statusText(StatusKind::Done, text);
    run.result.status = text;
    run.result.failed = false;
}

// ------------------------------------------------------------- traces

void ArchiveReading::traceStart(const ReaderTraits &traits, Run &run)
{
    run.trace.clear();
    run.traceFile.reset();
    if (traits.traceFile.isEmpty())
        return;
    const QString folder = m_traceFolder.isEmpty() ? traceFolder() : m_traceFolder;
    QDir().mkpath(folder);
    auto f = std::make_unique<QFile>(folder + QLatin1Char('/') + traits.traceFile);
    if (f->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        run.traceFile = std::move(f);
}

void ArchiveReading::trace(Run &run, const QString &line)
{
    run.trace << line;
    // Written line by line, unbuffered: the file always holds the whole list
    // so far, and a read of thousands of records does not rewrite it
    // thousands of times.
    if (run.traceFile)
        run.traceFile->write(toCp1251(line) + "\r\n");
}

QString ArchiveReading::traceDay(const ReaderTraits &traits, const Tab &reply, bool withHour) const
{
    // The day and hour of the reply as the reader's own type places them.
    if (reply.size() < traits.replyLength)
        return withHour ? QStringLiteral("б/д:б/в") : QStringLiteral("б/д");
    QString t = QString::number(GetW(reply, traits.dateOffset));
    if (withHour)
        t += QLatin1Char(':') + QString::number(reply[traits.hourOffset]);
    return t;
}

// ------------------------------------------------------------- read

ArchiveReading::Result ArchiveReading::read(int kind)
{
    Result none;
    none.kind = kind;
    m_stopAsked = false;
    RoadCommand command(m_road);
    if (!command) {
        m_ui.statusFail(m_road.busyText());
        none.status = m_road.busyText();
        none.failed = true;
        return none;
    }
    if (!IdentityCheck::ensure(m_road, m_session))
        return none;
    m_road.waiter().Pause(1);
    if (!m_session.identified())
        return none;
    m_range.normalise();

    const TypeInfo *info = typeInfo(m_session.type());
    DeviceModule *module = m_session.module();
    ArhCodec *codec = module ? module->arh() : nullptr;
    if (!info || info->reader.kind == Reader::None || !codec) {
        m_ui.message(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА TFpim.AreadArhExecute: ")
                     + QString::number(m_session.type()));
        return none;
    }
    const ReaderTraits &traits = info->reader;
    Run run;
    run.codec = codec;
    run.kind = kind;
    run.result.kind = kind;
    run.result.ran = true;
    m_reading = !m_stopAsked;
    m_ui.readingChanged(true);

    traceStart(traits, run);
    m_ui.progressShow(0);
    if (traits.family) {
        busy(run, QStringLiteral("Подготовка к чтению архивов. Ждите..."));
        Tab id = SQNoTu(m_session.identity());
        m_road.exchange(id); // only wakes the device; the outcome does not matter
    }
    if (m_reading && currentNumbers(traits, run)) {
        const bool daily = arhKindIsDaily(kind);
        bool go = true;
        if (traits.beginEnd) {
            Tab begin = SQ(m_session.identity(), Q_ArhBegin);
            if (!m_road.exchange(begin) && !m_road.imitation()) {
                fail(run, kNoLink);
                run.result.linkLost = true;
                m_ui.progressRemove();
                go = false;
            }
        }
        if (go) {
            if (traits.family)
                m_range.setTolerance(m_range.allRecords() ? ArchiveRange::kAllRecordsTolerance
                                                          : ArchiveRange::kDefaultTolerance);
            else if (m_range.allRecords())
                m_range.setTolerance(ArchiveRange::kAllRecordsTolerance);
            run.planned = QDateTime::currentDateTime();
            codec->PlanArh(kind, daily ? run.daily : run.hourly, run.planned);
            if (loop(traits, run, daily)) {
                finish(traits, run);
            } else if (run.result.stopped && traits.beginEnd) {
                // Stopped before any record came: the read opened on the
                // device is closed all the same.
                Tab end = SQ(m_session.identity(), Q_ArhEnd);
                m_road.exchange(end);
            }
        }
    }
    m_reading = false;
    m_ui.readingChanged(false);
    run.result.records = int(codec->readRecords(kind).size());
    return run.result;
}

bool ArchiveReading::currentNumbers(const ReaderTraits &traits, Run &run)
{
    const bool all = m_range.allRecords();
    auto random = [this](int max) {
        const double u = m_random ? m_random() : QRandomGenerator::global()->generateDouble();
        return qBound(0, int(u * (max + 1)), max);
    };
    Tab reply;
    bool fromDevice = true;
    if (traits.arhNoRetries) {
        if (m_road.imitation()) {
            run.hourly = random(run.codec->highestNumber(ArhHourly) - 1);
            run.daily = random(run.codec->highestNumber(ArhDaily) - 1);
            fromDevice = false;
        } else {
            bool ok = false;
            for (int n = 1; n <= kArhNoAttempts && !ok; ++n) {
                busy(run, QStringLiteral(" Определение текущих номеров записей... Попытка № ") + QString::number(n));
                reply = SQ(m_session.identity(), Q_ArhNo);
                if (!m_road.exchange(reply)) {
                    fail(run, kNoLink);
                    run.result.linkLost = true;
                    m_ui.progressRemove();
                    return false;
                }
                ok = reply.size() == traits.arhNoLength
                     && arhNoReplyOk(reply, traits.arhNoLength, m_session.identity());
            }
            if (!ok) {
                fail(run, Format(QStringLiteral("%d:Ошибка чтения текущих номеров записей. Повторите..."),
                                 {qMin(reply.size(), traits.arhNoLength) - traits.arhNoLength}));
                m_ui.progressRemove();
                return false;
            }
        }
    } else {
        // Asked once. The reply is checked like any other: a refused one
        // (noise, an echo, another device) is never read on and ends the
        // read like a lost link. The imitation answers this request with
        // an echo, so there the numbers are drawn instead.
        reply = SQ(m_session.identity(), Q_ArhNo);
        const bool sent = m_road.exchange(reply);
        const bool ok = sent && arhNoReplyOk(reply, traits.arhNoLength, m_session.identity());
        if (!ok && m_road.imitation()) {
            run.hourly = random(run.codec->highestNumber(ArhHourly) - 1);
            run.daily = random(run.codec->highestNumber(ArhDaily) - 1);
            fromDevice = false;
        } else if (!ok) {
            fail(run, kNoLink);
            run.result.linkLost = true;
            m_ui.progressRemove();
            return false;
        }
    }
    int rawHourly = run.hourly + 1;
    int rawDaily = run.daily + 1;
    if (fromDevice) {
        rawHourly = GetW(reply, 5);
        rawDaily = traits.dailyWord ? GetW(reply, 7) : reply[7];
        run.hourly = rawHourly - 1;
        run.daily = rawDaily - 1;
        trace(run, DumpLines::bytesLine(QStringLiteral("Текущие № записей:"), reply));
        const QString tab(QLatin1Char('\t'));
        trace(run, Format(QStringLiteral("%sчасовой=%d%sсуточный=%d"), {tab, rawHourly, tab, rawDaily}));
    }

    const int hourlyLimit = run.codec->highestNumber(ArhHourly);
    const int dailyLimit = run.codec->highestNumber(ArhDaily);
    const bool daily = arhKindIsDaily(run.kind);
    if (traits.family) {
        int &current = daily ? run.daily : run.hourly;
        if (current > (daily ? dailyLimit : hourlyLimit)) {
            if (!all) {
                progress(run, kNoRecord);
                m_ui.progressRemove();
                return false;
            }
            current = -1;
        }
        return true;
    }
    // The older readers check both numbers whatever the kind.
    for (int *current : {&run.hourly, &run.daily}) {
        const int limit = current == &run.hourly ? hourlyLimit : dailyLimit;
        if (*current > limit) {
            progress(run, kNoRecord);
            if (!all) {
                m_ui.progressRemove();
                return false;
            }
            *current = -1;
        }
    }
    return true;
}

// One record request, asked again while the reply fails its checks. False
// when the link failed (the reader ends); `refused` when every reply was
// refused, and `rec` is then the empty record of 30 December 1899.
bool ArchiveReading::askRecord(const ReaderTraits &traits, Run &run, const ArhPlanEntry &entry, bool daily,
                               Tab &io, ArhRec &rec, bool &refused)
{
    ArhCodec &codec = *run.codec;
    const Tab data = entry.request();
    refused = true;
    // The imitation has no line that could spoil a reply: asked once.
    const int attempts = m_road.imitation() ? 1 : kRecordAttempts;
    for (int attempt = 1; attempt <= attempts && refused; ++attempt) {
        // What the operator did meanwhile ("стоп", the clock) is handled
        // before each request; a real pause here would only leave the line
        // idle, and the exchange itself keeps the window alive while it waits.
        m_road.waiter().Pause(0);
        io = SQ(m_session.identity(), Q_Arhiv, data);
        if (traits.family)
            trace(run, DumpLines::bytesLine(QStringLiteral("upo.SQ(upo.Q_Arhiv,ad):"), io));
        if (!m_road.exchange(io))
            return false;
        if (!traits.traceFile.isEmpty()) {
            const QString caption = daily ? QStringLiteral("Запрос(day %s):%d %d %d %s")
                                          : QStringLiteral("Запрос(day hour %s):%d %d %d %s");
            trace(run, DumpLines::bytesLine(Format(caption, {traceDay(traits, io, !daily), int(entry.lo), int(entry.hi),
                                                            int(GetW(data, 0)), QStringLiteral("\t")}),
                                            io));
        }
        refused = !codec.DecArh(io, rec, m_session.identity()).isEmpty();
    }
    if (refused)
        rec = codec.missingRecord();
    return true;
}

bool ArchiveReading::loop(const ReaderTraits &traits, Run &run, bool daily)
{
    ArhCodec &codec = *run.codec;
    const QList<ArhPlanEntry> plan = codec.plan();
    const int ring = int(plan.size());
    const int max = ring - 1;
    m_ui.progressShow(max);
    QList<ArhRec> &result = codec.readRecords(run.kind);
    result.clear();
    run.result.missing = 0;
    int badRun = 0;
    // A ring that has not wrapped yet holds erased slots past its oldest
    // record. The slots asked from the first of them on form the tail: a
    // written record after it makes them holes (missing); the tail reaching
    // kBadInARow slots, or the end of what the range asks, is the end of
    // the archive, and nothing in it is missing.
    int tail = 0;
    const QDate begin = m_range.begin();
    const QDate end = m_range.end();
    const qint64 n = m_range.tolerance();
    const bool all = m_range.allRecords();

    // The entries the range asks for, and how many of them are done: the
    // time left is the rest at the rate measured so far, so it converges
    // on the truth instead of starting from the length of the range.
    QList<bool> asked(ring, false);
    int toAsk = 0;
    for (int i = 0; i < ring; ++i)
        if (ArchiveRange::inFilter(plan[i].day, begin, end, n)) {
            asked[i] = true;
            ++toAsk;
        }
    int finished = 0;
    qint64 estimate = -1;
    auto estimateText = [&] {
        return estimate < 0 ? QStringLiteral("чтение архива. Ждите...") : DumpLines::remainingText(estimate);
    };
    if (!daily)
        progress(run, estimateText());
    const qint64 started = m_road.waiter().now();

    int i = 0;
    for (; i < ring; ++i) {
        m_ui.progressSet(max - i);
        const ArhPlanEntry &entry = plan[i];
        if (daily)
            progress(run, estimateText());
        if (!asked[i])
            continue;
        if (!m_reading) {
            run.result.stopped = true;
            break;
        }
        Tab io;
        ArhRec rec;
        bool refused = true;
        if (!askRecord(traits, run, entry, daily, io, rec, refused)) {
            if (!m_reading) {
                run.result.stopped = true;
                break;
            }
            fail(run, kNoLink);
            run.result.linkLost = true;
            m_ui.progressRemove();
            return false;
        }
        if (refused && daily && traits.family && m_ui.memoVisible())
            m_ui.memoAppend(QStringLiteral("\r\nархив есть, но устройство его не отдает"));
        const bool blank = !refused && codec.unwritten(rec);
        if (i == 0 && !refused && !blank)
            run.newest = rec;
        const qint64 recHours = qint64(codec.day(rec)) * 24 + (daily ? 0 : codec.hour(rec));
        const qint64 entryHours = qint64(entry.day) * 24 + (daily ? 0 : entry.hour);
        const qint64 diff = qAbs(recHours - entryHours);
        const bool fits = !refused && !blank && diff <= n;
        bool endNow = false;
        if (blank || (tail > 0 && !fits)) {
            // An unwritten slot, or any slot after one that no written
            // record has followed yet: the ring may end here. Never a
            // record, never asked again; missing only if a record follows.
            if (tail == 0)
                badRun = 0;
            ++tail;
            ++finished;
            if (tail >= kBadInARow) {
                run.result.ringEnd = true;
                endNow = true;
            }
        } else if (diff <= n && refused) {
            // Only "все записи" lets a refused record pass the date check
            // (its empty record is dated 30.12.1899): it is missing, as in
            // the other modes, and never shown as data of that day.
            badRun = 0;
            ++finished;
            ++run.result.missing;
        } else if (diff <= n) {
            // Unwritten slots before a written record were holes in the ring.
            run.result.missing += tail;
            tail = 0;
            badRun = 0;
            ++finished;
            result.append(rec);
            if (!traits.family && all) {
                run.byteTrace << Format(QStringLiteral("запрос=%d[1] %d[0]"), {int(entry.hi), int(entry.lo)});
                run.byteTrace += DumpLines::byteLines(io);
            }
            if (traits.live && m_ui.liveUpdate())
                m_ui.archiveGrown(run.kind);
        } else if (refused) {
            // Asked for as often as the exchange asks: missing. Several in a
            // row end a daily read of the family as misdated records do.
            ++finished;
            ++run.result.missing;
            endNow = daily && traits.family && ++badRun >= kBadInARow;
        } else {
            run.misdated = true;
            if (daily && traits.family) {
                if (++badRun >= kBadInARow) {
                    ++finished;
                    ++run.result.missing;
                    endNow = true; // five bad dates in a row: the ring ends here
                } else {
                    --i; // the same entry once more
                    if (m_ui.memoVisible())
                        m_ui.memoAppend(QStringLiteral("\r\nпаленые даты ") + QString::number(diff));
                }
            } else {
                ++finished;
                ++run.result.missing;
            }
        }
        const qint64 elapsed = m_road.waiter().now() - started;
        if (finished > 0)
            estimate = std::llround(double(qMax(0, toAsk - finished)) * double(elapsed) / finished / 1000.0);
        m_ui.archiveProgress(int(result.size()), toAsk, elapsed, estimate);
        if (!daily && i % 50 == 0)
            progress(run, estimateText());
        if (endNow) {
            run.result.endedEarly = !run.result.ringEnd;
            break;
        }
    }
    // The plan or the range ended inside the unwritten part: the end of
    // the archive too.
    if (tail > 0 && !run.result.stopped)
        run.result.ringEnd = true;
    if (run.result.endedEarly) {
        // What the range asked for beyond the end is missing too.
        for (int k = i + 1; k < ring; ++k)
            if (asked[k])
                ++run.result.missing;
    }

    if (result.isEmpty()) {
        m_ui.progressRemove();
        if (run.misdated && !run.result.stopped)
            clockCheck(traits, run, daily);
        if (run.result.stopped) {
            progress(run, Format(QStringLiteral("чтение прервано: прочитано %d записей"), {0}));
        } else if (!run.result.clockOff) {
            if (run.result.endedEarly)
                fail(run, endedEarlyText(run.result, 0, QString()));
            else
                progress(run, kNoRecord);
        }
        return false;
    }
    run.result.misordered = 0;
    if (!all && (daily || traits.sortHourly)) {
        run.result.misordered = codec.SortArh(result);
        if (daily)
            m_range.setDates(dayNumberToDate(codec.day(result.last())), dayNumberToDate(codec.day(result.first())));
    }
    return true;
}

// Records came, but none with the dates asked for: when the newest record
// of the ring is more than an hour away from the computer's clock, the
// device clock is wrong, and the engineer is told so instead of being left
// to think the archive empty.
void ArchiveReading::clockCheck(const ReaderTraits &traits, Run &run, bool daily)
{
    ArhCodec &codec = *run.codec;
    const QList<ArhPlanEntry> plan = codec.plan();
    if (plan.isEmpty() || !run.planned.isValid())
        return;
    if (run.newest.isNull()) {
        Tab io;
        ArhRec rec;
        bool refused = true;
        if (!askRecord(traits, run, plan.first(), daily, io, rec, refused) || refused || codec.unwritten(rec))
            return;
        run.newest = rec;
    }
    const ArhPlanEntry &entry = plan.first();
    const qint64 deviceHours = qint64(codec.day(run.newest)) * 24 + (daily ? 0 : codec.hour(run.newest));
    const qint64 computerHours = qint64(entry.day) * 24 + (daily ? 0 : entry.hour);
    if (qAbs(deviceHours - computerHours) <= 1)
        return;
    const QDate deviceDay = dayNumberToDate(codec.day(run.newest));
    const QString device = daily ? shortDateText(deviceDay)
                                 : shortDateText(deviceDay) + QStringLiteral(" %1:00").arg(codec.hour(run.newest), 2, 10, QLatin1Char('0'));
    const QString computer = shortDateText(run.planned.date()) + run.planned.toString(QStringLiteral(" hh:mm"));
    run.result.clockOff = true;
    fail(run, QStringLiteral("в архиве нет записей за выбранные дни: часы прибора (по его последней записи %1) "
                             "расходятся с часами компьютера (%2) - установите часы прибора")
                  .arg(device, computer));
}

void ArchiveReading::finish(const ReaderTraits &traits, Run &run)
{
    m_ui.progressRemove();
    QString text;
    const int read = int(run.codec->readRecords(run.kind).size());
    const QString from = shortDateText(m_range.begin()), to = shortDateText(m_range.end());
    if (run.result.stopped) {
        text = Format(QStringLiteral("чтение прервано: прочитано %d записей"), {read});
        if (!m_range.allRecords())
            text += Format(QStringLiteral(" от %s г. до %s г."), {from, to});
        progress(run, text);
    } else if (run.result.endedEarly) {
        // Not "архив прочитан": the range asked for was not read.
        fail(run, endedEarlyText(run.result, read,
                                 m_range.allRecords() ? QString()
                                                      : Format(QStringLiteral(" от %s г. до %s г."), {from, to})));
    } else if (m_range.allRecords()) {
        text = QStringLiteral("архив прочитан");
        if (run.result.missing > 0)
            text += Format(QStringLiteral("... %d записей отсутствует"), {run.result.missing});
    } else {
        text = Format(QStringLiteral("архив прочитан от %s г. до %s г."),
                      {shortDateText(m_range.begin()), shortDateText(m_range.end())});
        if (run.result.missing > 0)
            text += Format(QStringLiteral("... %d записей отсутствует"), {run.result.missing});
        if (run.result.misordered > 0)
            text += Format(QStringLiteral("... %d дат перепутано"), {run.result.misordered});
    }
    if (!run.result.stopped && !run.result.endedEarly)
        done(run, text);

    bool endOk = true;
    if (traits.beginEnd) {
        Tab end = SQ(m_session.identity(), Q_ArhEnd);
        endOk = m_road.exchange(end);
        if (!endOk) {
            fail(run, kNoLink);
            run.result.linkLost = true;
        }
    }
    if (traits.memoTrace && m_ui.memoVisible())
        m_ui.memoAppend(run.trace.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    if (traits.byteTrace && m_range.allRecords() && endOk) {
        if (m_ui.memoVisible())
            m_ui.memoAppend(run.byteTrace.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
        const QString folder = m_traceFolder.isEmpty() ? traceFolder() : m_traceFolder;
        writeLines(folder + QStringLiteral("/байты архива.txt"), run.byteTrace);
    }
}

} // namespace pim
